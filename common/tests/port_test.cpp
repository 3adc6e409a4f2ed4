#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include "common/gamerom.h"
#include "common/testing/ScriptedPort.h"

using namespace common;
using common::testing::ScriptedPort;

TEST(Port, ParseFilter) {
    auto f = parseFilter("Tbl files (*.tbl)|*.TBL|All|*.a;*.b");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0], (FilterEntry{"Tbl files (*.tbl)", {"*.TBL"}}));
    EXPECT_EQ(f[1], (FilterEntry{"All", {"*.a", "*.b"}}));
    EXPECT_EQ(parseFilter("Label").front(), (FilterEntry{"Label", {}}));
    EXPECT_TRUE(parseFilter("").empty());
}

TEST(ScriptedPort, AnswersPromptsInOrderAndRecordsMessages) {
    ScriptedPort port;
    port.answerQuestion(false);
    port.answerOpen("/x/y.bin");
    EXPECT_FALSE(port.ask("Save?", "Title..."));
    EXPECT_EQ(port.openFile(OpenRequest{"Open", "", "", "", false}), std::optional<std::string>("/x/y.bin"));
    port.inform("Done", "", MsgIcon::Exclamation);
    port.expectMessage("Save?", "Title...", MsgIcon::Question, MsgButtons::YesNo);
    port.expectMessage("Done", "", MsgIcon::Exclamation);
    EXPECT_EQ(port.openRequests.size(), 1u);
}

TEST(ScriptedPort, FailsOnUnexpectedPromptsAndUncheckedMessages) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPort port;
            port.ask("Unscripted?", "");
            port.clearMessages();
        },
        "unexpected question");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPort port;
            port.answerSave("/a");
            port.openFile({});
        },
        "came where another prompt was scripted");
    EXPECT_NONFATAL_FAILURE({ ScriptedPort port; port.inform("left over"); }, "unchecked message box");
    EXPECT_NONFATAL_FAILURE({ ScriptedPort port; port.answerQuestion(true); }, "never asked for");
}

TEST(GameRom, ConventionsOfTheGame) {
    EXPECT_EQ(gamerom::headerSize(0x200000), 0u);
    EXPECT_EQ(gamerom::headerSize(0x200200), 512u);
    EXPECT_EQ(gamerom::snesToRom(0xC06321), 0x6321u);
    EXPECT_EQ(gamerom::snesToRom(0), 0u);
    std::vector<uint8_t> image(0x10000);
    EXPECT_FALSE(gamerom::titleMatches(image));
    std::copy(gamerom::kTitle.begin(), gamerom::kTitle.end(), image.begin() + 0xFFC0);
    EXPECT_TRUE(gamerom::titleMatches(image));
    image[0xFFC0] = 'v';
    EXPECT_FALSE(gamerom::titleMatches(image));
    EXPECT_FALSE(gamerom::titleMatches(std::span(image).first(0xFFCC)));
}
