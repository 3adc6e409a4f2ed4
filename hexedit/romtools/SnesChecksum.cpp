#include "hexedit/romtools/SnesChecksum.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hexedit::romtools {

namespace {

constexpr std::array<uint32_t, 4> kBases = {0x7FC0, 0x81C0, 0xFFC0, 0x101C0};

uint16_t word(std::span<const uint8_t> d, size_t at) {
    return static_cast<uint16_t>(d[at] | (d[at + 1] << 8));
}

}  // namespace

uint64_t byteSum(std::span<const uint8_t> bytes) {
    const uint8_t* p = bytes.data();
    size_t n = bytes.size();
    uint64_t sum = 0;
#if defined(__SSE2__)
    // Sums of absolute differences against zero add 16 bytes at a time into
    // two 64-bit lanes.
    __m128i acc = _mm_setzero_si128();
    const __m128i zero = _mm_setzero_si128();
    while (n >= 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
        acc = _mm_add_epi64(acc, _mm_add_epi64(_mm_add_epi64(_mm_sad_epu8(a, zero), _mm_sad_epu8(b, zero)),
                                               _mm_add_epi64(_mm_sad_epu8(c, zero), _mm_sad_epu8(d, zero))));
        p += 64;
        n -= 64;
    }
    alignas(16) uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    sum = lanes[0] + lanes[1];
#endif
    for (size_t i = 0; i < n; ++i) sum += p[i];
    return sum;
}

std::optional<SnesHeader> locateSnesHeader(std::span<const uint8_t> image) {
    if (image.size() < kChecksumMinSize) return std::nullopt;
    for (int i = 0; i < static_cast<int>(kBases.size()); ++i) {
        const uint32_t base = kBases[static_cast<size_t>(i)];
        const uint16_t complement = word(image, base + kComplementAt);
        const uint16_t checksum = word(image, base + kChecksumAt);
        if ((complement | checksum) == 0xFFFF && checksum != 0xFFFF)
            return SnesHeader{i, base, (i & 1) ? 0x200u : 0u, checksum, complement};
    }
    return std::nullopt;
}

uint16_t snesChecksum(std::span<const uint8_t> image, uint32_t copier, const PassedBytes& passed) {
    if (image.size() <= copier) return 0;
    const auto rom = image.subspan(copier);
    size_t p = 1;
    while (p * 2 <= rom.size()) p *= 2;
    const size_t r = rom.size() - p;
    constexpr size_t kStep = size_t{8} << 20;
    auto sumOf = [&](size_t from, size_t n) {
        uint64_t s = 0;
        for (size_t at = from; at < from + n; at += kStep) {
            const size_t k = std::min(kStep, from + n - at);
            s += byteSum(rom.subspan(at, k));
            if (passed) passed(copier + at, k);
        }
        return s;
    };
    uint64_t sum = sumOf(0, p);
    const uint64_t rest = sumOf(p, r);
    if (rest != 0) sum += (p / r) * rest;
    return static_cast<uint16_t>(sum & 0xFFFF);
}

ChecksumFinding examineSnesChecksum(std::span<const uint8_t> image, const PassedBytes& passed) {
    ChecksumFinding f;
    if (image.size() >= 3 && std::memcmp(image.data(), "NES", 3) == 0) {
        f.refusal = "This is a NES rom. It is\n NOT supported!";
    } else if (image.size() < kChecksumMinSize) {
        f.refusal = "The ROM file is too small to fix! ";
    } else if (const auto header = locateSnesHeader(image)) {
        f.header = *header;
        f.checksum = snesChecksum(image, header->copier, passed);
    } else {
        f.refusal = "Could not locate CHECKSUM!";
    }
    return f;
}

std::string checksumFigures(const ChecksumFinding& f) {
    char text[160];
    std::snprintf(text, sizeof text, " ROM CheckSum  : %04X\n ROM Compliment: %04X\n\n NEW CheckSum  : %04X\n NEW Compliment: %04X",
                  f.header.checksum, f.header.complement, f.checksum, f.complement());
    return text;
}

}  // namespace hexedit::romtools
