#pragma once
// The text dump: a range of the file written as text through the table's
// entries and dump directives, and the keyword templates of the directives.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/progress.h"
#include "hexedit/core/TableData.h"

namespace hexedit::transfer {

// What the template keywords stand for in one dump.
struct DumpInfo {
    int64_t start = 0;   // DumpStart
    int64_t end = 0;     // DumpEnd as entered (not cut)
    int64_t length = 0;  // DumpLength
    std::string romName;
    std::string tableName;
};

// 1234567 -> "1,234,567".
std::string groupThousands(int64_t value);

// Replaces the keywords "\n", "\t", "%OFFSET", "%DUMPSIZE", "%ROMNAME",
// "%TBLNAME", "%STARTOFS" and "%ENDOFS" (in any case) at position `pos` of
// the range; every other character is copied. Line breaks come out as '\n'.
std::string expandTemplate(std::string_view text, const DumpInfo& info, int64_t pos);

// Every '\n' written as CR LF, as a text file is written.
std::string toCrLf(std::string_view text);

// Takes the next piece of a dump's text; false stops the dump.
using TextSink = std::function<bool(std::string_view)>;
// Pieces handed to a sink hold this many bytes, the last fewer (a multiple
// only when one entry's text is longer), whatever the length of the range.
inline constexpr size_t kDumpPiece = size_t{1} << 20;

// The text of a dump of `range` (the bytes from info.start; info.length is
// taken from its size), with CR LF line ends, handed to `sink` in pieces.
// False when `progress` or `sink` answered false.
bool textDump(const TableData& table, std::span<const uint8_t> range, DumpInfo info, const TextSink& sink,
              const common::Progress& progress = {});
// The same text whole. Nothing when `progress` answers false.
std::optional<std::string> textDump(const TableData& table, std::span<const uint8_t> range, DumpInfo info,
                                    const common::Progress& progress = {});

// A ".multicode" text split around its parameter digits: the dump writes
// head, "$", two hexadecimal digits per parameter byte, then tail.
struct MultiCodeText {
    std::string head, tail;
};
MultiCodeText splitMultiCode(std::string_view expanded);

// The dump's rules one step at a time, for writers that need to know what
// each step stands for.
enum class DumpItemKind { Dual, Code, MultiCode, Pair, Single, LineBreak, End, NoEntry, Long };
struct DumpItem {
    DumpItemKind kind = DumpItemKind::NoEntry;
    int advance = 1;             // bytes the step covers
    bool dynamic = false;        // its text holds the offset ("%OFFSET")
    std::string_view text;       // as the dump writes it, CR LF line ends
};
class DumpSteps {
public:
    DumpSteps(const TableData& table, const DumpInfo& info);
    ~DumpSteps();
    DumpSteps(const DumpSteps&) = delete;
    DumpSteps& operator=(const DumpSteps&) = delete;
    // The step at `pos` of `range` (pos < range.size()); a dynamic text is
    // rendered into `scratch`. Entries of three and four bytes come first,
    // as the dump reads them (kind Long).
    DumpItem at(std::span<const uint8_t> range, size_t pos, std::string& scratch) const;
    // Whether at() gives the same step at byte `b` whatever bytes follow it
    // (no dual, pair, longer entry or code with parameters begins with it).
    bool alone(uint8_t b) const;
    // Whether at() gives the step at byte `b`, when a byte follows, by that
    // byte alone (no code with parameters or longer entry begins with it).
    bool byNext(uint8_t b) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace hexedit::transfer
