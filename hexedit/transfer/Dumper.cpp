#include "hexedit/transfer/Dumper.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "common/fileio.h"
#include "common/hexdigits.h"
#include "hexedit/transfer/TextDump.h"

namespace hexedit::transfer {

namespace {

using common::MsgIcon;

// Text dumps of this many bytes or more run as a long loop with a progress bar.
constexpr int64_t kBusyDumpBytes = int64_t{8} << 20;

// A dump gives back the pages of a mapped file it has passed in steps of
// this size, so dumping a large file holds a few MiB of it, not all of it.
constexpr size_t kReleaseStep = size_t{8} << 20;
void releasePassed(const EditorState& editor, size_t& released, size_t upTo) {
    if (upTo < released + kReleaseStep) return;
    editor.releaseScanned(released, upTo);
    released = upTo;
}

std::string hex8(int64_t value) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(value));
    return buf;
}

}  // namespace

std::string offsetBoxText(std::string_view typed) {
    std::string out;
    for (char c : typed) {
        if (!common::isHexDigit(c)) continue;
        if (out.size() == 8) break;
        out += c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

int64_t readOffsetBox(std::string_view text) {
    return static_cast<int64_t>(std::min<uint64_t>(common::readHexDigits(text), 0xFFFFFFFFu));
}

Dumper::Dumper(EditSession& session, search::DataList& list) : session_(session), list_(list) {
    CommandTable& c = session.commands();
    const EnableWhen when = session.when();
    c.add({.name = "DumpText1Click",
           .caption = "&Dump Text ",
           .shortcut = "F10",
           .hint = "Dump text: press at the start and the end, or once on a selection",
           .enabled = when.fileOpen(),
           .run = [this] { DumpText1Click(); }});
    c.add({.name = "DumpBinaryData1Click",
           .caption = "Dump &Binary Data",
           .shortcut = "F11",
           .hint = "Dump binary: press at the start and the end, or once on a selection",
           .enabled = when.fileOpen(),
           .run = [this] { DumpBinaryData1Click(); }});
    c.add({.name = "SaveDumpBookmark1Click",
           .caption = "Save &Dump Bookmark",
           .shortcut = "F2",
           .hint = "Add a range to the table as a dump bookmark",
           .enabled = when.tableSlot(),
           .run = [this] { SaveDumpBookmark1Click(); }});
    c.add({.name = "BinaryDump1Click",
           .caption = "Binary Dump...",
           .hint = "Dump every dump bookmark range as binary files",
           .run = [this] { BinaryDump1Click(); }});
    c.add({.name = "TextDump1Click",
           .caption = "Text Dump...",
           .hint = "Dump every dump bookmark range as text",
           .run = [this] { TextDump1Click(); }});
    c.enableMenu("DumpFromList1", when.dumpBookmark());

    list_.setDumps(this);
}

void Dumper::dumpLine(const std::string& line) {
    QuietDumps = 0;
    dumpListLine(line, list_.ListMode == search::TextDumpList);
}

void Dumper::dumpLines(const std::vector<std::string>& lines) {
    dumpLines(lines, list_.ListMode == search::TextDumpList);
}

void Dumper::clearDumpBoxes() {
    BegOfs.clear();
    EndOfs.clear();
    refresh();
}

void Dumper::refresh() {
    if (view_) view_->refresh();
}

void Dumper::beginPending(int state, std::string windowCaption) {
    caption = std::move(windowCaption);
    statusText = "Enter file name";
    BegOfs = hex8(session_.cursor());
    EndOfs.clear();
    DFile.clear();
    DumpState = state;
    visible_ = true;
    refresh();
    if (view_) view_->showWindow();
}

void Dumper::close() {
    DumpState = Idle;
    buttonCaption = "Dump Data";
    if (visible_) {
        visible_ = false;
        if (view_) view_->closeWindow();
    }
    refresh();
}

void Dumper::closed() {
    visible_ = false;
    DumpState = Idle;
    buttonCaption = "Dump Data";
    refresh();
}

bool Dumper::takeSelection() {
    const auto sel = session_.selection();
    if (!sel) return false;
    BegOfs = hex8(sel->first);
    EndOfs = hex8(sel->last);
    refresh();
    return true;
}

void Dumper::dumpKey(int state) {
    const bool text = state == TextPending;
    if (DumpState == Idle) {
        beginPending(state, text ? "Dump Text Data [Press F10 to Dump]" : "Dump BINARY Data [Press F11 to Dump]");
        takeSelection();  // the range is set: the name is all that is missing
        return;
    }
    if (text && DumpState == BinaryPending) {
        session_.port().inform("Can't dump TEXT when you started with BINARY dump.");
        return;
    }
    if (!text && DumpState == TextPending) {
        session_.port().inform("Can't dump BINARY when you started with TEXT dump.");
        return;
    }
    if (!takeSelection()) {
        EndOfs = hex8(session_.cursor());
        refresh();
    }
    text ? textDump() : binaryDump();
    if (DumpState == NoFileName) {
        DumpState = state;
        refresh();
    } else {
        close();
    }
}

void Dumper::SaveDumpBookmark1Click() {
    if (DumpState == Idle) {
        buttonCaption = "Save Data";
        beginPending(BookmarkPending, "Dump Bookmark [F2 - Save Bookmark]");
        takeSelection();
        return;
    }
    if (DumpState != BookmarkPending) return;
    if (!takeSelection()) {
        EndOfs = hex8(session_.cursor());
        refresh();
    }
    if (DFile.empty()) {
        session_.port().inform("No bookmark name entered...");
        if (view_) view_->focusName();
        session_.repaint();
        return;
    }
    saveBookmark(readOffsetBox(EndOfs));
}

void Dumper::saveBookmark(int64_t end) {
    const std::string line = "[" + hex8(readOffsetBox(BegOfs)) + "-" + hex8(end) + "]" + DFile;
    close();
    if (!session_.appendTableLine(line))
        session_.port().inform("No Table file to Save Bookmark to...");
    else
        session_.port().inform("Bookmark was saved to the table file...", "Dump Bookmark...", MsgIcon::Exclamation);
    session_.repaint();
}

void Dumper::Button1Click() {
    if (DFile.empty() && DumpState != FillPending) {
        session_.port().inform("No file name specified...", "File Error...", MsgIcon::Stop);
        if (view_) view_->focusName();
        return;
    }
    if (!buttonEnabled()) return;
    switch (DumpState) {
        case BinaryPending: binaryDump(); break;
        case TextPending: textDump(); break;
        case BookmarkPending: saveBookmark(readOffsetBox(EndOfs)); return;
        case FillPending:
            if (fill_) fill_->fillRange();
            return;
        default: break;
    }
    close();
}

void Dumper::escapeInBox() {
    BegOfs.clear();
    EndOfs.clear();
    DFile.clear();
    close();
}

namespace {

struct Range {
    int64_t start = 0, end = 0;
    int64_t raw = 0;     // from the boxes
    int64_t length = 0;  // cut to the end of the file when the end reaches the buffer's end
    bool cut = false;
};

Range readRange(const std::string& beg, const std::string& end, const EditorState& editor) {
    Range r;
    r.start = readOffsetBox(beg);
    r.end = readOffsetBox(end);
    r.raw = r.length = r.end - r.start + 1;
    if (r.end + 1 >= editor.BufferSize) {
        r.cut = true;
        r.length = int64_t{editor.FileSize} - r.start;
    }
    return r;
}

}  // namespace

std::string Dumper::outputPath() const {
    // A bare name goes next to the open file, not into the working folder.
    return common::outputPath(DFile, common::folderOf(session_.editor().CurrentPath));
}

bool Dumper::haveFileName() {
    if (!DFile.empty()) return true;
    fileError("No file name specified...");
    if (view_) view_->focusName();
    DumpState = NoFileName;
    return false;
}

void Dumper::fileError(const std::string& text) {
    session_.port().inform(text, "File Error...", MsgIcon::Stop);
}

void Dumper::binaryDump() {
    const Range r = readRange(BegOfs, EndOfs, session_.editor());
    const auto bytes = session_.bytes();
    if (r.raw < 0) {
        session_.port().inform("Sorry, but the Start offset must\nbe less than the Ending Offset.");
        return;
    }
    if (r.length < 0 || r.start + r.length > static_cast<int64_t>(bytes.size())) {
        session_.port().inform("Sorry, but the Data size to dump was LESS THAN Zero!");
        return;
    }
    if (!haveFileName()) return;
    const auto data = bytes.subspan(static_cast<size_t>(r.start), static_cast<size_t>(r.length));
    const std::string out = outputPath();
    const EditorState& editor = session_.editor();
    const std::string error =
        data.size() <= kReleaseStep
            ? common::writeFileAtomic(out, data)
            : common::writeFileStreamed(out, [&](const common::ChunkWriter& write) {
                  size_t released = static_cast<size_t>(r.start);
                  for (size_t at = 0; at < data.size(); at += kReleaseStep) {
                      const size_t n = std::min(kReleaseStep, data.size() - at);
                      if (!write(data.subspan(at, n))) return false;
                      releasePassed(editor, released, static_cast<size_t>(r.start) + at + n);
                  }
                  return true;
              });
    if (!error.empty()) {
        fileError("Fatal Error: Could not create\n " + DFile);
        DumpState = CreateFailed;
        return;
    }
    DumpState = Idle;
    session_.fileWritten(out);
    if (QuietDumps == 0)
        session_.port().inform("Data was dumped to the binary file...", "Binary Dumping...", MsgIcon::Exclamation);
}

void Dumper::textDump() {
    const Range r = readRange(BegOfs, EndOfs, session_.editor());
    const auto bytes = session_.bytes();
    if (r.cut && r.length < 0) {
        session_.port().inform("Sorry, but the Data size to dump was LESS THAN Zero!");
        return;
    }
    if (r.raw < 0) {
        session_.port().inform("Ending Address is Less Than Starting Address...");
        return;
    }
    if (r.start + r.length > static_cast<int64_t>(bytes.size())) {  // no buffer
        session_.port().inform("Sorry, but the Data size to dump was LESS THAN Zero!");
        return;
    }
    if (!haveFileName()) return;
    const TableData& table = session_.table();
    DumpInfo info;
    info.start = r.start;
    info.end = r.end;
    info.romName = session_.editor().CurrentPath;
    if (table.TableSlot < table.TablePaths.size()) info.tableName = table.TablePaths[table.TableSlot];
    const auto range = bytes.subspan(static_cast<size_t>(r.start), static_cast<size_t>(r.length));

    // The text goes to the file piece by piece, so memory does not grow with
    // the range; a cancelled or failed dump leaves no new file.
    const std::string out = outputPath();
    bool ran = false, cancelled = false, noMemory = false;
    std::string error;
    const EditorState& editor = session_.editor();
    size_t released = static_cast<size_t>(r.start);
    auto work = [&](const common::Progress& progress) {
        ran = true;
        const common::Progress watched = [&](uint64_t done, uint64_t total) {
            releasePassed(editor, released, static_cast<size_t>(r.start + static_cast<int64_t>(done)));
            cancelled = progress && !progress(done, total);
            return !cancelled;
        };
        error = common::writeFileStreamed(out, [&](const common::ChunkWriter& write) {
            try {
                return transfer::textDump(
                    table, range, info,
                    [&](std::string_view piece) {
                        return write(std::span(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()));
                    },
                    watched);
            } catch (const std::bad_alloc&) {
                noMemory = true;
                return false;
            }
        });
        return !cancelled;
    };
    if (r.length >= kBusyDumpBytes)
        session_.runBusy("Dumping text...", work);
    else
        work({});
    if (!ran || cancelled) {
        DumpState = Idle;
        return;
    }
    if (noMemory) {
        session_.port().inform("Fatal Error: Could not allocate memory for data dumping.", {}, MsgIcon::Stop);
        DumpState = Idle;
        return;
    }
    if (!error.empty()) {
        fileError("Fatal Error: Could not create\n " + DFile);
        DumpState = CreateFailed;
        return;
    }
    DumpState = Idle;
    session_.fileWritten(out);
    if (QuietDumps == 0)
        session_.port().inform("Data was dumped to the text file...", "Text Dumping...", MsgIcon::Exclamation);
}

void Dumper::dumpListLine(const std::string& line, bool text) {
    const size_t open = line.find('[');
    const size_t dash = line.find('-');
    const size_t startEnd = open == std::string::npos ? std::string::npos : line.find('-', open + 1);
    BegOfs = open == std::string::npos ? "" : line.substr(open + 1, startEnd - std::min(startEnd, open + 1));
    std::string label;
    if (dash == std::string::npos) {
        EndOfs.clear();
    } else {
        const size_t closeAt = line.find(']', dash + 1);
        EndOfs = line.substr(dash + 1, closeAt == std::string::npos ? std::string::npos : closeAt - dash - 1);
        if (closeAt != std::string::npos) label = line.substr(closeAt + 1);
    }
    DFile = label + (text ? ".txt" : ".dat");
    refresh();
    text ? textDump() : binaryDump();
    // A failed dump from the list leaves nothing pending unless the window is up.
    if (!visible_) DumpState = Idle;
    refresh();
}

void Dumper::dumpLines(const std::vector<std::string>& lines, bool text) {
    QuietDumps = static_cast<int>(lines.size());
    for (const auto& line : lines) {
        --QuietDumps;
        dumpListLine(line, text);
    }
    QuietDumps = 0;
}

void Dumper::dumpFromList(int state) {
    const auto count = session_.table().DumpMarks.size();
    if (count == 0) {
        session_.port().inform("You have no available dump labels...");
        return;
    }
    const bool text = state == TextPending;
    list_.ListMode = text ? search::TextDumpList : search::BinaryDumpList;
    list_.setCaption(std::string(text ? "TEXT" : "BINARY") + " Dump List: " + std::to_string(count) +
                     " dump label(s)");
    list_.show();
}

}  // namespace hexedit::transfer
