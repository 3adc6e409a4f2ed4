#pragma once
// The one runner of long loops: the busy state, its label, the progress
// and the request to cancel. Progress reports let pending events run
// (through the port) at most every 50 ms; this is the only place that does.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/port/Port.h"
#include "common/progress.h"

namespace hexedit {

// The form showing the runner (the main window's progress bar).
class BusyView {
public:
    virtual ~BusyView() = default;
    virtual void busyChanged() = 0;      // started or ended: busy(), label()
    virtual void progressChanged() = 0;  // done(), total()
};

class BusyRunner {
public:
    explicit BusyRunner(common::Port& port) : port_(port) {}
    void setView(BusyView* v) { view_ = v; }

    // See Shell::runBusy.
    bool run(std::string_view label, const std::function<bool(const common::Progress&)>& work);
    bool busy() const { return busy_; }
    void cancel() { cancelRequested_ = busy_; }

    const std::string& label() const { return label_; }
    uint64_t done() const { return done_; }
    uint64_t total() const { return total_; }

private:
    void finish();

    common::Port& port_;
    BusyView* view_ = nullptr;
    bool busy_ = false;
    bool cancelRequested_ = false;
    std::string label_;
    uint64_t done_ = 0;
    uint64_t total_ = 0;
};

}  // namespace hexedit
