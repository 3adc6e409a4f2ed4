#pragma once
// The dump window (TDumpForm) and its commands: text and binary dumps of a
// range chosen by two presses of F10 or F11, dump bookmarks saved into the
// table file by two presses of F2, and dumps of saved bookmarks chosen in
// the Data List. The byte fill shares the window and its state.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/EditSession.h"
#include "hexedit/search/DataList.h"

namespace hexedit::transfer {

// The form showing the dump window.
class DumpView {
public:
    virtual ~DumpView() = default;
    // Without modality; the focus stays with the main window.
    virtual void showWindow() = 0;
    virtual void closeWindow() = 0;
    // Boxes, captions, status text or button changed.
    virtual void refresh() = 0;
    virtual void focusName() = 0;
};

// The byte fill's second step, which the window's button runs while a fill
// is pending.
class DumpFill {
public:
    virtual ~DumpFill() = default;
    virtual void fillRange() = 0;
};

enum DumpStates {
    Idle = 0,
    BinaryPending = 1,
    TextPending = 2,
    BookmarkPending = 3,
    FillPending = 4,
    NoFileName = -1,
    CreateFailed = -2,
};

// Offset box text: hex digits folded to upper case, at most eight.
std::string offsetBoxText(std::string_view typed);
// The leading hex digits of a box (none read as 0), capped at 32 bits.
int64_t readOffsetBox(std::string_view text);

class Dumper : private search::DataListDumps {
public:
    Dumper(EditSession& session, search::DataList& list);
    Dumper(const Dumper&) = delete;
    Dumper& operator=(const Dumper&) = delete;
    void setView(DumpView* v) { view_ = v; }

    int DumpState = Idle;
    std::string DFile;   // file name, bookmark name or fill value (UTF-8)
    std::string BegOfs;  // "Start Offset"
    std::string EndOfs;  // "Ending Offset"
    std::string caption;
    std::string statusText = "Enter file name";
    std::string buttonCaption = "Done";
    // While not 0 the success messages are left out (dumps from the list).
    int QuietDumps = 0;

    bool visible() const { return visible_; }
    bool buttonEnabled() const { return !DFile.empty() && !BegOfs.empty() && !EndOfs.empty(); }

    // Menu commands.
    void DumpText1Click() { dumpKey(TextPending); }
    void DumpBinaryData1Click() { dumpKey(BinaryPending); }
    void SaveDumpBookmark1Click();
    void TextDump1Click() { dumpFromList(TextPending); }
    void BinaryDump1Click() { dumpFromList(BinaryPending); }

    // The window: Button1 and Enter in the name box; Escape in one of the
    // three boxes or elsewhere; closed by any means.
    void Button1Click();
    void escapeInBox();
    void escapeElsewhere() { close(); }
    void closed();

    // The dumps on the boxes as they stand.
    void binaryDump();
    void textDump();
    // One [start-end]label line of the Data List.
    void dumpListLine(const std::string& line, bool text);

    // Shows the window for a pending operation (also the byte fill's).
    void beginPending(int state, std::string windowCaption);
    // With a selection: its first and last offsets go into the boxes.
    bool takeSelection();
    // Set once by the byte fill, which shares the window.
    void setFill(DumpFill* f) { fill_ = f; }

private:
    void dumpKey(int state);
    void saveBookmark(int64_t end);
    void dumpFromList(int state);
    void dumpLines(const std::vector<std::string>& lines, bool text);
    // DataListDumps
    void dumpLine(const std::string& line) override;
    void dumpLines(const std::vector<std::string>& lines) override;
    void clearDumpBoxes() override;
    void close();
    void refresh();
    void fileError(const std::string& text);
    // Tells the user and waits for a name when the file name box is empty.
    bool haveFileName();
    // Where the dump named in the name box is written.
    std::string outputPath() const;

    EditSession& session_;
    search::DataList& list_;
    DumpView* view_ = nullptr;
    DumpFill* fill_ = nullptr;
    bool visible_ = false;
};

}  // namespace hexedit::transfer
