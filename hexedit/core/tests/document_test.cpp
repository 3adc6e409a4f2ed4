#include "hexedit/core/Document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace hexedit {
namespace {

using Bytes = std::vector<uint8_t>;

// Follows the document from its events alone: copies the bytes an event
// names and keeps the modified mark it announces.
struct Mirror {
    const Document& doc;
    Bytes bytes;
    bool modified = false;
    int cursorMoves = 0;
    Subscription sub;

    explicit Mirror(Document& d) : doc(d) {
        sub = d.subscribe([this](const DocumentEvent& e) {
            if (const auto* b = std::get_if<doc::BytesChanged>(&e)) {
                if (b->resized) bytes.resize(static_cast<size_t>(b->fileSize));
                const auto file = doc.editor().fileBytes();
                for (int64_t i = b->offset; i < int64_t{b->offset} + b->length && i < int64_t(bytes.size()); ++i)
                    bytes[static_cast<size_t>(i)] = file[static_cast<size_t>(i)];
            } else if (std::holds_alternative<doc::FileOpened>(e)) {
                const auto file = doc.editor().fileBytes();
                bytes.assign(file.begin(), file.end());
            } else if (std::holds_alternative<doc::FileClosed>(e)) {
                bytes.clear();
            } else if (const auto* m = std::get_if<doc::ModifiedChanged>(&e)) {
                modified = m->modified;
            } else if (std::holds_alternative<doc::CursorMoved>(e)) {
                ++cursorMoves;
            }
        });
    }
};

Bytes randomBytes(std::mt19937& rng, size_t n) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng() % 4);  // few values: writes often change nothing
    return b;
}

TEST(Document, ListenerRebuildsBytesAndModifiedMarkFromEventsAlone) {
    const auto path = std::filesystem::temp_directory_path() / "document_test.bin";
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        Document d;
        Mirror mirror(d);
        d.open(path.string(), randomBytes(rng, 100), 0, 100);
        for (int step = 0; step < 120; ++step) {
            const auto size = d.editor().FileSize;
            const auto at = static_cast<int32_t>(rng() % static_cast<uint32_t>(size + 1));
            const auto len = static_cast<int32_t>(rng() % 9);
            switch (rng() % 9) {
                case 0: d.writeBytes(at, randomBytes(rng, static_cast<size_t>(len)), rng() % 2 == 0); break;
                case 1: d.fill(at, len, static_cast<uint8_t>(rng())); break;
                case 2: d.splice(at, std::min(len, size - at), randomBytes(rng, rng() % 9)); break;
                case 3: d.replaceBuffer(randomBytes(rng, rng() % 160)); break;
                case 4: d.undo(); break;
                case 5: d.redo(); break;
                case 6: ASSERT_EQ(d.save(path.string()), ""); break;
                case 7: d.moveCursorTo(at); break;
                case 8:
                    if (rng() % 3 == 0) {
                        d.close();
                        ASSERT_TRUE(mirror.bytes.empty());
                        const auto n = static_cast<int32_t>(rng() % 130);
                        d.open(path.string(), randomBytes(rng, static_cast<size_t>(n)), 0, n);
                    } else {
                        d.closeTypingRun();
                    }
                    break;
            }
            const auto file = d.editor().fileBytes();
            ASSERT_EQ(mirror.bytes, Bytes(file.begin(), file.end())) << "seed " << seed << " step " << step;
            ASSERT_EQ(mirror.modified, d.modified()) << "seed " << seed << " step " << step;
        }
    }
    std::filesystem::remove(path);
}

TEST(Document, SubscriptionsEndWithTheirTokenAndMayOutliveTheDocument) {
    Subscription late;
    int calls = 0, other = 0;
    {
        Document d;
        d.open("x", Bytes(10, 0), 0, 10);
        Subscription a = d.subscribe([&](const DocumentEvent&) { ++calls; });
        // A listener that drops the first while an event is delivered.
        Subscription b = d.subscribe([&](const DocumentEvent&) {
            ++other;
            a.reset();
        });
        d.moveCursorTo(3);
        EXPECT_EQ(calls, 1);
        d.moveCursorTo(4);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(other, 2);
        {
            Subscription moved = std::move(b);
        }
        d.moveCursorTo(5);
        EXPECT_EQ(other, 2);
        late = d.subscribe([&](const DocumentEvent&) { ++calls; });
    }
    late.reset();  // the document is gone
    EXPECT_EQ(calls, 1);
}

TEST(Document, CursorMovesCloseTheTypingRunAndTellTheOffsetAsked) {
    Document d;
    Mirror mirror(d);
    d.open("x", Bytes(300, 0), 0, 300);
    int32_t told = -1;
    Subscription s = d.subscribe([&](const DocumentEvent& e) {
        if (const auto* c = std::get_if<doc::CursorMoved>(&e)) told = c->offset;
    });
    const uint8_t a = 1;
    d.writeBytes(0, {&a, 1}, true);
    d.moveCursorTo(0x123);
    EXPECT_EQ(told, 0x123);
    EXPECT_EQ(d.cursor(), 0x123);
    d.writeBytes(1, {&a, 1}, true);
    EXPECT_EQ(d.edits().stepCount(), 2u);  // the move ended the first run
    d.moveCursorTo(1 << 20);
    EXPECT_EQ(told, d.editor().BufferSize - 1);
}

}  // namespace
}  // namespace hexedit
