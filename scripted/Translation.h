#pragma once
// Translation files (one plain text file per script block, one section per
// string) and the encoding of a section into the game's byte stream.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scripted {

inline constexpr size_t kTranslationBufferSize = 131072;

// The text of a new translation file for a block of `count` strings, with
// "\n" line ends (CR LF is added when the file is written).
std::string newTranslationText(unsigned count);

// Where ".STRING <index>" was found: the byte offset of the match and its
// line number (from 0).
struct SectionMatch {
    size_t offset = 0;
    size_t line = 0;
};

// Searches `text` from byte offset `from` to its end for ".STRING <index>",
// ignoring letter case; the match may be part of a longer word.
std::optional<SectionMatch> findSection(std::string_view text, size_t from, int index);

// Encodes the section whose ".STRING" line is line `line` of `text`. Always
// ends with 0xFF 0xFF and never exceeds kTranslationBufferSize bytes: a
// section without ".ENDS" ends with the text, an empty one is only the end
// mark, and lines of any length are encoded whole.
std::vector<uint8_t> encodeSection(std::string_view text, size_t line);

// Line ends: the editor works with "\n"; files are written with CR LF.
std::string toFileText(std::string_view editorText);
std::string fromFileText(std::string_view fileText);

// The text editor window shows one character per byte, so that positions
// are byte offsets: byte b as U+00bb, except CR, which the window would
// take for a line break, shown as U+240D. Back from the window's text, line
// and paragraph separators (U+2028, U+2029) are "\n", U+240D is CR, and
// any other character above U+00FF, which no byte is, is '?'.
std::u16string toEditorChars(std::string_view text);
std::string fromEditorChars(std::u16string_view chars);

}  // namespace scripted
