#include "hexedit/transfer/BinaryInsert.h"

#include <cstdio>
#include <vector>

#include "common/fileio.h"
#include "common/hexdigits.h"

namespace hexedit::transfer {

using common::MsgIcon;

namespace {
constexpr char kTitle[] = "Insert Data to the file...";
}

BinaryInsert::BinaryInsert(EditSession& session) : session_(session) {
    session.commands().add({.name = "InsertBinaryData1Click",
                            .caption = "&Insert Binary Data",
                            .hint = "Copy a file's bytes over the data at the cursor",
                            .enabled = session.when().fileOpen(),
                            .run = [this] { InsertBinaryData1Click(); }});
}

void BinaryInsert::InsertBinaryData1Click() {
    common::Port& port = session_.port();
    const int32_t remembered = session_.cursor();
    if (view_) view_->setStatusText("Enter file name");
    common::OpenRequest r;
    r.initialFolder = session_.editor().LastDirectory;
    r.filter = "All files (*.*)|*.*";
    auto path = port.openFile(r);
    if (!path) return;
    std::vector<uint8_t> data;
    if (common::readWholeFile(*path, data, INT32_MAX) != common::ReadStatus::Ok) {
        port.inform("Fatal Error: Could not open requested file.\n" + *path, {}, MsgIcon::Stop);
        return;
    }
    char start[16];
    std::snprintf(start, sizeof start, "%X", static_cast<unsigned>(remembered));
    const std::string typed = view_ ? view_->askStart(start) : std::string(start);
    if (typed.empty()) return;
    const uint64_t offset = common::readHexDigits(typed);
    if (!port.ask("Are you sure you want to insert at this position?", kTitle)) return;

    // Bytes go into the file itself: past its end they would be lost at saving.
    const int64_t fileSize = session_.editor().FileSize;
    if (offset >= static_cast<uint64_t>(fileSize)) {
        port.inform("Error: The start offset lies beyond the end of the file.", kTitle, MsgIcon::Stop);
        return;
    }
    size_t n = data.size();
    const auto room = static_cast<size_t>(fileSize - static_cast<int64_t>(offset));
    if (n > room) {
        const std::string question = "Only " + std::to_string(room) + " byte(s) out of " + std::to_string(n) +
                                     " byte(s) can be inserted. Is this ok?";
        if (!port.ask(question, kTitle)) return;
        n = room;
    }
    if (n > 0 && !session_.writeBytes(static_cast<int32_t>(offset), std::span(data).first(n))) return;
    port.inform("Binary Data successfully inserted...", {}, MsgIcon::Exclamation);
    session_.repaint();
}

}  // namespace hexedit::transfer
