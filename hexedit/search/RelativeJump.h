#pragma once
// The relative jump: reads a value stored at the cursor, adjusts it,
// converts it from a SNES address and moves the cursor where it points,
// pushing the old place onto the return offsets. Its settings window is
// TRelForm, shown without modality.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "hexedit/core/EditSession.h"

namespace hexedit::search {

inline constexpr char kBadAdjustment[] = "Error: The adjustment is not a valid number!";
inline constexpr char kValuePastBuffer[] = "Error: The value at the cursor reaches past the end of the buffer!";
inline constexpr size_t kAdjustmentLimit = 10;

enum JumpMappings { NormalValue = 0, HiRomValue = 1, LoRomValue = 2 };

struct RelativeJumpSettings {
    int JumpSize = 0;      // 0..3: 1 to 4 bytes
    int JumpUnsigned = 0;  // 0 signed, 1 unsigned
    int JumpMapping = NormalValue;
    std::string adjustment;  // the HDR box
    bool addRel = true;      // "Add Value to Current Position", else absolute
};

// The adjustment box: "$" and hex digits after the first character, read
// as 32 bits (signed for a signed jump), or a decimal number with an
// optional minus sign; empty is 0. Nothing when it does not read.
std::optional<int64_t> parseAdjustment(std::string_view text, bool isSigned);

enum class JumpError { ValuePastBuffer, BadAdjustment, OutsideBuffer };

// The target of a jump from `cursor` over `buffer`, or why there is none.
std::variant<int32_t, JumpError> jumpTarget(const RelativeJumpSettings& s, std::span<const uint8_t> buffer,
                                            int32_t cursor);

// The form showing the settings.
class RelativeJumpView {
public:
    virtual ~RelativeJumpView() = default;
    virtual void showWindow() = 0;  // without modality; brings it up
    virtual void closeWindow() = 0;
};

class RelativeJump {
public:
    explicit RelativeJump(EditSession& session) : session_(session) {}
    void setView(RelativeJumpView* v) { view_ = v; }

    RelativeJumpSettings settings;

    void RelativeJumpSettings1Click();
    void ExecuteRelativeJump1Click();
    void setAdjustment(std::string_view text);
    // Escape or the window's button.
    void close();

private:
    EditSession& session_;
    RelativeJumpView* view_ = nullptr;
};

}  // namespace hexedit::search
