#include "hexedit/core/EditCommands.h"

#include <algorithm>

#include "hexedit/core/SelectionText.h"

namespace hexedit {

EditCommands::EditCommands(EditSession& session, HexView& view) : session_(session), view_(view) {
    CommandTable& c = session.commands();
    Document& doc = session.document();
    const EnableWhen when = session.when();
    c.add({.name = "Undo1Click",
           .caption = "&Undo",
           .shortcut = "Alt+Backspace",
           .hint = "Take back the last change to the data",
           .enabled = [&doc] { return doc.canUndo(); },
           .run = [this] { Undo1Click(); }});
    c.add({.name = "Redo1Click",
           .caption = "&Redo",
           .shortcut = "Ctrl+Y",
           .hint = "Make the last change taken back again",
           .enabled = [&doc] { return doc.canRedo(); },
           .run = [this] { Redo1Click(); }});

    HexView& v = view;
    c.add({.name = "HexEditMode1Click",
           .caption = "&Hex / Text Edit Mode",
           .shortcut = "Tab",
           .hint = "Type hex digits or text through the table",
           .enabled = when.fileOpen(),
           .checked = [&v] { return v.TextMode; },
           .run = [&v] { v.HexEditMode1Click(); }});
    c.add({.name = "D_MBEClick",
           .caption = "Enable / Disable 16-Bit ASCII Input",
           .shortcut = "Shift+Tab",
           .hint = "Type text with single-byte table entries only",
           .checked = [&v] { return v.Disable16Bit; },
           .run = [&v] { v.D_MBEClick(); }});
    c.add({.name = "D_DTEClick",
           .caption = "Enable / Disable DTE Inserting",
           .shortcut = "Alt+Tab",
           .secondShortcut = "Ctrl+Shift+D",
           .hint = "Merge typed character pairs into two-character entries",
           .checked = [&v] { return v.DteInserting; },
           .run = [&v] { v.D_DTEClick(); }});
    c.add({.name = "ViewKanaClick",
           .caption = "View Text &Data as Japanese",
           .shortcut = "Ctrl+D",
           .hint = "Read table texts as Shift-JIS and show them in a Japanese font",
           .checked = [&v] { return v.JapaneseView(); },
           .run = [&v] { v.ViewKanaClick(); }});
    struct Format {
        std::string_view name, caption, shortcut, hint;
        int32_t format;
    };
    const Format formats[] = {
        {"StandardClick", "&Standard ( Linear Offset )", "Ctrl+Alt+S", "Show offsets as file offsets", kOffsetStandard},
        {"LoROM1Click", "SNES &Lo-ROM ( Slow ROM )", "Ctrl+Alt+L", "Show offsets as SNES LoROM addresses (slow ROM)",
         kOffsetLoRomSlow},
        {"LoROM2Click", "SNES &Lo-ROM ( Fast ROM )", "Ctrl+Alt+F", "Show offsets as SNES LoROM addresses (fast ROM)",
         kOffsetLoRomFast},
        {"HiROM1Click", "SNES &Hi-ROM", "Ctrl+Alt+H", "Show offsets as SNES HiROM addresses", kOffsetHiRom},
        {"SnesMem1Click", "SNES &Memory", "Ctrl+Alt+M", "Show offsets as SNES memory addresses", kOffsetSnesMemory}};
    for (const Format& f : formats)
        c.add({.name = f.name,
               .caption = f.caption,
               .shortcut = f.shortcut,
               .hint = f.hint,
               .checked = [&doc, f = f.format] { return doc.view().OffsetFormat == f; },
               .run = [&v, f = f.format] { v.setOffsetFormat(f); }});
    c.add({.name = "AsText1Click",
           .caption = "As Text...",
           .hint = "Type the clipboard's text at the cursor through the table",
           .run = [this] { paste(true); }});
    c.add({.name = "AsHex1Click",
           .caption = "As Hex...",
           .hint = "Type the clipboard's hex digits at the cursor",
           .run = [this] { paste(false); }});
    const auto hasSelection = [&doc] { return doc.selection().has_value(); };
    struct Copy {
        std::string_view name, caption, shortcut, hint;
        bool asText;
    };
    const Copy copies[] = {
        {"CopyasText1Click", "&Copy as Text", "", "Copy the selection as text", true},
        {"CopyasText2Click", "&Copy as Text", "Ctrl+Shift+T", "Copy the selection as text", true},
        {"CopyasHex1Click", "&Copy as Hex", "", "Copy the selection as hex digits", false},
        {"CopyasHex2Click", "&Copy as Hex", "Ctrl+Shift+C", "Copy the selection as hex digits", false}};
    for (const Copy& k : copies)
        c.add({.name = k.name,
               .caption = k.caption,
               .shortcut = k.shortcut,
               .hint = k.hint,
               .enabled = when.fileOpen(hasSelection),
               .run = [this, text = k.asText] { copySelection(text); }});
    c.enableMenu("PastetoCurrentLocation1", when.fileOpen());
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
