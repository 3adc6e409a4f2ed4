#include "compress/testing/SampleData.h"

#include <algorithm>
#include <array>
#include <random>

namespace vt2comp::sample {

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(n);
    for (auto& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

std::vector<uint8_t> tileLikeData(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](size_t count) { return static_cast<size_t>(rng() % count); };

    // Row patterns: one row of an 8-pixel-wide tile in each of 4 bitplanes.
    std::vector<std::array<uint8_t, 4>> rows(24);
    rows[0] = {0, 0, 0, 0};
    for (size_t r = 1; r < rows.size(); ++r) {
        uint8_t shape = static_cast<uint8_t>(rng());
        for (auto& plane : rows[r]) plane = (rng() % 3 == 0) ? 0 : static_cast<uint8_t>(shape & rng());
    }
    // Planar 4bpp: rows 0-7 of planes 0/1 interleaved, then of planes 2/3.
    auto makeTile = [&](std::array<uint8_t, 32>& tile) {
        for (int y = 0; y < 8; ++y) {
            const auto& row = rows[pick(3) == 0 ? 0 : pick(rows.size())];
            tile[size_t(y) * 2] = row[0];
            tile[size_t(y) * 2 + 1] = row[1];
            tile[16 + size_t(y) * 2] = row[2];
            tile[16 + size_t(y) * 2 + 1] = row[3];
        }
    };
    std::vector<std::array<uint8_t, 32>> set(48);
    for (auto& t : set) makeTile(t);
    set[0].fill(0);

    std::vector<uint8_t> out;
    out.reserve(n + 32);
    while (out.size() < n) {
        std::array<uint8_t, 32> tile;
        const size_t kind = pick(10);
        if (kind < 2) tile.fill(0);
        else if (kind < 4 && out.size() >= 32) {
            // A repeat of one of the last 16 tiles.
            const size_t back = 32 * (1 + pick(std::min<size_t>(16, out.size() / 32)));
            std::copy_n(out.end() - static_cast<std::ptrdiff_t>(back), 32, tile.begin());
        } else if (kind < 8) tile = set[pick(set.size())];
        else makeTile(tile);
        if (pick(4) == 0) tile[pick(32)] ^= static_cast<uint8_t>(1u << pick(8));
        out.insert(out.end(), tile.begin(), tile.end());
    }
    out.resize(n);
    return out;
}

std::vector<uint8_t> structuredBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](size_t count) { return static_cast<size_t>(rng() % count); };
    std::vector<uint8_t> out;
    out.reserve(n + 600);
    const uint8_t alphabet = static_cast<uint8_t>(1 + pick(4) * pick(64));  // sometimes tiny alphabets
    auto symbol = [&]() { return static_cast<uint8_t>(alphabet > 1 ? rng() % alphabet : 0); };
    while (out.size() < n) {
        const size_t len = 1 + pick(pick(4) == 0 ? 400 : 40);
        switch (pick(6)) {
            case 0: out.insert(out.end(), len, symbol()); break;  // run
            case 1: {  // repeat at a short distance, overlapping itself
                const size_t dist = 1 + pick(std::min<size_t>(300, out.size() + 1));
                for (size_t k = 0; k < len; ++k)
                    out.push_back(out.size() >= dist ? out[out.size() - dist] : 0);
                break;
            }
            case 2: {  // continue what lies 256 bytes back, then drift
                for (size_t k = 0; k < len; ++k) {
                    uint8_t b = out.size() >= 256 ? out[out.size() - 256] : 0;
                    if (pick(16) == 0) b = symbol();
                    out.push_back(b);
                }
                break;
            }
            case 3: {  // a short pattern repeated
                const size_t period = 1 + pick(12);
                std::vector<uint8_t> pat(period);
                for (auto& b : pat) b = symbol();
                for (size_t k = 0; k < len; ++k) out.push_back(pat[k % period]);
                break;
            }
            default:
                for (size_t k = 0; k < len; ++k) out.push_back(symbol());
        }
    }
    out.resize(n);
    return out;
}

}  // namespace vt2comp::sample
