#pragma once
// What the copy commands put on the clipboard for a run of bytes.

#include <cstdint>
#include <span>
#include <string>

#include "hexedit/core/TableData.h"

namespace hexedit {

// Most bytes one copy takes: the text of a larger run would not fit a
// clipboard comfortably.
inline constexpr int32_t kMaxCopyBytes = 16 * 1024 * 1024;

// Two upper-case hex digits a byte, one space between bytes: "0A 1B 2C".
std::string hexCopyText(std::span<const uint8_t> bytes);

// The bytes decoded through the table item by item as the text column shows
// them (a UTF-8 table's texts as they are, a legacy table's as Shift-JIS
// when `japanese`, else Windows-1252), in UTF-8; the
// line-break code becomes a new line.
std::string tableCopyText(const TableData& table, std::span<const uint8_t> bytes, bool japanese);

}  // namespace hexedit
