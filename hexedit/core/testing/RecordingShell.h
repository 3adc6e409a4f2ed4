#pragma once
// The window side for subsystem tests: records what the main window would
// have done (repaints, menu updates, hints, visibility, caption, close
// requests) and runs long loops at once, handing them a progress callback
// that records each report.

#include <cstdint>
#include <string>
#include <vector>

#include "hexedit/core/Shell.h"

namespace hexedit::testing {

class RecordingShell : public Shell {
public:
    explicit RecordingShell(common::Port& port) : port_(port) {}

    int repaints = 0, menuUpdates = 0, busyRuns = 0, closeRequests = 0;
    bool mainWindowVisible = true;
    std::string caption;
    std::vector<std::string> hints;
    std::vector<std::string> written;
    // Answers of the progress callback handed to busy work: false cancels.
    bool keepGoing = true;
    // The work done as given to each call of that progress callback.
    std::vector<uint64_t> progressReports;

    common::Port& port() override { return port_; }
    void repaint() override { ++repaints; }
    void refreshMenus() override { ++menuUpdates; }
    void setMainWindowVisible(bool visible) override { mainWindowVisible = visible; }
    bool mainWindowShown() const override { return mainWindowVisible; }
    void setCaption(std::string_view text) override { caption = text; }
    void requestClose() override { ++closeRequests; }
    void showHint(std::string_view text) override { hints.emplace_back(text); }
    void fileWritten(const std::string& path) override { written.push_back(path); }
    bool runBusy(std::string_view, const std::function<bool(const common::Progress&)>& work) override {
        if (busy_) return false;
        ++busyRuns;
        busy_ = true;
        cancelled_ = false;
        struct Done {
            bool& b;
            ~Done() { b = false; }
        } done{busy_};
        return work([this](uint64_t workDone, uint64_t) {
            progressReports.push_back(workDone);
            return keepGoing && !cancelled_;
        });
    }
    bool busy() const override { return busy_; }
    void cancelBusy() override { cancelled_ = busy_; }

private:
    common::Port& port_;
    bool busy_ = false;
    bool cancelled_ = false;
};

}  // namespace hexedit::testing
