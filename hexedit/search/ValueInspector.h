#pragma once
// The value inspector: the bytes at the cursor read as 8- to 32-bit numbers
// in both byte orders, the byte in binary, and the little-endian 16- and
// 24-bit values read as LoROM and HiROM pointers with the file offset they
// reach. A panel beside the view shows it while Option > "View Value
// Inspector" is checked; a double click on a pointer row follows it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hexedit/core/EditSession.h"

namespace hexedit::search {

// A cell whose value needs bytes past the end of the file.
inline constexpr char kUnavailable[] = "n/a";
// A pointer the mapping refuses or that reaches at or past the end of the file.
inline constexpr char kOutsideFile[] = "outside the file";

enum class InspectorRowKind { Binary, Number, Pointer };

struct InspectorRow {
    InspectorRowKind kind = InspectorRowKind::Number;
    std::string label;
    // Number rows: upper-case hex padded to the width, unsigned and signed
    // decimal. Binary row: the 8 digits in `hex`. Pointer rows: the SNES
    // address "$BB:AAAA" in `hex` and the offset reached (8 hex digits, or
    // kOutsideFile) in `unsignedText`.
    std::string hex;
    std::string unsignedText;
    std::string signedText;
    // Pointer rows reaching into the file: where a double click goes.
    std::optional<int32_t> target;
    bool operator==(const InspectorRow&) const = default;
};

// A 512-byte copier header precedes the image: the size leaves 200h over
// whole 32 KiB units.
inline bool hasCopierHeader(int64_t fileSize) { return fileSize % 0x8000 == 0x200; }

// The rows for the bytes of `file` (the file only, not the buffer's zero
// tail) from `cursor`, in display order: "Binary", "8-bit", 16/24/32-bit LE
// and BE, then the LoROM and HiROM 16-bit and 24-bit pointers.
std::vector<InspectorRow> inspectBytes(std::span<const uint8_t> file, int32_t cursor, bool header);

// The panel showing the rows.
class ValueInspectorView {
public:
    virtual ~ValueInspectorView() = default;
    // Shows or hides the panel; while shown it reads rows() itself.
    virtual void showPanel(bool shown) = 0;
    // The bytes or the cursor changed: the rows may have.
    virtual void rowsChanged() {}
};

class ValueInspector {
public:
    // `shown` is the settings' flag, kept in the settings file.
    ValueInspector(EditSession& session, bool& shown);
    ValueInspector(const ValueInspector&) = delete;
    ValueInspector& operator=(const ValueInspector&) = delete;

    void setView(ValueInspectorView* v) { view_ = v; }
    bool shown() const { return shown_; }

    void ViewValueInspector1Click();
    // The panel was closed with its own button.
    void closed();
    // The rows at the cursor now.
    std::vector<InspectorRow> rows();
    // Double click on a row: a pointer row with a target moves the cursor
    // there, pushing the old place onto the return offsets.
    void activate(int row);

private:
    EditSession& session_;
    bool& shown_;
    ValueInspectorView* view_ = nullptr;
    Subscription documentEvents_;
};

}  // namespace hexedit::search
