#include "hexedit/core/EditBuffer.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace hexedit {

void EditBuffer::load(std::shared_ptr<FileMapping> file) {
    const auto size = static_cast<int32_t>(file->size());
    load({}, 0, 0);
    st_.mapped_ = std::move(file);
    st_.FileSize = st_.BufferSize = size;
    last_ = {0, st_.BufferSize, true};
}

bool EditBuffer::materialize(const common::Progress& progress) {
    if (!st_.mapped_) return true;
    const auto bytes = st_.mapped_->bytes();
    std::vector<uint8_t> own(bytes.size());
    constexpr size_t kStep = size_t{16} << 20;
    for (size_t at = 0; at < bytes.size(); at += kStep) {
        if (progress && !progress(at, bytes.size())) return false;
        std::memcpy(own.data() + at, bytes.data() + at, std::min(kStep, bytes.size() - at));
    }
    st_.storage_ = std::move(own);
    st_.mapped_.reset();
    return true;
}

uint8_t* EditBuffer::writable(int32_t offset, int32_t length) {
    if (st_.mapped_) st_.mapped_->prepareWrite(static_cast<size_t>(offset), static_cast<size_t>(length));
    return data();
}

FileMapping::DiskState EditBuffer::examineDisk(const std::string& path) {
    return st_.mapped_ ? st_.mapped_->examine(path) : FileMapping::DiskState{};
}

void EditBuffer::acceptDisk(const std::string& path) {
    if (st_.mapped_) st_.mapped_->accept(path);
}

void EditBuffer::load(std::vector<uint8_t> storage, uint32_t headerSkip, int32_t fileSize) {
    st_.mapped_.reset();
    st_.storage_ = std::move(storage);
    st_.HeaderSkip = headerSkip;
    setSizes(fileSize);
    steps_.clear();
    applied_ = 0;
    savedAt_ = 0;
    historyBytes_ = 0;
    runOpen_ = false;
    last_ = {0, st_.BufferSize, true};
    st_.Modified = false;
}

void EditBuffer::clear() {
    st_.mapped_.reset();
    st_.storage_.clear();
    st_.storage_.shrink_to_fit();
    st_.HeaderSkip = 0;
    st_.FileSize = 0;
    st_.BufferSize = 0;
    steps_.clear();
    applied_ = 0;
    savedAt_ = 0;
    historyBytes_ = 0;
    runOpen_ = false;
    st_.Modified = false;
}

void EditBuffer::setSizes(int32_t fileSize) {
    materialize();
    st_.FileSize = fileSize;
    // At least kMinViewBytes with the hidden header counted.
    st_.BufferSize = std::max<int64_t>(int64_t{fileSize} + st_.HeaderSkip, kMinViewBytes) - st_.HeaderSkip;
    const size_t want = st_.HeaderSkip + static_cast<size_t>(st_.BufferSize);
    const size_t have = st_.storage_.size();
    st_.storage_.resize(want, 0);
    // Bytes past the file read as zero.
    const size_t fileEnd = st_.HeaderSkip + static_cast<size_t>(fileSize);
    if (fileEnd < std::min(have, want)) std::memset(st_.storage_.data() + fileEnd, 0, std::min(have, want) - fileEnd);
}

bool EditBuffer::inFile(int64_t offset, int64_t length) const {
    return st_.hasBuffer() && offset >= 0 && length >= 0 && offset + length <= st_.FileSize;
}

std::vector<uint8_t> EditBuffer::apply(int32_t offset, int32_t removeLength, std::span<const uint8_t> bytes) {
    std::vector<uint8_t> removed(data() + offset, data() + offset + removeLength);
    const int32_t oldSize = st_.FileSize;
    const int32_t newSize = oldSize - removeLength + static_cast<int32_t>(bytes.size());
    const size_t tail = static_cast<size_t>(oldSize - offset - removeLength);
    if (newSize != oldSize) materialize();
    if (newSize > oldSize) setSizes(newSize);  // grow first, then move the tail right
    uint8_t* d = writable(offset, static_cast<int32_t>(bytes.size()));
    if (static_cast<int32_t>(bytes.size()) != removeLength)
        std::memmove(d + offset + bytes.size(), d + offset + removeLength, tail);
    if (!bytes.empty()) std::memcpy(d + offset, bytes.data(), bytes.size());
    if (newSize < oldSize) setSizes(newSize);
    last_ = {offset, static_cast<int32_t>(bytes.size() == static_cast<size_t>(removeLength) ? bytes.size()
                                                                                           : st_.BufferSize - offset),
             newSize != oldSize};
    return removed;
}

void EditBuffer::record(Step s) {
    // A new change drops what could be redone; a save point there is lost.
    while (steps_.size() > applied_) {
        historyBytes_ -= steps_.back().size();
        steps_.pop_back();
    }
    if (savedAt_ > static_cast<long long>(applied_)) savedAt_ = -1;
    historyBytes_ += s.size();
    steps_.push_back(std::move(s));
    applied_ = steps_.size();
    trim();
    updateModified();
}

void EditBuffer::trim() {
    // Keep the newest step even when it alone is over the limit.
    while (historyBytes_ > limit_ && steps_.size() > 1 && applied_ > 0) {
        historyBytes_ -= steps_.front().size();
        steps_.pop_front();
        --applied_;
        if (savedAt_ >= 0) --savedAt_;
    }
}

void EditBuffer::setHistoryLimit(size_t bytes) {
    limit_ = bytes;
    trim();
}

void EditBuffer::updateModified() { st_.Modified = savedAt_ != static_cast<long long>(applied_); }

bool EditBuffer::mergeTyping(int32_t offset, std::span<const uint8_t> bytes) {
    if (!runOpen_ || applied_ == 0 || applied_ != steps_.size() || savedAt_ == static_cast<long long>(applied_))
        return false;
    Step& s = steps_.back();
    const int32_t len = static_cast<int32_t>(bytes.size());
    if (!s.typing || static_cast<int32_t>(s.bytes.size()) != s.otherLength) return false;
    const int32_t a = s.offset, b = s.offset + s.otherLength;
    if (offset > b || offset + len < a) return false;  // not touching the run
    const int32_t lo = std::min(a, offset), hi = std::max(b, offset + len);
    std::vector<uint8_t> before(static_cast<size_t>(hi - lo));
    for (int32_t i = lo; i < hi; ++i)
        before[static_cast<size_t>(i - lo)] = (i >= a && i < b) ? s.bytes[static_cast<size_t>(i - a)] : data()[i];
    historyBytes_ += before.size() - s.bytes.size();
    s.bytes = std::move(before);
    s.offset = lo;
    s.otherLength = hi - lo;
    apply(offset, len, bytes);
    trim();
    return true;
}

bool EditBuffer::write(int32_t offset, std::span<const uint8_t> bytes, bool typing) {
    if (!inFile(offset, static_cast<int64_t>(bytes.size()))) return false;
    if (bytes.empty()) return true;
    if (typing && mergeTyping(offset, bytes)) return true;
    runOpen_ = typing;
    Step s;
    s.offset = offset;
    s.otherLength = static_cast<int32_t>(bytes.size());
    s.typing = typing;
    s.bytes = apply(offset, static_cast<int32_t>(bytes.size()), bytes);
    record(std::move(s));
    return true;
}

bool EditBuffer::fill(int32_t offset, int32_t length, uint8_t value) {
    if (!inFile(offset, length)) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(length), value);
    return write(offset, bytes);
}

bool EditBuffer::splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert) {
    if (!inFile(offset, removeLength)) return false;
    const int64_t newSize = int64_t{st_.FileSize} - removeLength + static_cast<int64_t>(insert.size());
    if (newSize > INT32_MAX - static_cast<int64_t>(st_.HeaderSkip)) return false;
    if (removeLength == 0 && insert.empty()) return true;
    runOpen_ = false;
    Step s;
    s.offset = offset;
    s.otherLength = static_cast<int32_t>(insert.size());
    s.bytes = apply(offset, removeLength, insert);
    record(std::move(s));
    return true;
}

namespace {

uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Eight bytes at a time, the lowest address in the low byte of a word.
constexpr uint64_t kLows = 0x0101010101010101u, kHighs = 0x8080808080808080u;

// The first index of [from, end) where a and b differ, or end.
size_t nextDifference(const uint8_t* a, const uint8_t* b, size_t from, size_t end) {
    for (; from + 8 <= end; from += 8)
        if (const uint64_t x = load64(a + from) ^ load64(b + from)) return from + (std::countr_zero(x) >> 3);
    while (from < end && a[from] == b[from]) ++from;
    return from;
}

// The first index of [from, end) where a and b are equal, or end.
size_t nextEqual(const uint8_t* a, const uint8_t* b, size_t from, size_t end) {
    for (; from + 8 <= end; from += 8) {
        const uint64_t x = load64(a + from) ^ load64(b + from);
        // The lowest zero byte of x sets the lowest bit here.
        if (const uint64_t zero = (x - kLows) & ~x & kHighs) return from + (std::countr_zero(zero) >> 3);
    }
    while (from < end && a[from] != b[from]) ++from;
    return from;
}

// How many bytes before aEnd and bEnd are equal, at most `limit`.
size_t equalTail(const uint8_t* aEnd, const uint8_t* bEnd, size_t limit) {
    size_t n = 0;
    for (; n + 8 <= limit; n += 8)
        if (const uint64_t x = load64(aEnd - n - 8) ^ load64(bEnd - n - 8)) return n + (std::countl_zero(x) >> 3);
    while (n < limit && aEnd[-1 - static_cast<ptrdiff_t>(n)] == bEnd[-1 - static_cast<ptrdiff_t>(n)]) ++n;
    return n;
}

}  // namespace

bool EditBuffer::replaceAll(std::span<const uint8_t> content) {
    if (!st_.hasBuffer() || content.size() > static_cast<size_t>(INT32_MAX - st_.HeaderSkip)) return false;
    // A mapped file keeps its address while it is written in place.
    const std::span<const uint8_t> old = st_.fileBytes();
    // The common head and tail stay; only the middle is replaced.
    const uint8_t* a = old.data();
    const uint8_t* b = content.data();
    const size_t common = std::min(old.size(), content.size());
    const size_t head = nextDifference(a, b, 0, common);
    const size_t tail = equalTail(a + old.size(), b + content.size(), common - head);
    if (head == old.size() && head == content.size()) return true;  // nothing differs
    if (old.size() == content.size()) {
        // Same length: keep only the runs that differ, so a patch with
        // scattered changes costs its changed bytes, not the span between.
        constexpr size_t kJoin = 32;  // equal gaps shorter than this join two runs
        const size_t end = old.size() - tail;
        std::vector<std::pair<size_t, size_t>> spans;
        for (size_t i = head; i < end; i = nextDifference(a, b, i, end)) {
            size_t stop = nextEqual(a, b, i, end);
            while (stop < end) {
                const size_t again = nextDifference(a, b, stop, std::min(end, stop + kJoin));
                if (again - stop >= kJoin || again == end) break;
                stop = nextEqual(a, b, again, end);
            }
            spans.emplace_back(i, stop);
            i = stop;
        }
        if (spans.size() > 1) {
            runOpen_ = false;
            Step s;
            const auto [lastFrom, lastTo] = spans.back();
            s.offset = static_cast<int32_t>(lastFrom);
            s.otherLength = static_cast<int32_t>(lastTo - lastFrom);
            s.runs.reserve(spans.size() - 1);
            for (size_t k = 0; k + 1 < spans.size(); ++k) {
                const auto [from, to] = spans[k];
                writeRun(s, static_cast<int32_t>(from), static_cast<int32_t>(to - from), content.data() + from);
            }
            uint8_t* d = writable(static_cast<int32_t>(lastFrom), static_cast<int32_t>(lastTo - lastFrom));
            s.bytes.assign(d + lastFrom, d + lastTo);
            std::memcpy(d + lastFrom, content.data() + lastFrom, lastTo - lastFrom);
            last_ = {static_cast<int32_t>(head), static_cast<int32_t>(lastTo - head), false};
            record(std::move(s));
            return true;
        }
    }
    return splice(static_cast<int32_t>(head), static_cast<int32_t>(old.size() - head - tail),
                  content.subspan(head, content.size() - head - tail));
}

void EditBuffer::writeRun(Step& s, int32_t offset, int32_t length, const uint8_t* bytes, uint8_t value) {
    uint8_t* d = writable(offset, length) + offset;
    s.runs.push_back({offset, length});
    s.runBytes.insert(s.runBytes.end(), d, d + length);
    if (bytes)
        std::memcpy(d, bytes, static_cast<size_t>(length));
    else
        std::memset(d, value, static_cast<size_t>(length));
}

bool EditBuffer::writeRecords(std::span<const EditRecord> records) {
    if (!st_.hasBuffer()) return false;
    const int32_t oldSize = st_.FileSize;
    int64_t newSize = oldSize;
    for (const EditRecord& r : records) {
        if (r.offset < 0) return false;
        if (r.count > 0) newSize = std::max(newSize, r.offset + static_cast<int64_t>(r.count));
    }
    if (newSize > INT32_MAX - static_cast<int64_t>(st_.HeaderSkip)) return false;
    // The bytes up to the old end are kept run by run; a longer file gets
    // its new tail as the step's splice.
    Step s;
    s.offset = oldSize;
    s.otherLength = static_cast<int32_t>(newSize - oldSize);
    s.runs.reserve(records.size());
    if (newSize > oldSize) setSizes(static_cast<int32_t>(newSize));
    int64_t first = newSize, last = 0;
    for (const EditRecord& r : records) {
        if (r.count == 0) continue;
        const int64_t end = r.offset + static_cast<int64_t>(r.count);
        const uint8_t* from = r.data.empty() ? nullptr : r.data.data();
        const int64_t inside = std::min<int64_t>(end, oldSize) - r.offset;  // bytes before the old end
        if (inside > 0) {
            const auto at = static_cast<int32_t>(r.offset);
            const auto n = static_cast<size_t>(inside);
            // A record that writes what is there already changes nothing.
            const bool same = from ? std::memcmp(data() + at, from, n) == 0
                                   : std::all_of(data() + at, data() + at + n, [&](uint8_t b) { return b == r.value; });
            if (!same) {
                writeRun(s, at, static_cast<int32_t>(inside), from, r.value);
                first = std::min(first, r.offset);
                last = std::max(last, r.offset + inside);
            }
        }
        if (end > oldSize) {
            const int64_t at = std::max<int64_t>(r.offset, oldSize);
            const auto n = static_cast<size_t>(end - at);
            if (from)
                std::memcpy(data() + at, from + (at - r.offset), n);
            else
                std::memset(data() + at, r.value, n);
        }
    }
    if (s.runs.empty() && newSize == oldSize) {  // nothing differs
        last_ = {};
        return true;
    }
    runOpen_ = false;
    if (newSize > oldSize) {
        first = std::min<int64_t>(first, oldSize);
        last_ = {static_cast<int32_t>(first), static_cast<int32_t>(st_.BufferSize - first), true};
    } else {
        last_ = {static_cast<int32_t>(first), static_cast<int32_t>(last - first), false};
    }
    record(std::move(s));
    return true;
}

void EditBuffer::swapStep(Step& s, bool undoing) {
    const size_t before = s.size();
    // The runs lie before the splice and keep their length: swap them in
    // place, the last first when undoing, since they may overlap.
    const size_t count = s.runs.size();
    size_t at = undoing ? s.runBytes.size() : 0;
    for (size_t k = 0; k < count; ++k) {
        const Run& r = s.runs[undoing ? count - 1 - k : k];
        const auto n = static_cast<size_t>(r.length);
        if (undoing) at -= n;
        std::swap_ranges(s.runBytes.begin() + static_cast<long>(at), s.runBytes.begin() + static_cast<long>(at + n),
                         writable(r.offset, r.length) + r.offset);
        if (!undoing) at += n;
    }
    const int32_t nowLength = s.otherLength;
    std::vector<uint8_t> other = std::move(s.bytes);
    s.otherLength = static_cast<int32_t>(other.size());
    s.bytes = apply(s.offset, nowLength, other);
    if (!s.runs.empty()) {
        int32_t first = s.offset, last = s.offset + std::max(nowLength, s.otherLength);
        for (const Run& r : s.runs) {
            first = std::min(first, r.offset);
            last = std::max(last, r.offset + r.length);
        }
        const bool resized = nowLength != s.otherLength;
        last_ = {first, resized ? st_.BufferSize - first : last - first, resized};
    }
    historyBytes_ = historyBytes_ - before + s.size();
}

bool EditBuffer::undo() {
    if (!canUndo()) return false;
    runOpen_ = false;
    swapStep(steps_[--applied_], true);
    updateModified();
    return true;
}

bool EditBuffer::redo() {
    if (!canRedo()) return false;
    runOpen_ = false;
    swapStep(steps_[applied_++], false);
    updateModified();
    return true;
}

std::vector<std::pair<int32_t, int32_t>> EditBuffer::changedSinceSave(int32_t from, int32_t to) const {
    std::vector<std::pair<int32_t, int32_t>> out;
    if (!st_.Modified) return out;
    size_t lo = 0, hi = steps_.size();
    if (savedAt_ >= 0) {
        lo = std::min(static_cast<size_t>(savedAt_), applied_);
        hi = std::max(static_cast<size_t>(savedAt_), applied_);
    }
    auto add = [&](int64_t first, int64_t last) {
        if (last < first || last < from || first > to) return;
        out.emplace_back(static_cast<int32_t>(std::max<int64_t>(first, from)),
                         static_cast<int32_t>(std::min<int64_t>(last, to)));
    };
    for (size_t i = lo; i < hi; ++i) {
        const Step& s = steps_[i];
        if (static_cast<size_t>(s.otherLength) != s.bytes.size()) add(s.offset, INT32_MAX);
        else add(s.offset, int64_t{s.offset} + s.otherLength - 1);
        for (const Run& r : s.runs) add(r.offset, int64_t{r.offset} + r.length - 1);
    }
    return out;
}

void EditBuffer::markUnsaved() {
    savedAt_ = -1;
    updateModified();
}

void EditBuffer::markSaved() {
    savedAt_ = static_cast<long long>(applied_);
    runOpen_ = false;
    updateModified();
}

}  // namespace hexedit
