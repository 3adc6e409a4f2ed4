// The byte store with undo and redo, checked against snapshots of the whole
// file taken after every step.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/core/EditBuffer.h"

namespace hexedit {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes fileOf(const EditorState& st) { return Bytes(st.fileBytes().begin(), st.fileBytes().end()); }

struct Store {
    EditorState st;
    EditBuffer buf{st};
    explicit Store(Bytes b, uint32_t header = 0) {
        const auto size = static_cast<int32_t>(b.size() - header);
        buf.load(std::move(b), header, size);
    }
};

// Random edits, undos and redos against a history of snapshots: the bytes,
// the zero tail, the sizes and the modified mark always match.
TEST(EditBuffer, RandomEditsUndoAndRedoMatchSnapshots) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        const uint32_t header = round % 4 == 0 ? 3 : 0;
        Bytes start(header + rng() % 300, 0);
        for (auto& b : start) b = static_cast<uint8_t>(rng());
        Store s(start, header);
        std::vector<Bytes> history{fileOf(s.st)};
        size_t at = 0, saved = 0;
        for (int step = 0; step < 200; ++step) {
            const int32_t size = s.st.FileSize;
            const int32_t off = size ? static_cast<int32_t>(rng() % (size + 1)) : 0;
            const int32_t len = static_cast<int32_t>(rng() % 9);
            Bytes data(rng() % 9);
            for (auto& b : data) b = static_cast<uint8_t>(rng());
            bool ok = false;
            const int op = static_cast<int>(rng() % 9);
            switch (op) {
                case 0: ok = s.buf.write(off, data, rng() % 2); break;
                case 1: ok = s.buf.fill(off, len, static_cast<uint8_t>(rng())); break;
                case 2: ok = s.buf.splice(off, len, data); break;
                case 3: {
                    // A patched copy: a few scattered bytes, sometimes a new length.
                    Bytes content = fileOf(s.st);
                    for (int flips = 1 + static_cast<int>(rng() % 4); flips > 0 && !content.empty(); --flips)
                        content[rng() % content.size()] ^= 0x5A;
                    if (rng() % 2) content.resize(content.size() + rng() % 3);
                    ok = s.buf.replaceAll(content);
                    break;
                }
                case 8: {
                    // Records of patches: overlapping, some past the end.
                    Bytes pool(64);
                    for (auto& b : pool) b = static_cast<uint8_t>(rng());
                    std::vector<EditRecord> records;
                    Bytes expected = fileOf(s.st);
                    for (int k = static_cast<int>(rng() % 5); k > 0; --k) {
                        EditRecord r;
                        r.offset = rng() % (size + 12);
                        r.count = rng() % 12;
                        r.value = static_cast<uint8_t>(rng() % 3);
                        if (rng() % 2) r.data = std::span(pool).subspan(rng() % 32, r.count);
                        records.push_back(r);
                        if (r.count == 0) continue;
                        if (expected.size() < r.offset + r.count) expected.resize(r.offset + r.count, 0);
                        for (size_t i = 0; i < r.count; ++i)
                            expected[r.offset + i] = r.data.empty() ? r.value : r.data[i];
                    }
                    ok = s.buf.writeRecords(records);
                    ASSERT_EQ(fileOf(s.st), expected);
                    break;
                }
                case 4:
                case 5:
                    if (s.buf.undo()) --at;
                    break;
                case 6:
                    if (s.buf.redo()) ++at;
                    break;
                case 7:
                    s.buf.markSaved();
                    saved = at;
                    break;
            }
            if (ok) {
                // A new step, or a typed byte joined to the top step (or no change).
                if (s.buf.stepCount() == at + 1 && !s.buf.canRedo()) {
                    history.resize(at + 1);
                    if (saved != SIZE_MAX && saved > at) saved = SIZE_MAX;
                    ++at;
                    history.push_back(fileOf(s.st));
                } else {
                    history[at] = fileOf(s.st);
                }
            }
            ASSERT_EQ(fileOf(s.st), history[at]) << "round " << round << " step " << step;
            ASSERT_EQ(s.st.BufferSize, std::max<int32_t>(s.st.FileSize + header, kMinViewBytes) - header);
            // The tail past the file reads as zero (where shrinking left bytes, and at the end).
            for (int32_t i = s.st.FileSize; i < std::min(s.st.FileSize + 16, s.st.BufferSize); ++i)
                ASSERT_EQ(s.st.byteAt(i), 0);
            ASSERT_EQ(s.st.byteAt(s.st.BufferSize - 1), s.st.FileSize == s.st.BufferSize ? history[at].back() : 0);
            ASSERT_EQ(s.st.Modified, saved != at);
            // Every byte that differs from the saved file is marked changed.
            const auto marks = s.buf.changedSinceSave(0, INT32_MAX);
            if (saved == at) {
                ASSERT_TRUE(marks.empty());
            }
            if (saved == SIZE_MAX) continue;
            const Bytes now = fileOf(s.st);
            for (size_t i = 0; i < now.size(); ++i) {
                if (i < history[saved].size() && now[i] == history[saved][i]) continue;
                const bool marked = std::any_of(marks.begin(), marks.end(), [i](auto m) {
                    return int64_t(i) >= m.first && int64_t(i) <= m.second;
                });
                ASSERT_TRUE(marked) << "round " << round << " step " << step << " byte " << i;
            }
        }
    }
}

TEST(EditBuffer, TypingRunIsOneStepAndSaveSplitsIt) {
    Store s(Bytes(16, 0));
    const uint8_t a = 1, b = 2, c = 3;
    s.buf.write(4, {&a, 1}, true);
    s.buf.write(5, {&b, 1}, true);
    s.buf.write(5, {&c, 1}, true);  // typing over the last byte again
    EXPECT_EQ(s.buf.stepCount(), 1u);
    s.buf.markSaved();
    s.buf.write(6, {&a, 1}, true);
    EXPECT_EQ(s.buf.stepCount(), 2u);
    EXPECT_TRUE(s.st.Modified);
    using Marks = std::vector<std::pair<int32_t, int32_t>>;
    EXPECT_EQ(s.buf.changedSinceSave(0, 15), (Marks{{6, 6}}));
    EXPECT_EQ(s.buf.changedSinceSave(7, 15), Marks{});
    s.buf.undo();
    EXPECT_FALSE(s.st.Modified);  // back at the saved bytes
    EXPECT_EQ(s.buf.changedSinceSave(0, 15), Marks{});
    s.buf.undo();
    EXPECT_TRUE(s.st.Modified);  // before the save
    EXPECT_EQ(s.buf.changedSinceSave(0, 15), (Marks{{4, 5}}));
    EXPECT_EQ(fileOf(s.st), Bytes(16, 0));
    s.buf.redo();
    EXPECT_FALSE(s.st.Modified);
    s.buf.closeRun();
    // Writes outside the file change nothing and record nothing.
    EXPECT_FALSE(s.buf.write(16, {&a, 1}));
    EXPECT_FALSE(s.buf.fill(10, 7, 0));
    EXPECT_EQ(s.buf.stepCount(), 2u);
}

TEST(EditBuffer, HistoryKeepsOnlyReplacedBytesAndDropsTheOldest) {
    Store s(Bytes(1 << 20, 7));
    // Growing by 4 MiB of zeros stores nothing; shrinking stores what went.
    const Bytes grow(4 << 20, 0);
    s.buf.splice(1 << 20, 0, grow);
    EXPECT_EQ(s.buf.historyBytes(), 0u);
    s.buf.splice(0, 2 << 20, {});
    EXPECT_EQ(s.buf.historyBytes(), size_t{2} << 20);
    // A patched copy with three bytes changed far apart keeps three bytes.
    Bytes patched = fileOf(s.st);
    for (size_t at : {size_t{10}, size_t{1} << 20, (size_t{3} << 20) - 1}) patched[at] ^= 1;
    s.buf.replaceAll(patched);
    EXPECT_EQ(s.buf.historyBytes(), (size_t{2} << 20) + 3);
    s.buf.undo();
    EXPECT_EQ(fileOf(s.st)[size_t{1} << 20], patched[size_t{1} << 20] ^ 1);
    s.buf.redo();
    EXPECT_EQ(fileOf(s.st), patched);
    // So do three one-byte records, and a record that writes what is there
    // keeps nothing.
    const size_t before = s.buf.historyBytes();
    const Bytes one{9};
    s.buf.writeRecords(std::vector<EditRecord>{{5, 1, one}, {1 << 21, 1, {}, 3}, {7, 1, one}, {8, 2, {}, 0}});
    EXPECT_EQ(s.buf.historyBytes(), before + 3);
    s.buf.undo();
    EXPECT_EQ(fileOf(s.st), patched);
    s.buf.redo();
    s.buf.setHistoryLimit(3 << 20);
    for (int i = 0; i < 4; ++i) s.buf.fill(0, 1 << 20, static_cast<uint8_t>(i));
    EXPECT_LE(s.buf.historyBytes(), size_t{3} << 20);
    EXPECT_EQ(s.buf.stepCount(), 3u);
    while (s.buf.undo()) {
    }
    EXPECT_TRUE(s.st.Modified);  // the save point was dropped with the oldest steps
    EXPECT_EQ(s.st.FileSize, 3 << 20);
}

TEST(EditSessionUndo, MenuUndoRedoFollowTypingAndPaste) {
    common::testing::ScriptedPort port;
    DataPad pad(port);
    pad.FormCreate("/tmp");
    ASSERT_TRUE(pad.replaceBuffer(Bytes{}) == false);  // nothing open
    EXPECT_FALSE(pad.commandEnabled("Undo1Click"));
    // A file in memory: a whole replacement is one step, undone by the menu.
    pad.document().open("/tmp/x.bin", Bytes(64, 0x20), 0, 64);
    pad.UpdateMenuItems();
    pad.hexView.FormKeyPress(U'4');
    pad.hexView.FormKeyPress(U'1');
    pad.hexView.FormKeyPress(U'4');
    pad.hexView.FormKeyPress(U'2');
    EXPECT_EQ(pad.editor().byteAt(0), 0x41);
    EXPECT_EQ(pad.editor().byteAt(1), 0x42);
    port.clipboard = "4344";
    pad.runCommand("AsHex1Click");
    EXPECT_EQ(pad.document().edits().stepCount(), 2u);  // the typing run, then the paste
    EXPECT_TRUE(pad.commandEnabled("Undo1Click"));
    EXPECT_TRUE(pad.runCommand("Undo1Click"));
    EXPECT_EQ(pad.editor().byteAt(2), 0x20);
    EXPECT_EQ(pad.editor().byteAt(1), 0x42);
    EXPECT_TRUE(pad.runCommand("Undo1Click"));
    EXPECT_EQ(pad.editor().byteAt(0), 0x20);
    EXPECT_FALSE(pad.editor().Modified);
    EXPECT_FALSE(pad.commandEnabled("Undo1Click"));
    EXPECT_TRUE(pad.runCommand("Redo1Click"));
    EXPECT_EQ(pad.editor().byteAt(1), 0x42);
    EXPECT_EQ(pad.view().CursorOffset, 0);  // the cursor goes to the change
    EXPECT_TRUE(pad.editor().Modified);
}

}  // namespace
}  // namespace hexedit

namespace hexedit {
namespace {

struct BusyWatch : DataPadView {
    DataPad& pad;
    std::vector<bool> busy;
    int progress = 0;
    explicit BusyWatch(DataPad& p) : pad(p) { pad.setView(this); }
    ~BusyWatch() override { pad.setView(nullptr); }
    void busyChanged() override { busy.push_back(pad.busy()); }
    void progressChanged() override { ++progress; }
};

TEST(EditSessionBusy, LongLoopReportsBlocksCommandsAndCancels) {
    common::testing::ScriptedPort port;
    DataPad pad(port);
    pad.FormCreate("/tmp");
    BusyWatch watch(pad);
    bool nested = true;
    const bool result = pad.runBusy("Comparing", [&](const common::Progress& progress) {
        EXPECT_FALSE(pad.commandEnabled("Open1Click"));
        nested = pad.runBusy("again", [](const common::Progress&) { return true; });
        EXPECT_TRUE(progress(1, 10));  // the first report always passes
        pad.cancelBusy();
        return progress(2, 10);  // the next answer is the cancel
    });
    EXPECT_FALSE(result);
    EXPECT_FALSE(nested);
    EXPECT_EQ(watch.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(watch.progress, 1);
    EXPECT_GE(port.processEventsCalls, 1);
    EXPECT_TRUE(pad.commandEnabled("Open1Click"));
}

TEST(EditSessionBusy, PasteTypesInsideTheBusyRunner) {
    common::testing::ScriptedPort port;
    DataPad pad(port);
    pad.FormCreate("/tmp");
    pad.document().open("/tmp/x.bin", Bytes(4096, 0x20), 0, 4096);
    BusyWatch watch(pad);
    for (int i = 0; i < 3000; ++i) port.clipboard += "41";
    EXPECT_TRUE(pad.runCommand("AsHex1Click"));
    EXPECT_EQ(watch.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(pad.editor().byteAt(2999), 'A');
    EXPECT_EQ(pad.document().edits().stepCount(), 1u);
    EXPECT_FALSE(pad.busy());
}

}  // namespace
}  // namespace hexedit
