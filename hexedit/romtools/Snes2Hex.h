#pragma once
// The "Snes To Hex Convertor" window (TSnes2Hex): a file offset and an SNES
// address converted into each other in four modes, and "Goto Offset".

#include <string>

#include "hexedit/core/EditSession.h"
#include "hexedit/core/ModalView.h"
#include "hexedit/romtools/SnesAddress.h"

namespace hexedit::romtools {

// The form showing the window.
class Snes2HexView : public ModalView {
public:
    // Both fields, the mode, the options, the button caption and ZstText.
    virtual void refresh() = 0;
};

enum class ConvertDirection { OffsetToAddress, AddressToOffset };

class Snes2Hex {
public:
    explicit Snes2Hex(EditSession& session) : s_(session) {}
    void setView(Snes2HexView* v) { view_ = v; }

    static constexpr char Caption[] = "Snes To Hex Convertor";
    static constexpr int FieldLength = 6;

    // "Snes To &Hex".
    void SnesToHex1Click();

    ConvertMode mode() const { return mode_; }
    ConvertDirection direction() const { return direction_; }
    bool includeHeader() const { return options_.header; }
    bool highBanks() const { return options_.bank80; }
    const std::string& lorom1() const { return lorom1_; }  // file offset
    const std::string& lorom2() const { return lorom2_; }  // SNES address
    const char* buttonCaption() const;
    const char* ZstText() const;

    // Window events. Typed text is kept in upper case.
    void modeChosen(ConvertMode mode);
    void lorom1Edited(const std::string& text);
    void lorom2Edited(const std::string& text);
    void lorom1Clicked() { direction_ = ConvertDirection::OffsetToAddress; }
    void lorom2Clicked() { direction_ = ConvertDirection::AddressToOffset; }
    void headerToggled(bool on) { options_.header = on; }
    void bankToggled(bool on) { options_.bank80 = on; }
    void ConvertClick();
    void GotoClick();
    void close();

private:
    void refresh() {
        if (view_) view_->refresh();
    }

    EditSession& s_;
    Snes2HexView* view_ = nullptr;
    ConvertMode mode_ = ConvertMode::LoRom;
    ConvertDirection direction_ = ConvertDirection::OffsetToAddress;
    ConvertOptions options_;
    std::string lorom1_, lorom2_;
};

}  // namespace hexedit::romtools
