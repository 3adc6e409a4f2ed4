#pragma once
// Deterministic sample inputs for the codec's tests and benchmark.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vt2comp::sample {

// Uniformly random bytes.
std::vector<uint8_t> randomBytes(size_t n, uint32_t seed);

// 4 bits per pixel planar 8x8 tiles (32 bytes each) as a game keeps them:
// blank tiles, tiles drawn from a few row patterns, tiles repeated near and
// far, some with a few pixels changed.
std::vector<uint8_t> tileLikeData(size_t n, uint32_t seed);

// Inputs made to stress the match search: long runs, patterns repeated at
// short distances (1 to 300 bytes), runs that continue what the window held
// 256 bytes earlier, and random stretches between them.
std::vector<uint8_t> structuredBytes(size_t n, uint32_t seed);

}  // namespace vt2comp::sample
