#pragma once
// Scripts with pointers: the strings a pointer table points to, dumped as a
// text file a translator edits, and that file inserted back: each string
// encoded through the table, placed into the script's free space and every
// pointer rewritten.
//
// Script file (UTF-8, CR LF or LF line ends; numbers hexadecimal):
//   # comment lines begin with "#" anywhere
//   table demo.tbl                       the table file, beside the script
//   pointers 7F00,5,16,lorom,1           OFFSET,COUNT,WIDTH,MAP[,BANK] [big-endian]
//   space 8000-80A4                      a region strings may use, end included
//   @0,3 8000 26                         pointers of one string; where it was, its size
//   text lines...                        every line break belongs to the string
// The text is written as the text dump writes it (control codes, line
// breaks, <END>); "<$XX>" stands for raw bytes (any number of hex pairs).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/progress.h"
#include "hexedit/core/EditBuffer.h"
#include "hexedit/core/TableData.h"

namespace hexedit::transfer {

enum class PointerMap { Linear, LoRom, HiRom };

// Where the pointers are and how each one reads.
struct PointerTable {
    int64_t offset = 0;
    uint32_t count = 0;
    int width = 16;  // bits: 16, 24 or 32
    PointerMap map = PointerMap::Linear;
    // For 16-bit pointers: the bank (LoROM, HiROM) or the base offset added
    // to them (linear).
    uint32_t bank = 0;
    bool bigEndian = false;
    bool operator==(const PointerTable&) const = default;
};

inline constexpr uint32_t kMaxPointers = 0x100000;
inline constexpr size_t kMaxScriptBytes = size_t{64} << 20;
inline constexpr size_t kMaxStringBytes = 0x10000;

// "OFFSET,COUNT,WIDTH,MAP[,BANK]": hexadecimal numbers, WIDTH 16, 24 or 32,
// MAP linear, lorom or hirom. Nothing, with `error` set, when it does not parse.
std::optional<PointerTable> parsePointerTable(std::string_view text, std::string& error);
std::string pointerTableText(const PointerTable& p);

// The file offset a pointer value stands for; nothing outside the mapping.
std::optional<int64_t> pointerTarget(const PointerTable& p, uint32_t value);
// The value that makes a pointer point to `offset`, keeping the bits of
// `old` that the mapping ignores (fast-ROM and mirror bank bits); nothing
// when the pointer cannot reach the offset (outside its bank, too wide).
std::optional<uint32_t> pointerValue(const PointerTable& p, int64_t offset, uint32_t old);
uint32_t readPointer(const PointerTable& p, std::span<const uint8_t> file, uint32_t index);

// A region [start, end) of the file.
struct Region {
    int64_t start = 0;
    int64_t end = 0;
    bool operator==(const Region&) const = default;
};

struct ScriptEntry {
    std::vector<uint32_t> pointers;
    std::optional<Region> original;  // where the string was, when known
    std::string text;                // line breaks as '\n'
    int line = 0;                    // the "@" line
    std::vector<int> textLines;      // script line of each line of `text`
};

struct Script {
    std::string tablePath;
    PointerTable pointers;
    std::vector<Region> space;
    std::vector<ScriptEntry> entries;
    int pointersLine = 0;
    std::vector<int> spaceLines;  // the line of each region
};

// ---- dump ----

struct DumpRequest {
    PointerTable pointers;
    std::vector<Region> extraSpace;  // free space added to the strings' own
    std::string tablePath;           // as written into the header
    std::string fileName;            // named in the first comment
};

// The script of the strings the pointers point to. Nothing, with `error`
// set, when the pointer table does not lie in the file or `progress` answers
// false (then `error` stays empty).
std::optional<std::string> dumpScript(const TableData& table, std::span<const uint8_t> file, const DumpRequest& request,
                                      std::string& error, const common::Progress& progress = {});

namespace detail {
// The text dumpScript writes for the string at the start of `from` and its
// size in bytes: from the one-pass writer when `quick` (nothing when it
// declines the string), else settled piece by piece.
std::optional<std::pair<std::string, size_t>> stringText(const TableData& table, std::span<const uint8_t> from, bool quick);
}  // namespace detail

// ---- reading ----

struct ScriptError {
    int line = 0;
    int column = 0;  // characters, from 1
    std::string text;
};
// "line L, column C: text"
std::string errorText(const ScriptError& e);

// Reads a script; every error found is listed.
std::optional<Script> readScript(std::string_view text, std::vector<ScriptError>& errors);

// ---- insert ----

struct RegionUse {
    Region region;
    int64_t used = 0;
};
struct PlacedString {
    size_t entry = 0;
    int64_t offset = 0;
    int64_t size = 0;
};

// Move only: the records point into `data`.
struct InsertPlan {
    InsertPlan() = default;
    InsertPlan(InsertPlan&&) = default;
    InsertPlan& operator=(InsertPlan&&) = default;
    InsertPlan(const InsertPlan&) = delete;
    InsertPlan& operator=(const InsertPlan&) = delete;

    std::vector<ScriptError> errors;       // nothing is written when any
    std::vector<PlacedString> placed;      // in script order
    std::vector<RegionUse> regions;
    std::vector<std::vector<uint8_t>> data;  // what the records point into
    std::vector<EditRecord> records;       // strings, fill, then pointers
    bool ok() const { return errors.empty(); }
};

// Encodes, places and points every string of `script` into `file`; freed
// space gets `fill` when given. Nothing is written; the plan holds the
// records that do it. Nothing when `progress` answers false.
std::optional<InsertPlan> planInsert(const TableData& table, const Script& script, std::span<const uint8_t> file,
                                     std::optional<uint8_t> fill, const common::Progress& progress = {});
// Writes the plan's records into `file` (they never reach past its end).
void applyPlan(std::vector<uint8_t>& file, const InsertPlan& plan);
// The table file a script names: a relative name is taken from the
// script's folder.
std::string scriptTablePath(const std::string& scriptPath, const Script& script);
// The table name to write into a script at `scriptPath`: relative to its
// folder when the table lies beside it or below.
std::string tableNameFor(const std::string& scriptPath, const std::string& tablePath);

// Strings placed, bytes used and free per region, the largest strings.
std::string insertReport(const Script& script, const InsertPlan& plan);

// The bytes of `text` through the table as insert reads them, or the errors
// (lines counted from 1).
std::optional<std::vector<uint8_t>> encodeScriptText(const TableData& table, std::string_view text,
                                                     std::vector<ScriptError>& errors);

}  // namespace hexedit::transfer
