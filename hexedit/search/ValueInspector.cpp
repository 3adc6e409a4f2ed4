#include "hexedit/search/ValueInspector.h"

#include <cstdio>

#include "hexedit/romtools/SnesAddress.h"
#include "hexedit/search/Goto.h"

namespace hexedit::search {

namespace {

using romtools::ConvertMode;

std::string hexText(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

InspectorRow unavailable(InspectorRowKind kind, const char* label) {
    const bool number = kind == InspectorRowKind::Number;
    return {kind, label, kUnavailable, kind == InspectorRowKind::Binary ? "" : kUnavailable,
            number ? kUnavailable : "", std::nullopt};
}

InspectorRow number(const char* label, uint32_t value, int bytes) {
    const int bits = 8 * bytes;
    int64_t s = value;
    if (value & (uint32_t{1} << (bits - 1))) s -= int64_t{1} << bits;
    return {InspectorRowKind::Number, label, hexText(value, 2 * bytes), std::to_string(value), std::to_string(s),
            std::nullopt};
}

// The pointer row for a SNES `address` mapped by `mode`. HiROM addresses
// map as Goto maps them (bits 22 and 23 dropped, so the banks 00-3F, 40-7D
// and 80-BF mirror C0-FF), past the copier header when there is one.
InspectorRow pointer(const char* label, ConvertMode mode, uint32_t address, bool header, size_t fileSize) {
    char text[16];
    std::snprintf(text, sizeof text, "$%02X:%04X", (address >> 16) & 0xFF, address & 0xFFFF);
    InspectorRow row{InspectorRowKind::Pointer, label, text, kOutsideFile, "", std::nullopt};
    std::optional<int64_t> offset;
    if (mode == ConvertMode::HiRom) {
        offset = SnesToOffset(address, snHIROM).value_or(0) + (header ? 0x200 : 0);
    } else {
        const bool bank80 = address >= 0x800000;
        if (const auto c = romtools::snesToOffset(mode, address, {header, bank80}); c.ok()) offset = c.value;
    }
    if (offset && *offset < static_cast<int64_t>(fileSize)) {
        row.unsignedText = hexText(static_cast<uint32_t>(*offset), 8);
        row.target = static_cast<int32_t>(*offset);
    }
    return row;
}

}  // namespace

std::vector<InspectorRow> inspectBytes(std::span<const uint8_t> file, int32_t cursor, bool header) {
    // Bytes of the file from the cursor, at most four.
    const size_t at = cursor < 0 ? file.size() : static_cast<size_t>(cursor);
    const size_t left = at < file.size() ? std::min<size_t>(file.size() - at, 4) : 0;
    auto le = [&](int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= uint32_t{file[at + static_cast<size_t>(i)]} << (8 * i);
        return v;
    };
    auto be = [&](int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | file[at + static_cast<size_t>(i)];
        return v;
    };

    std::vector<InspectorRow> rows;
    rows.reserve(12);
    if (left >= 1) {
        std::string bits;
        for (int b = 7; b >= 0; --b) bits.push_back((file[at] >> b) & 1 ? '1' : '0');
        rows.push_back({InspectorRowKind::Binary, "Binary", bits, "", "", std::nullopt});
        rows.push_back(number("8-bit", file[at], 1));
    } else {
        rows.push_back(unavailable(InspectorRowKind::Binary, "Binary"));
        rows.push_back(unavailable(InspectorRowKind::Number, "8-bit"));
    }
    static constexpr const char* kLabels[][2] = {
        {"16-bit LE", "16-bit BE"}, {"24-bit LE", "24-bit BE"}, {"32-bit LE", "32-bit BE"}};
    for (int n = 2; n <= 4; ++n) {
        const auto& labels = kLabels[n - 2];
        const bool have = left >= static_cast<size_t>(n);
        rows.push_back(have ? number(labels[0], le(n), n) : unavailable(InspectorRowKind::Number, labels[0]));
        rows.push_back(have ? number(labels[1], be(n), n) : unavailable(InspectorRowKind::Number, labels[1]));
    }

    // A 16-bit pointer stays in the bank of the cursor's own address. The
    // cursor has none inside the copier header or past the banks a mapping
    // reaches.
    const int64_t rom = static_cast<int64_t>(at) - (header ? 0x200 : 0);
    const int64_t loBank = rom / 0x8000;
    const bool loBanked = rom >= 0 && loBank <= 0xFF;
    const bool hiBanked = rom >= 0 && rom < 0x400000;
    const size_t size = file.size();
    auto row16 = [&](const char* label, ConvertMode mode, bool banked, uint32_t bankBits) {
        if (left < 2 || !banked) return unavailable(InspectorRowKind::Pointer, label);
        return pointer(label, mode, bankBits | le(2), header, size);
    };
    rows.push_back(row16("LoROM 16-bit", ConvertMode::LoRom, loBanked, static_cast<uint32_t>(loBank) << 16));
    rows.push_back(
        row16("HiROM 16-bit", ConvertMode::HiRom, hiBanked, 0xC00000u | (static_cast<uint32_t>(rom) & 0xFF0000u)));
    for (const auto& [label, mode] : {std::pair{"LoROM 24-bit", ConvertMode::LoRom}, {"HiROM 24-bit", ConvertMode::HiRom}})
        rows.push_back(left >= 3 ? pointer(label, mode, le(3), header, size)
                                 : unavailable(InspectorRowKind::Pointer, label));
    return rows;
}

ValueInspector::ValueInspector(EditSession& session, bool& shown) : session_(session), shown_(shown) {
    session.commands().add({.name = "ViewValueInspector1Click",
                            .caption = "View Value Inspector",
                            .shortcut = "Ctrl+I",
                            .hint = "Show or hide the values of the bytes at the cursor",
                            .checked = [this] { return shown_; },
                            .run = [this] { ViewValueInspector1Click(); }});
    documentEvents_ = session.document().subscribe([this](const DocumentEvent& e) {
        // The rows read the bytes at the cursor: every change but a table's or a save.
        if (view_ && !std::holds_alternative<doc::TableChanged>(e) && !std::holds_alternative<doc::FileSaved>(e) &&
            !std::holds_alternative<doc::ModifiedChanged>(e))
            view_->rowsChanged();
    });
}

void ValueInspector::ViewValueInspector1Click() {
    shown_ = !shown_;
    if (view_) view_->showPanel(shown_);
}

void ValueInspector::closed() {
    shown_ = false;
    session_.refreshMenus();
}

std::vector<InspectorRow> ValueInspector::rows() {
    const EditorState& e = session_.editor();
    return inspectBytes(e.fileBytes(), session_.cursor(), hasCopierHeader(e.FileSize));
}

void ValueInspector::activate(int row) {
    const auto all = rows();
    if (row < 0 || static_cast<size_t>(row) >= all.size()) return;
    const auto target = all[static_cast<size_t>(row)].target;
    if (!target) return;
    if (!pushReturnOffset(session_, session_.cursor())) return;
    session_.moveCursorTo(*target);
    session_.refreshMenus();
}

}  // namespace hexedit::search
