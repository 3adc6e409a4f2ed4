#include "hexedit/core/BusyRunner.h"

namespace hexedit {

bool BusyRunner::run(std::string_view label, const std::function<bool(const common::Progress&)>& work) {
    if (busy_) return false;
    busy_ = true;
    cancelRequested_ = false;
    label_ = std::string(label);
    done_ = total_ = 0;
    if (view_) view_->busyChanged();
    common::ProgressThrottle throttle([this](uint64_t done, uint64_t total) {
        done_ = done;
        total_ = total;
        if (view_) view_->progressChanged();
        port_.processEvents();
        return !cancelRequested_;
    });
    const common::Progress progress = [&throttle, this](uint64_t done, uint64_t total) {
        return throttle(done, total) && !cancelRequested_;
    };
    bool result = false;
    try {
        result = work(progress);
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

void BusyRunner::finish() {
    busy_ = false;
    cancelRequested_ = false;
    label_.clear();
    if (view_) view_->busyChanged();
}

}  // namespace hexedit
