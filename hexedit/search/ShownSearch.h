#pragma once
// The text search through the table as the view shows it: every place whose
// bytes the text column shows as the typed text, whatever mix of single
// bytes, pairs and longer entries encodes it.
//
// At each place the bytes are decoded as the view decodes them (the longest
// code first), entry by entry, and the texts must spell the typed text
// exactly, beginning and ending with an entry. Bytes without an entry,
// markers and entries with an empty text never match. A wildcard ("*" with
// wildcards on) matches any one byte; case folding compares a-z as A-Z.
//
// All encodings are searched at once: the entries whose texts can begin the
// text give the bytes a match can start with and the bytes that can follow
// them. A vectorised filter passes only the offsets whose first byte is one
// of the first and whose second byte is one of the second, 64 offsets at a
// time (with AVX-512 VBMI by exact bitmaps; else each class compared
// directly when it has at most three members, or tested by nibble tables);
// an exact set of the first two bytes (8 KB) drops most of what it passes.
// The rest are decoded entry by entry, each place first checked against the
// codes of the entries that spell the text from there, so that the table is
// asked only where one of them begins.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/TableData.h"
#include "hexedit/search/Scanner.h"

namespace hexedit::search {

// A set of byte values, with the two 16-byte nibble tables that test it
// (lo[b & 15] & hi[b >> 4] != 0) for at least its members, and its members
// themselves when there are at most three (compared one by one).
struct ByteClass {
    std::array<bool, 256> member{};
    std::array<uint8_t, 16> lo{}, hi{};
    // Bit b & 7 of byte b >> 3 for each member, twice over: the vector
    // lookup of b >> 3 may carry a stray 32 in from the next byte.
    std::array<uint8_t, 64> bitmap{};
    std::array<uint8_t, 3> few{};  // the members repeated when fewer than three
    int fewCount = 0;              // members in `few`, 0 when more than three
    bool all = false;  // every byte is a member: no test needed
    size_t count() const;
    // Builds the nibble tables: exact for up to eight distinct sets of low
    // nibbles, a superset beyond.
    void finish();
};

// The loops find() uses: the best the processor has (AVX-512 VBMI, else
// AVX2, else SSSE3, else plain C++), or for tests a lesser one.
enum class ShownKernel { Best, Avx2, Ssse3, Scalar };
void setShownKernel(ShownKernel kernel);

class ShownMatcher {
public:
    // `text` in the table's encoding; the table must outlive the matcher
    // and stay unchanged while it is used.
    ShownMatcher(const TableData& table, std::string_view text, MatchRules rules);

    // No place can match (empty text, or no entry begins it).
    bool impossible() const { return impossible_; }

    // Bytes of the match at `at`, 0 when there is none.
    size_t matchAt(std::span<const uint8_t> data, size_t at) const;

    // The first offset in [from, min(limit, data.size() - 1)] where a match
    // begins, its length in `length`; kNoMatch when there is none.
    size_t find(std::span<const uint8_t> data, size_t from, size_t limit, size_t& length) const;

    const ByteClass& firstBytes() const { return first_; }
    const ByteClass& secondBytes() const { return second_; }

private:
    // The codes of the entries that spell the text from one of its positions.
    struct Spelling {
        std::array<bool, 256> single{};
        std::array<std::vector<uint32_t>, 3> longer;  // of two, three and four bytes, sorted
    };
    // Some code of `s` begins at data[q]: the view's entry there may spell
    // the text; when none does, it cannot.
    static bool mayStartEntry(const Spelling& s, std::span<const uint8_t> data, size_t q);

    const TableData& table_;
    std::string text_;           // folded when ignoring case
    std::vector<uint8_t> wild_;  // 1 where any byte matches
    std::array<uint8_t, 256> fold_{};
    ByteClass first_, second_;
    std::vector<uint64_t> firstTwo_;  // 65536 bits: the first two bytes a match can have
    std::vector<Spelling> spelling_;  // by position in the text
    bool impossible_ = false;

    bool firstTwoAllowed(const uint8_t* at) const {
        const size_t k = size_t{at[0]} << 8 | at[1];
        return (firstTwo_[k >> 6] >> (k & 63)) & 1;
    }
};

}  // namespace hexedit::search
