#include "hexedit/transfer/CompareList.h"

#include <cinttypes>
#include <cstdio>

namespace hexedit::transfer {

std::string compareLine(uint32_t offset, uint32_t length) {
    char text[96];
    const int n = std::snprintf(text, sizeof text, "[%08" PRIX32 "] ; %6" PRIu32 " %s different at location.", offset,
                                length, length > 1 ? "bytes" : "byte ");
    return std::string(text, static_cast<size_t>(n));
}

void CompareList::setRuns(RunList runs) {
    runs_ = std::move(runs);
    matchLine_ = runs_.empty();
    ++version_;
}

void CompareList::clear() {
    runs_ = RunList();
    matchLine_ = false;
    ++version_;
}

std::string CompareList::line(size_t row) const {
    if (matchLine_) return row == 0 ? kFilesMatchLine : std::string();
    if (row >= runs_.size()) return {};
    return compareLine(runs_[row].offset, runs_[row].length);
}

std::optional<uint32_t> CompareList::offsetAt(size_t row) const {
    if (matchLine_ || row >= runs_.size()) return std::nullopt;
    return runs_[row].offset;
}

}  // namespace hexedit::transfer
