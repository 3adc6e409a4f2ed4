#include "hexedit/transfer/CompareFiles.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <optional>

#include "common/fileio.h"
#include "common/progress.h"

namespace hexedit::transfer {

namespace {

constexpr const char* kMissingNames = "Error: Missing file name(s).";
constexpr const char* kCannotOpen = "Fatal Error: Could not open A file...";
constexpr const char* kNoMemory = "Fatal Error: Could not allocate memory for comparison of the two files...";
constexpr const char* kCompleted = "File comparison completed!";
constexpr const char* kPleaseWait = "Compare Files...Please Wait.";

// Bytes read between two progress reports.
constexpr size_t kReadChunk = size_t{4} << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// One file to compare: opened first, then given memory for the bytes that
// are compared (the length of the shorter file), then read in chunks inside
// the busy loop.
struct CompareInput {
    std::unique_ptr<std::FILE, FileCloser> file;
    uint64_t length = 0;  // of the file
    uint64_t used = 0;    // bytes read and compared
    std::unique_ptr<uint8_t[]> bytes;

    bool open(const std::string& path) {
        const auto size = common::fileLength(path);
        if (!size) return false;
        file.reset(std::fopen(path.c_str(), "rb"));
        length = *size;
        return file != nullptr;
    }
    bool allocate(uint64_t n) {
        if (n > kMaxCompareLength) return false;
        try {
            bytes = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(n));
        } catch (const std::bad_alloc&) {
            return false;
        }
        used = n;
        return true;
    }
    enum Read { Done, Failed, Stopped };
    // A file that shrank or failed while being read is Failed.
    Read read(const std::function<bool(uint64_t)>& progress) {
        for (uint64_t done = 0; done < used;) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(kReadChunk, used - done));
            if (std::fread(bytes.get() + done, 1, want, file.get()) != want) return Failed;
            done += want;
            if (!progress(done)) return Stopped;
        }
        file.reset();
        return Done;
    }
    std::span<const uint8_t> span() const { return {bytes.get(), static_cast<size_t>(used)}; }
};

}  // namespace

std::string resultsCaption(size_t runs) {
    return "Compare Files...Results: " + std::to_string(runs) + " difference(s) found.";
}

CompareFiles::CompareFiles(EditSession& session) : session_(session) {
    session_.commands().add({.name = "CompareFiles1Click",
                             .caption = "C&ompare Files",
                             .shortcut = "Ctrl+C",
                             .hint = "List the bytes where two files differ",
                             .run = [this] { CompareFiles1Click(); }});
}

void CompareFiles::refresh() {
    if (view_) view_->refresh();
}

void CompareFiles::setCaption(std::string caption) {
    caption_ = std::move(caption);
    refresh();
}

void CompareFiles::closeWindow() {
    visible_ = false;
    if (view_) view_->closeWindow();
}

void CompareFiles::CompareFiles1Click() {
    visible_ = true;
    if (view_) view_->showWindow();
}

void CompareFiles::browseClick(int tag) {
    if (comparing_) return;
    common::OpenRequest r;
    r.initialFolder = session_.editor().LastDirectory;
    r.filter = "All files (*.*)|*.*";
    if (auto chosen = session_.port().openFile(r)) {
        pathEdited(tag, *chosen);
        refresh();
    }
}

void CompareFiles::Button3Click() {
    if (comparing_) return;
    setCaption(kCompareCaption);
    if (paths_[0].empty() || paths_[1].empty()) {
        session_.port().inform(kMissingNames);
        return;
    }
    std::array<CompareInput, 2> in;
    if (!in[0].open(paths_[0]) || !in[1].open(paths_[1])) {
        session_.port().inform(kCannotOpen, {}, common::MsgIcon::Stop);
        closeWindow();
        return;
    }
    // Bytes past the shorter length are never compared, so never read.
    const uint64_t n = std::min(in[0].length, in[1].length);
    if (!in[0].allocate(n) || !in[1].allocate(n)) {
        session_.port().inform(kNoMemory, {}, common::MsgIcon::Stop);
        return;
    }

    results_.clear();
    comparing_ = true;
    setCaption(kPleaseWait);
    // Reading and comparing report to one bar.
    const uint64_t total = 3 * n;
    std::optional<RunList> runs;
    bool readFailed = false;
    // The status bar's progress is labelled with the button's caption.
    session_.runBusy("Compare", [&](const common::Progress& progress) {
        // The session lets events run at most every 50 ms however often it
        // is called; reading and the scan call it once per chunk.
        uint64_t before = 0;
        const auto step = [&](uint64_t done) { return progress(before + done, total); };
        for (CompareInput& f : in) {
            const auto r = f.read(step);
            if (r != CompareInput::Done) {
                readFailed = r == CompareInput::Failed;
                return false;
            }
            before += n;
        }
        runs = findDiffRuns(in[0].span(), in[1].span(), [&](uint64_t done, uint64_t) { return step(done); });
        return runs.has_value();
    });
    comparing_ = false;
    in = {};
    if (!runs) {
        // Cancelled, or refused because another long loop holds the session:
        // nothing is listed and nothing is reported.
        setCaption(kCompareCaption);
        if (readFailed) {
            session_.port().inform(kCannotOpen, {}, common::MsgIcon::Stop);
            closeWindow();
        }
        return;
    }
    const size_t count = runs->size();
    results_.setRuns(std::move(*runs));
    setCaption(count ? resultsCaption(count) : kCompareCaption);
    session_.port().inform(kCompleted, {}, common::MsgIcon::Exclamation);
}

void CompareFiles::CompListDblClick(size_t row) {
    const auto offset = results_.offsetAt(row);
    if (!offset || !session_.editor().hasBuffer()) return;
    const auto limit = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
    session_.moveCursorTo(static_cast<int32_t>(*offset < limit ? *offset : limit));
}

}  // namespace hexedit::transfer
