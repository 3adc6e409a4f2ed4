#pragma once
// Table file parser. A table file is text read in lines of at most 254
// bytes; each line is an entry of one to four code bytes ("XX=text",
// "XXXX=text", "XXXXXX=text", "XXXXXXXX=text"), an end or line-break code
// ("*XX", "\XX", "/XX"), a bookmark "(OFFSETh)label", a dump bookmark
// "[SSSSSSSS-EEEEEEEE]label", a directive (".code", ".dual", ".multicode",
// ".nontbl", ".startdump", ".enddump") or ignored.
//
// A file that starts with the UTF-8 byte-order mark, or that is valid UTF-8
// holding at least one multi-byte sequence, is a UTF-8 table: its lines are
// never cut inside a character, and a line that is not valid UTF-8 is
// skipped. Every other file is read byte for byte as before (Windows-1252,
// or Shift-JIS under the Japanese mark).

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/TableData.h"

namespace hexedit {

inline constexpr size_t kMaxTableLine = 254;
inline constexpr size_t kMaxDumpSpecText = 8191;

enum class TableLoadStatus { Ok, CannotOpen, OutOfMemory };

// How the texts of a table file are encoded; `bom` tells whether it starts
// with the UTF-8 byte-order mark.
TableEncoding detectTableEncoding(std::string_view content, bool* bom = nullptr);

// Empties the bookmarks, clears the table data and reads `content` into it.
// Never fails on malformed input: lines that fit no rule are skipped.
void parseTableText(TableData& table, std::string_view content);

// For each line of a table file, whether it is an entry as the loader reads
// it. Directives, their continuation lines (whatever they hold), codes,
// bookmarks and comments are not.
std::vector<bool> tableEntryLines(std::span<const std::string> lines);

// What `romtoolset table check` reports of a table file.
struct TableLineNote {
    size_t line = 0;  // of the file, from 1
    std::string text;  // the line as read (the file's encoding)
    std::string note;  // why it was skipped, or what it shadows
};
struct TableCheck {
    TableEncoding encoding = TableEncoding::Legacy;
    bool bom = false;
    std::array<size_t, 4> entries{};  // entries in effect, by code length 1 to 4
    std::vector<TableLineNote> skipped;
    // Entries that shadow one another: a code defined again, a text another
    // code has (the encoder writes only the shorter, then lower code), and a
    // code that begins a longer one (decoded only where the longer one's
    // other bytes do not follow).
    std::vector<TableLineNote> shadows;
};
// Reads `content` as parseTableText does and tells every line it skipped
// (lines that are empty, comments starting with "#", ";" or "//", and
// continuation lines of the dump directives excepted) and every shadowing.
// Texts in notes are the file's own bytes.
TableCheck checkTableText(std::string_view content);

// Reads the file at `path` through parseTableText. When it cannot be read
// the table stays cleared; when memory runs out it is cleared again.
TableLoadStatus loadTableFile(TableData& table, const std::string& path);

// The companion table of a file: the file name's extension replaced with
// "tbl", or "tbl" appended when the name has no '.'.
std::string companionTablePath(const std::string& path);

}  // namespace hexedit
