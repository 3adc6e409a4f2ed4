// The value inspector: numbers at the end of the file, byte orders and
// signs, pointer rows through the SNES mappings, the jump and the toggle.

#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/search/Goto.h"
#include "hexedit/search/ValueInspector.h"

using namespace hexedit;
using namespace hexedit::search;
using common::MsgIcon;

namespace {

size_t indexOf(const std::vector<InspectorRow>& rows, const std::string& label) {
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const InspectorRow& r) { return r.label == label; });
    EXPECT_NE(it, rows.end()) << label;
    return static_cast<size_t>(it - rows.begin());
}

const InspectorRow& rowOf(const std::vector<InspectorRow>& rows, const std::string& label) {
    return rows[indexOf(rows, label)];
}

struct FakePanel : ValueInspectorView {
    std::vector<bool> shows;
    void showPanel(bool shown) override { shows.push_back(shown); }
};

struct InspectorEnv {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    bool shown = false;
    ValueInspector inspector{session, shown};
    FakePanel panel;

    explicit InspectorEnv(std::vector<uint8_t> file) {
        session.load(std::move(file));
        inspector.setView(&panel);
    }
};

}  // namespace

TEST(ValueInspector, WidthsPastTheEndOfTheFileAreUnavailable) {
    // 16 bytes of FFh in a buffer whose zero tail must not be read.
    InspectorEnv e(std::vector<uint8_t>(16, 0xFF));
    ASSERT_GT(e.session.editorState.BufferSize, 16);
    const std::pair<const char*, size_t> needs[] = {
        {"Binary", 1},       {"8-bit", 1},        {"16-bit LE", 2},    {"16-bit BE", 2},
        {"24-bit LE", 3},    {"24-bit BE", 3},    {"32-bit LE", 4},    {"32-bit BE", 4},
        {"LoROM 16-bit", 2}, {"HiROM 16-bit", 2}, {"LoROM 24-bit", 3}, {"HiROM 24-bit", 3},
    };
    for (int32_t cursor = 12; cursor <= 17; ++cursor) {
        e.session.viewState.CursorOffset = cursor;
        const auto rows = e.inspector.rows();
        ASSERT_EQ(rows.size(), std::size(needs));
        const size_t left = static_cast<size_t>(std::max(0, 16 - cursor));
        for (size_t i = 0; i < rows.size(); ++i) {
            const InspectorRow& r = rows[i];
            SCOPED_TRACE(std::string(r.label) + " at " + std::to_string(cursor));
            EXPECT_EQ(r.label, needs[i].first);
            const bool na = needs[i].second > left;
            EXPECT_EQ(r.hex == kUnavailable, na);
            if (r.kind != InspectorRowKind::Binary) {
                EXPECT_EQ(r.unsignedText == kUnavailable, na);
            }
            if (r.kind == InspectorRowKind::Number) {
                EXPECT_EQ(r.signedText == kUnavailable, na);
                // Every byte read is FFh: a zero from the tail would show.
                if (!na) {
                    EXPECT_EQ(r.signedText, "-1");
                }
            }
            if (na) {
                EXPECT_FALSE(r.target);
            }
        }
    }
}

TEST(ValueInspector, SignsWidthsAndByteOrders) {
    const std::vector<uint8_t> file = {0x80, 0xFF, 0x01, 0xFE, 0x55};
    const auto rows = inspectBytes(file, 0, false);
    EXPECT_EQ(rowOf(rows, "Binary").hex, "10000000");
    struct Want {
        const char* label;
        const char* hex;
        const char* u;
        const char* s;
    };
    const Want wants[] = {
        {"8-bit", "80", "128", "-128"},
        {"16-bit LE", "FF80", "65408", "-128"},
        {"16-bit BE", "80FF", "33023", "-32513"},
        {"24-bit LE", "01FF80", "130944", "130944"},
        {"24-bit BE", "80FF01", "8453889", "-8323327"},
        {"32-bit LE", "FE01FF80", "4261543808", "-33423488"},
        {"32-bit BE", "80FF01FE", "2164195838", "-2130771458"},
    };
    for (const Want& w : wants) {
        const InspectorRow& r = rowOf(rows, w.label);
        EXPECT_EQ(r.hex, w.hex) << w.label;
        EXPECT_EQ(r.unsignedText, w.u) << w.label;
        EXPECT_EQ(r.signedText, w.s) << w.label;
    }
    EXPECT_EQ(rowOf(inspectBytes(file, 4, false), "8-bit").hex, "55");
    EXPECT_EQ(rowOf(inspectBytes(file, 4, false), "Binary").hex, "01010101");
}

TEST(ValueInspector, PointerRowsReachWhereTheMappingsSay) {
    struct Ptr {
        const char* address;
        const char* target;  // nullptr: outside the file
    };
    struct Case {
        const char* what;
        size_t size;
        int32_t cursor;
        std::vector<uint8_t> bytes;
        Ptr lo16, hi16, lo24, hi24;
    };
    const Case cases[] = {
        // The cursor at 18010h lies in LoROM bank 03 and HiROM bank C1.
        {"plain", 0x40000, 0x18010, {0x34, 0x92, 0x05},
         {"$03:9234", "00019234"}, {"$C1:9234", "00019234"}, {"$05:9234", "00029234"}, {"$05:9234", nullptr}},
        {"LoROM low half", 0x40000, 0x18010, {0x34, 0x12, 0x00},
         {"$03:1234", nullptr}, {"$C1:1234", "00011234"}, {"$00:1234", nullptr}, {"$00:1234", "00001234"}},
        // HiROM banks 00-3F, 40-7D and 80-BF mirror C0-FF, as Goto reads them.
        {"HiROM mirror", 0x40000, 0x18010, {0xB4, 0x92, 0x82},
         {"$03:92B4", "000192B4"}, {"$C1:92B4", "000192B4"}, {"$82:92B4", "000112B4"}, {"$82:92B4", "000292B4"}},
        {"past the end", 0x40000, 0x18010, {0x00, 0x80, 0xC7},
         {"$03:8000", "00018000"}, {"$C1:8000", "00018000"}, {"$C7:8000", nullptr}, {"$C7:8000", nullptr}},
        // 200h header: the cursor at 8210h is ROM offset 8010h. Bank 81 is
        // read with the bank-80 option, mirroring bank 01.
        {"headered", 0x40200, 0x8210, {0x00, 0x90, 0x81},
         {"$01:9000", "00009200"}, {"$C0:9000", "00009200"}, {"$81:9000", "00009200"}, {"$81:9000", "00019200"}},
        // Inside the header the cursor has no bank of its own.
        {"in the header", 0x40200, 0x10, {0x00, 0x90, 0xC0},
         {kUnavailable, nullptr}, {kUnavailable, nullptr}, {"$C0:9000", nullptr}, {"$C0:9000", "00009200"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file(c.size, 0);
        std::copy(c.bytes.begin(), c.bytes.end(), file.begin() + c.cursor);
        const auto rows = inspectBytes(file, c.cursor, hasCopierHeader(static_cast<int64_t>(c.size)));
        const std::pair<const char*, Ptr> want[] = {
            {"LoROM 16-bit", c.lo16}, {"HiROM 16-bit", c.hi16}, {"LoROM 24-bit", c.lo24}, {"HiROM 24-bit", c.hi24}};
        for (const auto& [label, p] : want) {
            const InspectorRow& r = rowOf(rows, label);
            EXPECT_EQ(r.kind, InspectorRowKind::Pointer) << label;
            EXPECT_EQ(r.hex, p.address) << label;
            const bool na = std::string(p.address) == kUnavailable;
            EXPECT_EQ(r.unsignedText, p.target ? p.target : na ? kUnavailable : kOutsideFile) << label;
            if (p.target)
                EXPECT_EQ(r.target, std::stoi(p.target, nullptr, 16)) << label;
            else
                EXPECT_FALSE(r.target) << label;
        }
    }
}

TEST(ValueInspector, DoubleClickFollowsAPointerAndPushesTheReturnOffset) {
    std::vector<uint8_t> file(0x20000, 0);
    file[0x8004] = 0x00;
    file[0x8005] = 0x90;  // LoROM $01:9000 = 9000h; HiROM $C0:9000 = 9000h
    InspectorEnv e(file);
    e.session.moveCursorTo(0x8004);
    const auto rows = e.inspector.rows();
    e.inspector.activate(static_cast<int>(indexOf(rows, "16-bit LE")));  // not a pointer: nothing
    e.inspector.activate(99);
    EXPECT_EQ(e.session.cursor(), 0x8004);
    EXPECT_EQ(e.session.navState.ReturnCount, 0);

    const int menus = e.session.host.menuUpdates;
    e.inspector.activate(static_cast<int>(indexOf(rows, "LoROM 16-bit")));
    EXPECT_EQ(e.session.cursor(), 0x9000);
    EXPECT_EQ(e.session.navState.ReturnCount, 1);
    EXPECT_EQ(e.session.navState.ReturnStack[0], 0x8004);
    EXPECT_GT(e.session.host.menuUpdates, menus);

    // A full return stack says so and the cursor stays.
    e.session.navState.ReturnCount = 64;
    e.session.moveCursorTo(0x8004);
    e.inspector.activate(static_cast<int>(indexOf(rows, "HiROM 16-bit")));
    e.port.expectMessage(kReturnStackFull, {}, MsgIcon::Exclamation);
    EXPECT_EQ(e.session.cursor(), 0x8004);
}

TEST(ValueInspector, ToggleShowsThePanelAndItsCloseButtonClearsTheCheck) {
    InspectorEnv e(std::vector<uint8_t>(4, 0));
    EXPECT_FALSE(e.session.commands().checked("ViewValueInspector1Click"));
    e.session.commands().run("ViewValueInspector1Click");
    EXPECT_TRUE(e.shown);
    EXPECT_TRUE(e.session.commands().checked("ViewValueInspector1Click"));
    e.session.commands().run("ViewValueInspector1Click");
    e.session.commands().run("ViewValueInspector1Click");
    EXPECT_EQ(e.panel.shows, (std::vector<bool>{true, false, true}));
    const int menus = e.session.host.menuUpdates;
    e.inspector.closed();
    EXPECT_FALSE(e.shown);
    EXPECT_FALSE(e.session.commands().checked("ViewValueInspector1Click"));
    EXPECT_EQ(e.session.host.menuUpdates, menus + 1);
}
