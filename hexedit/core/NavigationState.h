#pragma once
// Offsets the cursor can return to, pushed by relative jumps and taken back
// by "Return to Last Offset". Kept for the whole run of the program.

#include <array>
#include <cstdint>

namespace hexedit {

inline constexpr int32_t kMaxReturnOffsets = 64;

struct NavigationState {
    std::array<int32_t, kMaxReturnOffsets> ReturnStack{};
    int32_t ReturnCount = 0;
};

}  // namespace hexedit
