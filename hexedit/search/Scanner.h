#pragma once
// The byte scanner behind every search: a pattern compiled once, then a
// vectorised filter on two anchor bytes and an exact check of each candidate.
// Wildcards and case folding only change what the anchors compare against, so
// they cost about as little as a plain search.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hexedit::search {

inline constexpr uint8_t kWildcardByte = 0x2A;
inline constexpr size_t kNoMatch = static_cast<size_t>(-1);

// Folds a-z to A-Z and leaves every other byte alone.
constexpr uint8_t foldUpper(uint8_t b) { return (b >= 'a' && b <= 'z') ? static_cast<uint8_t>(b - 0x20) : b; }

// The widest vectors the scans may use, so that tests reach the narrower
// loops too on machines that have wider ones. Process-wide.
enum class VectorWidth { Bytes16, Bytes32, Widest };
void limitVectorWidth(VectorWidth width);

struct MatchRules {
    bool ignoreCase = false;  // compare after folding both sides to upper case
    bool wildcards = false;   // a pattern byte 0x2A matches any byte
};

class Matcher {
public:
    Matcher(std::span<const uint8_t> pattern, MatchRules rules);

    size_t length() const { return pattern_.size(); }
    // True when the pattern matches at `offset` (offset + length() <= data.size()).
    bool matchesAt(const uint8_t* at) const;

    // The first offset in [from, last] where the pattern matches, last being
    // min(limit, data.size() - length()); kNoMatch when there is none. An
    // empty pattern matches nothing.
    size_t find(std::span<const uint8_t> data, size_t from, size_t limit = kNoMatch) const;

private:
    friend struct MatcherKernels;
    std::vector<uint8_t> pattern_;  // folded when ignoring case
    std::vector<uint8_t> wild_;     // 1 where any byte matches
    std::array<uint8_t, 256> fold_{};
    bool plain_ = true;      // no wildcard and no folding: a byte compare
    bool allWild_ = false;   // every position matches anything
    size_t anchorA_ = 0, anchorB_ = 0;
    uint8_t valueA_ = 0, valueB_ = 0;  // anchor bytes, OR-ed with orA_/orB_
    uint8_t orA_ = 0, orB_ = 0;        // 0x20 for a folded letter, else 0
};

// Finds, without trying the 256 first bytes one by one, every offset in
// [from, last] at which some first byte v makes the pattern v, v + d[1], ...,
// v + d[L-1] (mod 256) match under `rules`; `distances` holds d[0] = 0 ..
// d[L-1]. The hits of one v come in ascending offset order (different v may
// interleave). A pattern byte that comes out as 0x2A is a wildcard for that v
// only, as in a scan of that one pattern.
class RelativeScanner {
public:
    RelativeScanner(std::span<const uint8_t> distances, MatchRules rules);
    size_t length() const { return dist_.size(); }

    // Scans candidates [from, min(limit, data.size() - length())], calling
    // hit(offset, v) for each hit.
    template <class F>
    void scan(std::span<const uint8_t> data, size_t from, size_t limit, F&& hit) const;

private:
    friend struct MatcherKernels;
    bool valueMatches(const uint8_t* at, uint8_t v) const;
    // The first bytes v without a wildcard in their pattern that match at
    // `at`, ascending; at most two (a letter and its other case).
    int plainValuesAt(const uint8_t* at, uint8_t out[2]) const;
    // Some v without a wildcard matches at `at`.
    bool candidateAt(const uint8_t* at) const;
    // The next offset in [o, last] passing the vectorised filter and the
    // exact check. The filter: at the probed positions k, at[k] - d[k] equals
    // at[0] (folding case: is congruent to it modulo 32, as a letter's two
    // cases differ by 32).
    size_t findCandidate(const uint8_t* base, size_t o, size_t last, size_t readable) const;

    std::vector<uint8_t> dist_;
    MatchRules rules_;
    std::array<bool, 256> wildValue_{};  // v for which some pattern byte is 0x2A
    // Positions the filter probes (repeated when the pattern is short):
    // two exact tests pass 1 offset in 65536, three modulo 32 tests 1 in 32768.
    std::array<size_t, 3> probe_{};
};

template <class F>
void RelativeScanner::scan(std::span<const uint8_t> data, size_t from, size_t limit, F&& hit) const {
    const size_t len = dist_.size();
    if (len == 0 || data.size() < len) return;
    const size_t readable = data.size() - len;
    const size_t last = std::min(limit, readable);
    if (from > last) return;
    const uint8_t* base = data.data();
    // The v whose pattern has no wildcard byte: one pass, filtered by the
    // differences of neighbouring bytes, which do not depend on v.
    uint8_t values[2];
    for (size_t o = from;;) {
        o = findCandidate(base, o, last, readable);
        if (o == kNoMatch) break;
        const int n = plainValuesAt(base + o, values);
        for (int i = 0; i < n; ++i) hit(static_cast<uint32_t>(o), values[i]);
        if (o == last) break;
        ++o;
    }
    if (!rules_.wildcards) return;
    // At most one v per pattern position makes a wildcard byte: scan those
    // patterns one by one.
    for (int v = 0; v < 256; ++v) {
        if (!wildValue_[v]) continue;
        std::vector<uint8_t> pattern(len);
        for (size_t k = 0; k < len; ++k) pattern[k] = static_cast<uint8_t>(v + dist_[k]);
        Matcher m(pattern, rules_);
        for (size_t p = from;;) {
            p = m.find(data, p, last);
            if (p == kNoMatch) break;
            hit(static_cast<uint32_t>(p), static_cast<uint8_t>(v));
            if (p == last) break;
            ++p;
        }
    }
}

}  // namespace hexedit::search
