#pragma once
// The lines of the compare window's result list. Lines are made from the
// runs when asked for, so a list of any length costs only its runs.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "hexedit/transfer/CompareScan.h"

namespace hexedit::transfer {

inline constexpr const char* kFilesMatchLine = "These files match to smallest file length.";

// "[%08X] ; %6d %s different at location." with "bytes" for a run longer
// than one byte and "byte " (trailing blank) for one byte.
std::string compareLine(uint32_t offset, uint32_t length);

class CompareList {
public:
    // The list of a comparison: one line per run, or the single match line
    // when there are none.
    void setRuns(RunList runs);
    void clear();

    size_t size() const { return matchLine_ ? 1 : runs_.size(); }
    bool empty() const { return size() == 0; }
    const RunList& runs() const { return runs_; }
    std::string line(size_t row) const;
    // The offset a line names; nothing for the match line or a row past the end.
    std::optional<uint32_t> offsetAt(size_t row) const;
    // Changes with every setRuns() and clear(), for views that cache lines.
    uint64_t version() const { return version_; }

private:
    RunList runs_;
    bool matchLine_ = false;
    uint64_t version_ = 0;
};

}  // namespace hexedit::transfer
