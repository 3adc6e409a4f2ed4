#include "hexedit/core/EditCommands.h"

#include <algorithm>

#include "hexedit/core/SelectionText.h"

namespace hexedit {

EditCommands::EditCommands(EditSession& session, HexView& view) : session_(session), view_(view) {
    CommandTable& c = session.commands();
    Document& doc = session.document();
    c.add("Undo1Click", [this] { Undo1Click(); }, [&doc] { return doc.canUndo(); });
    c.add("Redo1Click", [this] { Redo1Click(); }, [&doc] { return doc.canRedo(); });

    HexView& v = view;
    c.add("HexEditMode1Click", [&v] { v.HexEditMode1Click(); }, {}, [&v] { return v.TextMode; });
    c.add("D_MBEClick", [&v] { v.D_MBEClick(); }, {}, [&v] { return v.Disable16Bit; });
    c.add("D_DTEClick", [&v] { v.D_DTEClick(); }, {}, [&v] { return v.DteInserting; });
    c.add("ViewKanaClick", [&v] { v.ViewKanaClick(); }, {}, [&v] { return v.JapaneseView(); });
    const std::pair<const char*, int32_t> formats[] = {{"StandardClick", kOffsetStandard},
                                                       {"LoROM1Click", kOffsetLoRomSlow},
                                                       {"LoROM2Click", kOffsetLoRomFast},
                                                       {"HiROM1Click", kOffsetHiRom},
                                                       {"SnesMem1Click", kOffsetSnesMemory}};
    // Init-captures: clang 14 (the fuzz build) cannot capture structured bindings.
    for (auto [name, format] : formats)
        c.add(name, [&v, f = format] { v.setOffsetFormat(f); }, {},
              [&doc, f = format] { return doc.view().OffsetFormat == f; });
    c.add("AsText1Click", [this] { paste(true); });
    c.add("AsHex1Click", [this] { paste(false); });
    const auto hasSelection = [&doc] { return doc.selection().has_value(); };
    for (const char* name : {"CopyasText1Click", "CopyasText2Click"})
        c.add(name, [this] { copySelection(true); }, hasSelection);
    for (const char* name : {"CopyasHex1Click", "CopyasHex2Click"})
        c.add(name, [this] { copySelection(false); }, hasSelection);
    // While a long loop runs, keys wait with the commands.
    c.addKeyHandler([&session, &v](const KeyPress& k) { return session.busy() || v.previewKey(k); });
}

void EditCommands::Undo1Click() {
    Document& doc = session_.document();
    view_.cancelPending();
    if (doc.undo()) session_.moveCursorTo(std::min(doc.lastChange().offset, doc.editor().BufferSize - 1));
}

void EditCommands::Redo1Click() {
    Document& doc = session_.document();
    view_.cancelPending();
    if (doc.redo()) session_.moveCursorTo(std::min(doc.lastChange().offset, doc.editor().BufferSize - 1));
}

void EditCommands::copySelection(bool asText) {
    const auto sel = session_.selection();
    if (!sel) return;
    if (sel->length() > kMaxCopyBytes) {
        session_.port().inform("The selection is too large to copy: at most 16 MB at a time.", "Copy",
                               common::MsgIcon::Exclamation);
        return;
    }
    const auto bytes = session_.bytes().subspan(static_cast<size_t>(sel->first), static_cast<size_t>(sel->length()));
    session_.port().setClipboardText(asText ? tableCopyText(session_.table(), bytes, view_.JapaneseView())
                                            : hexCopyText(bytes));
}

void EditCommands::paste(bool asText) {
    // With a selection the paste starts at its first byte.
    if (const auto sel = session_.selection()) session_.moveCursorTo(sel->first);
    // A paste is one undo step of its own, typed while the session is busy:
    // commands and keys wait, and the paste may be cancelled.
    session_.document().closeTypingRun();
    session_.setTypingLoop(true);
    session_.runBusy("Paste", [&](const common::Progress& progress) {
        view_.AsText1Click(session_.port(), asText, progress);
        return true;
    });
    session_.setTypingLoop(false);
    session_.document().closeTypingRun();
}

}  // namespace hexedit
