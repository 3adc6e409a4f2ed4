#pragma once
// Table file parser. A table file is text read in lines of at most 254
// characters; each line is an entry ("XX=text", "XXXX=text"), an end or
// line-break code ("*XX", "\XX", "/XX"), a bookmark "(OFFSETh)label", a dump
// bookmark "[SSSSSSSS-EEEEEEEE]label", a directive (".code", ".dual",
// ".multicode", ".nontbl", ".startdump", ".enddump") or ignored.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/TableData.h"

namespace hexedit {

inline constexpr size_t kMaxTableLine = 254;
inline constexpr size_t kMaxDumpSpecText = 8191;

enum class TableLoadStatus { Ok, CannotOpen, OutOfMemory };

// Empties the bookmarks, clears the table data and reads `content` into it.
// Never fails on malformed input: lines that fit no rule are skipped.
void parseTableText(TableData& table, std::string_view content);

// For each line of a table file, whether it is a byte or pair entry as the
// loader reads it. Directives, their continuation lines (whatever they
// hold), codes, bookmarks and comments are not.
std::vector<bool> tableEntryLines(std::span<const std::string> lines);

// Reads the file at `path` through parseTableText. When it cannot be read
// the table stays cleared; when memory runs out it is cleared again.
TableLoadStatus loadTableFile(TableData& table, const std::string& path);

// The companion table of a file: the file name's extension replaced with
// "tbl", or "tbl" appended when the name has no '.'.
std::string companionTablePath(const std::string& path);

}  // namespace hexedit
