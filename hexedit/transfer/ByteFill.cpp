#include "hexedit/transfer/ByteFill.h"

#include <algorithm>
#include <cstdio>

#include "common/hexdigits.h"

namespace hexedit::transfer {

namespace {
constexpr char kCaption[] = "BYTE Fill...";
constexpr char kStatus[] = "Fill Byte Value";

std::string hex8(int64_t v) {
    char s[16];
    std::snprintf(s, sizeof s, "%08X", static_cast<unsigned>(v));
    return s;
}
}  // namespace

ByteFill::ByteFill(EditSession& session, Dumper& dumper) : session_(session), dumper_(dumper) {
    session.commands().add({.name = "BYTEFill1Click",
                            .caption = "BYTE Fill",
                            .shortcut = "F4",
                            .hint = "Fill with a byte: press at the start and end, or once on a selection",
                            .enabled = session.when().fileOpen(),
                            .run = [this] { BYTEFill1Click(); }});
    dumper.setFill(this);
}

void ByteFill::refresh() {
    if (view_) view_->refresh();
}

void ByteFill::BYTEFill1Click() {
    const int state = dumper_.DumpState;
    if (state == BinaryPending || state == TextPending || state == BookmarkPending) {
        session_.port().inform("Error: You tried to dump Data after initiating BYTE fill.");
        return;
    }
    if (state != FillPending) {
        dumper_.beginPending(FillPending, kCaption);
        dumper_.statusText = kStatus;
        dumper_.takeSelection();
        refresh();
        return;
    }
    dumper_.caption = kCaption;
    dumper_.statusText = kStatus;
    if (!dumper_.takeSelection()) dumper_.EndOfs = hex8(session_.cursor());
    refresh();
    fillRange();
}

void ByteFill::fillRange() {
    common::Port& port = session_.port();
    if (dumper_.DFile.empty()) {
        port.inform("Error: Must enter a value to use as a FILLER!");
        return;
    }
    // The boxes hold at most eight digits: values from 0x80000000 on are
    // negative as 32-bit offsets.
    int64_t start = readOffsetBox(dumper_.BegOfs);
    int64_t end = readOffsetBox(dumper_.EndOfs);
    const auto value = static_cast<uint8_t>(common::readHexDigits(dumper_.DFile) & 0xFF);
    if (start > INT32_MAX || end > INT32_MAX) {
        port.inform("Error: One of the offsets are Invalid!");
        return;
    }
    // Bytes past the end of the file would be lost at saving: the file's
    // size is the limit.
    const int64_t fileSize = session_.editor().FileSize;
    if (start > fileSize || end > fileSize) {
        port.inform("Error: One of the offsets are Greater than file size!");
        return;
    }
    if (end < start) std::swap(start, end);
    end = std::min(end, fileSize - 1);
    if (start <= end)
        session_.fill(static_cast<int32_t>(start), static_cast<int32_t>(end - start + 1), value);
    dumper_.escapeElsewhere();
    session_.repaint();
    port.inform("BYTE Fill completed!");
}

}  // namespace hexedit::transfer
