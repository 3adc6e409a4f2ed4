#pragma once
// Length of the common prefix of two byte runs, eight bytes at a time; the
// patch writers spend most of their time here.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace hexedit::romtools {

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Number of equal bytes at the start of a and b, at most `limit`.
inline size_t matchLength(const uint8_t* a, const uint8_t* b, size_t limit) {
    size_t n = 0;
    while (n + 8 <= limit) {
        const uint64_t x = load64(a + n) ^ load64(b + n);
        if (x != 0) return n + static_cast<size_t>(std::countr_zero(x) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

}  // namespace hexedit::romtools
