#pragma once
// Progress of a long loop. The loop calls it with the work done and the
// total; a false answer means the user cancelled and the loop stops.

#include <chrono>
#include <cstdint>
#include <functional>

namespace common {

using Progress = std::function<bool(uint64_t done, uint64_t total)>;

// Passes calls on to `report` at most once per interval (and always for the
// first call), so a loop may call it at every step cheaply. Between reports
// it repeats the last answer.
class ProgressThrottle {
public:
    explicit ProgressThrottle(Progress report, std::chrono::milliseconds interval = std::chrono::milliseconds(50))
        : report_(std::move(report)), interval_(interval) {}

    bool operator()(uint64_t done, uint64_t total) {
        if (!report_) return true;
        const auto now = std::chrono::steady_clock::now();
        if (first_ || now - last_ >= interval_) {
            first_ = false;
            last_ = now;
            going_ = report_(done, total);
        }
        return going_;
    }

private:
    Progress report_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_{};
    bool first_ = true;
    bool going_ = true;
};

}  // namespace common
