#pragma once
// The compare window (TCompForm): two files on disk compared byte by byte,
// every run of differing bytes listed, and a listed offset placed under the
// main view's cursor. Shown without modality; the comparison runs as a busy
// loop of the session with progress and a way to cancel.

#include <array>
#include <cstddef>
#include <string>

#include "hexedit/core/EditSession.h"
#include "hexedit/transfer/CompareList.h"

namespace hexedit::transfer {

inline constexpr const char* kCompareCaption = "Compare Files...";
inline constexpr const char* kCompareNote =
    "If either file opened is the current ROM file, then it has to be saved first.";

// The form showing the window.
class CompareView {
public:
    virtual ~CompareView() = default;
    virtual void showWindow() = 0;   // without modality; brings it up when shown
    virtual void closeWindow() = 0;
    virtual void refresh() = 0;      // caption, boxes or lines changed
};

class CompareFiles {
public:
    // Registers "C&ompare Files" with the session's commands.
    explicit CompareFiles(EditSession& session);
    void setView(CompareView* v) { view_ = v; }

    const std::string& caption() const { return caption_; }
    // Edit1 (tag 0, "Source File") and Edit2 (tag 1, "Compare File").
    const std::string& path(int tag) const { return paths_[tag == 0 ? 0 : 1]; }
    void pathEdited(int tag, std::string text) { paths_[tag == 0 ? 0 : 1] = std::move(text); }
    // The lines of CompList.
    const CompareList& results() const { return results_; }
    bool visible() const { return visible_; }
    // While a comparison runs the buttons wait.
    bool comparing() const { return comparing_; }

    // "C&ompare Files": shows the window.
    void CompareFiles1Click();
    // The "..." buttons: the open dialog fills the box of that tag.
    void browseClick(int tag);
    void Button1Click() { browseClick(0); }
    void Button2Click() { browseClick(1); }
    // "Compare".
    void Button3Click();
    // Double click or Enter on a line: the main view's cursor goes to its
    // offset; the match line is ignored.
    void CompListDblClick(size_t row);
    // The window was closed by any means.
    void closed() { visible_ = false; }

private:
    void setCaption(std::string caption);
    void refresh();
    void closeWindow();

    EditSession& session_;
    CompareView* view_ = nullptr;
    std::array<std::string, 2> paths_;
    std::string caption_ = kCompareCaption;
    CompareList results_;
    bool visible_ = false;
    bool comparing_ = false;
};

// "Compare Files...Results: %d difference(s) found."
std::string resultsCaption(size_t runs);

}  // namespace hexedit::transfer
