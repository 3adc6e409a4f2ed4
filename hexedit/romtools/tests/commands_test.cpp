#include <gtest/gtest.h>

#include <random>

#include "hexedit/romtools/Bps.h"
#include "hexedit/romtools/Ips.h"
#include "hexedit/romtools/Ips32.h"
#include "hexedit/romtools/PatchFormats.h"
#include "hexedit/romtools/SnesChecksum.h"
#include "hexedit/romtools/tests/RomToolsFixture.h"

using namespace hexedit::romtools;
using namespace hexedit::romtools::testing;
using common::MsgButtons;
using common::MsgIcon;

namespace {

std::vector<uint8_t> readBack(const std::string& path) {
    std::vector<uint8_t> v;
    common::readWholeFile(path, v);
    return v;
}

constexpr char kCreator[] = "IPS Creator...";

}  // namespace

TEST(CreatePatch, MessagesFilesAndTheDialog) {
    Env env;
    auto unchanged = pattern(70000);
    auto edited = unchanged;
    edited[500] ^= 1;
    env.open(edited);
    const std::string ips = env.path("game.ips");

    env.port().cancelOpen();
    env.session.commands().run("CreateanIPSFile1Click");
    ASSERT_EQ(env.port().openRequests.size(), 1u);
    EXPECT_EQ(env.port().openRequests[0].title, "Open UNCHANGED file...");
    EXPECT_EQ(env.port().openRequests[0].filter, "All files (*.*)|*.*");
    EXPECT_FALSE(env.port().openRequests[0].multiple);

    env.port().answerOpen(env.path("missing.smc"));
    env.tools.patches.CreateanIPSFile1Click();
    env.port().expectMessage("File Not found or Valid... No patch created.");

    env.port().answerOpen(env.write("same.smc", edited));
    env.tools.patches.CreateanIPSFile1Click();
    env.port().expectMessage(" These files are the same.\n No patch created.", kCreator, MsgIcon::Stop);
    EXPECT_FALSE(common::fileExists(ips));

    env.port().answerOpen(env.write("orig.smc", unchanged));
    env.tools.patches.CreateanIPSFile1Click();
    env.port().expectMessage("Patch Creation completed!", kCreator, MsgIcon::Exclamation);
    EXPECT_EQ(readBack(ips).size(), 14u);

    // Identical files remove the patch an earlier run left, of either IPS
    // kind, so that nothing looks like the result.
    env.write("game.ips32", {});
    env.port().answerOpen(env.path("same.smc"));
    env.tools.patches.CreateanIPSFile1Click();
    env.port().expectMessage(" These files are the same.\n No patch created.", kCreator, MsgIcon::Stop);
    EXPECT_FALSE(common::fileExists(ips));
    EXPECT_FALSE(common::fileExists(env.path("game.ips32")));

    // Editing a patch file: its own path is never the output.
    Env own;
    own.open(edited, "notes.ips");
    own.port().answerOpen(own.write("orig.smc", unchanged));
    own.tools.patches.CreateanIPSFile1Click();
    own.port().expectMessage("No Patching was performed...");
    EXPECT_EQ(readBack(own.path("notes.ips")), std::vector<uint8_t>());
}

TEST(CreatePatch, EditsBeyondSixteenMegabytesOfferIps32) {
    Env env;
    std::vector<uint8_t> unchanged(kIpsOffsetLimit + 16, 0);
    auto edited = unchanged;
    edited[kIpsOffsetLimit + 2] = 1;
    env.open(edited);
    const std::string question =
        " The files differ at offset 01000002.\n An IPS patch cannot reach 16 MB and beyond.\n Create an IPS32 patch instead?";
    const std::string orig = env.write("orig.smc", unchanged);
    env.port().answerOpen(orig);
    env.port().answerQuestion(false);
    env.tools.patches.CreateanIPSFile1Click();
    env.port().expectMessage(question, kCreator, MsgIcon::Question, MsgButtons::YesNo);
    env.port().expectMessage(" No patch created.", kCreator, MsgIcon::Stop);
    EXPECT_FALSE(common::fileExists(env.path("game.ips")));

    env.port().answerOpen(orig);
    env.port().answerQuestion(true);
    env.tools.patches.CreateanIPSFile1Click();
    env.port().expectMessage(question, kCreator, MsgIcon::Question, MsgButtons::YesNo);
    env.port().expectMessage("Patch Creation completed!", kCreator, MsgIcon::Exclamation);
    EXPECT_FALSE(common::fileExists(env.path("game.ips")));  // classic IPS tools refuse it
    auto applied = unchanged;
    ASSERT_EQ(applyIps32(readBack(env.path("game.ips32")), applied), Ips32ApplyStatus::Ok);
    EXPECT_TRUE(applied == edited);
}

// A BPS patch made by the menu, then applied after an IPS patch by F6 in one
// step; a BPS patch for another file changes nothing and names both CRC32s.
TEST(BpsPatches, CreateThenApplyWithIpsAndRefuseAnotherFile) {
    Env env;
    const auto base = pattern(70000);
    auto edited = base;
    edited[300] ^= 0xFF;
    edited.resize(69000);
    env.open(edited);
    env.port().answerOpen(env.write("orig.smc", base));
    env.session.commands().run("CreateaBPSFile1Click");
    env.port().expectMessage("Patch Creation completed!", "BPS Creator...", MsgIcon::Exclamation);
    const auto bps = readBack(env.path("game.bps"));
    ASSERT_EQ(applyBps(bps, base).target, edited);
    env.port().answerOpen(env.write("same.smc", edited));
    env.session.commands().run("CreateaBPSFile1Click");
    env.port().expectMessage(" These files are the same.\n No patch created.", "BPS Creator...", MsgIcon::Stop);
    EXPECT_FALSE(common::fileExists(env.path("game.bps")));

    auto first = base;
    first[5] = 0x42;
    const auto ips = env.write("1.ips", createIps(base, first).patch);
    const auto bpsPath = env.write("2.bps", createBps(first, edited));
    Env apply;
    apply.open(base);
    apply.port().answerQuestion(false);
    apply.port().answerOpen(std::vector<std::string>{ips, bpsPath});
    const size_t steps = apply.steps();
    apply.tools.patches.PatchCurrentFile1Click();
    apply.port().clearMessages();
    EXPECT_EQ(apply.file(), edited);
    EXPECT_EQ(apply.steps(), steps + 1);

    apply.port().answerQuestion(false);
    apply.port().answerOpen(bpsPath);
    apply.tools.patches.PatchCurrentFile1Click();
    apply.port().takeMessage();
    const std::string refusal = apply.port().takeMessage().text;
    char crcs[40];
    std::snprintf(crcs, sizeof crcs, "%08X", crc32Of(first));
    EXPECT_NE(refusal.find(crcs), std::string::npos) << refusal;
    std::snprintf(crcs, sizeof crcs, "%08X", crc32Of(edited));
    EXPECT_NE(refusal.find(crcs), std::string::npos) << refusal;
    EXPECT_EQ(apply.file(), edited);
    EXPECT_EQ(apply.steps(), steps + 1);
}

TEST(ApplyPatches, SeveralInOrderAsOneUndoStep) {
    Env env;
    const auto base = pattern(70000);
    auto mid = base;
    mid[10] = 0xAA;
    auto last = mid;
    last[10] = 0xBB;
    last.resize(80000, 0x11);
    env.open(base);
    const auto p1 = env.write("1.ips", createIps(base, mid).patch);
    const auto p2 = env.write("2.ips", createIps(mid, last).patch);

    env.port().answerQuestion(true);
    env.port().answerOpen(std::vector<std::string>{p1, p2});
    const size_t steps = env.steps();
    env.tools.patches.PatchCurrentFile1Click();
    env.port().expectMessage("Save ROM before patching?", " IPS Patcher...", MsgIcon::Question, MsgButtons::YesNo);
    env.port().expectMessage("Rom file was saved successfully!", "", MsgIcon::Exclamation);
    env.port().expectMessage("Patching is complete! Remember to SAVE the changes!");
    EXPECT_EQ(env.session.host.written, std::vector<std::string>{env.path("game.smc")});
    const auto& req = env.port().openRequests.back();
    EXPECT_EQ(req.title, "Select PATCH file(s)...");
    EXPECT_EQ(req.filter,
              "Patch files (*.ips;*.ips32;*.bps)|*.ips;*.ips32;*.bps|IPS files (*.ips)|*.ips|"
              "IPS32 files (*.ips32)|*.ips32|BPS files (*.bps)|*.bps");
    EXPECT_TRUE(req.multiple);
    EXPECT_EQ(env.file(), last);
    EXPECT_TRUE(env.session.editor().Modified);
    EXPECT_EQ(env.steps(), steps + 1);
    env.undo();
    EXPECT_EQ(env.file(), base);
}

// A save asked for before patching that fails stops the patching.
TEST(ApplyPatches, NothingAfterAFailedSave) {
    Env env;
    env.open(pattern(1000));
    env.session.editorState.CurrentPath = env.path("no/such/game.smc");  // saving fails
    env.port().answerQuestion(true);
    env.tools.patches.PatchCurrentFile1Click();
    env.port().expectMessage("Save ROM before patching?", " IPS Patcher...", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(env.port().takeMessage().icon, MsgIcon::Stop);
    EXPECT_TRUE(env.port().openRequests.empty());
    EXPECT_EQ(env.file(), pattern(1000));
}

// Random IPS and IPS32 patches, with overlapping records, records past the
// end and, with a hidden header, records inside it: written as records they
// give what the patches applied to a copy give, as one undo step.
TEST(ApplyPatches, RecordsMatchTheCopyAndUndoExactly) {
    std::mt19937 rng(31);
    auto big = [](std::vector<uint8_t>& out, uint64_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    for (int round = 0; round < 60; ++round) {
        Env env;
        const size_t skip = round % 3 == 0 ? 16 : 0;
        const auto stored = pattern(skip + 200 + rng() % 600, static_cast<unsigned>(round));
        env.open(stored);
        env.session.doc.open(env.path("game.smc"), stored, static_cast<uint32_t>(skip), static_cast<int32_t>(stored.size() - skip));
        std::vector<std::string> paths;
        auto expected = stored;
        for (int p = 1 + static_cast<int>(rng() % 3); p > 0; --p) {
            const bool ips32 = rng() % 3 == 0;
            std::vector<uint8_t> patch;
            for (char c : std::string(ips32 ? "IPS32" : "PATCH")) patch.push_back(static_cast<uint8_t>(c));
            for (int r = static_cast<int>(rng() % 6); r > 0; --r) {
                // Offsets near the header's end and the file's end.
                const uint64_t offset = (rng() % 2 ? skip : stored.size()) + rng() % 40 - std::min<size_t>(20, skip);
                big(patch, offset, ips32 ? 4 : 3);
                const size_t count = 1 + rng() % 30;  // size 0 marks a run: plain records have 1 or more
                if (rng() % 2) {
                    big(patch, 0, 2);
                    big(patch, count - rng() % 2, 2);  // runs of 0 bytes too
                    patch.push_back(static_cast<uint8_t>(rng()));
                } else {
                    big(patch, count, 2);
                    for (size_t i = 0; i < count; ++i) patch.push_back(static_cast<uint8_t>(rng()));
                }
            }
            for (char c : std::string(ips32 ? "EEOF" : "EOF")) patch.push_back(static_cast<uint8_t>(c));
            paths.push_back(env.write(std::to_string(p) + ".ips", patch));
            const auto outcome = applyAnyPatch(patch, "p", expected);
            ASSERT_TRUE(outcome.ok) << outcome.message << " round " << round;
        }
        const bool headerKept = std::equal(stored.begin(), stored.begin() + static_cast<long>(skip), expected.begin());
        env.port().answerQuestion(false);
        env.port().answerOpen(paths);
        env.tools.patches.PatchCurrentFile1Click();
        env.port().takeMessage();
        env.port().expectMessage(headerKept ? "Patching is complete! Remember to SAVE the changes!"
                                            : "The patch changes the hidden savestate header.\n No patching performed.");
        const auto file = env.file();
        if (!headerKept) {
            EXPECT_TRUE(std::equal(file.begin(), file.end(), stored.begin() + static_cast<long>(skip)));
            continue;
        }
        ASSERT_TRUE(std::equal(file.begin(), file.end(), expected.begin() + static_cast<long>(skip), expected.end()))
            << "round " << round;
        env.undo();
        EXPECT_EQ(env.file().size(), stored.size() - skip);
        EXPECT_TRUE(std::equal(stored.begin() + static_cast<long>(skip), stored.end(), env.file().begin()));
        env.session.doc.redo();
        EXPECT_EQ(env.file(), file);
    }
}

TEST(ApplyPatches, AnyFailureLeavesTheFileUnchanged) {
    Env env;
    const auto base = pattern(70000);
    auto changed = base;
    changed[7] ^= 0xFF;
    env.open(base);
    const auto good = env.write("good.ips", createIps(base, changed).patch);
    auto cut = createIps(base, changed).patch;
    cut.resize(cut.size() - 4);  // inside the record's data
    const auto truncated = env.write("cut.ips", cut);
    const auto bad = env.write("bad.ips", {'P', 'A', 'T', 'C', 'X'});

    struct Case {
        std::vector<std::string> files;
        std::string message;
    };
    const Case cases[] = {
        {{good, bad}, "Not a valid \"PATCH\" file!"},
        {{good, truncated}, "The patch \"cut.ips\" ends inside a record.\n No patching performed."},
        {{good, env.path("gone.ips")}, "File Not found or Valid... No patching performed."},
    };
    for (const auto& c : cases) {
        env.port().answerQuestion(false);
        env.port().answerOpen(c.files);
        env.tools.patches.PatchCurrentFile1Click();
        env.port().takeMessage();
        env.port().expectMessage(c.message);
        EXPECT_EQ(env.file(), base);
        EXPECT_FALSE(env.session.editor().Modified);
    }
    env.port().answerQuestion(false);
    env.port().cancelOpen();
    env.tools.patches.PatchCurrentFile1Click();
    env.port().takeMessage();
    EXPECT_EQ(env.file(), base);
}

namespace {

// A LoROM image of `size` bytes whose header holds `checksum` and its
// complement.
std::vector<uint8_t> loRom(size_t size, uint16_t checksum, uint16_t complement) {
    auto img = pattern(size, 3);
    img[0] = 'S';
    img[0x7FC0 + kComplementAt] = static_cast<uint8_t>(complement);
    img[0x7FC0 + kComplementAt + 1] = static_cast<uint8_t>(complement >> 8);
    img[0x7FC0 + kChecksumAt] = static_cast<uint8_t>(checksum);
    img[0x7FC0 + kChecksumAt + 1] = static_cast<uint8_t>(checksum >> 8);
    return img;
}

// The image with bytes outside the header set so that its checksum is `sum`.
std::vector<uint8_t> balanced(std::vector<uint8_t> img, uint16_t sum) {
    std::fill(img.begin() + 0x1000, img.begin() + 0x1200, 0);
    const unsigned missing = static_cast<uint16_t>(sum - snesChecksum(img, 0));
    std::fill(img.begin() + 0x1000, img.begin() + 0x1000 + missing / 255, 0xFF);
    img[0x1000 + missing / 255] = static_cast<uint8_t>(missing % 255);
    return img;
}

}  // namespace

TEST(ChecksumRepair, RefusalsAndBothAnswers) {
    const char* title = "CheckSum Repair...";
    struct Refusal {
        std::vector<uint8_t> image;
        const char* message;
    };
    auto nes = loRom(0x20000, 0, 0xFFFF);
    nes[0] = 'N', nes[1] = 'E', nes[2] = 'S';
    auto none = std::vector<uint8_t>(kChecksumMinSize, 0xFF);
    const Refusal refusals[] = {
        {nes, "This is a NES rom. It is\n NOT supported!"},
        {std::vector<uint8_t>(kChecksumMinSize - 1, 0), "The ROM file is too small to fix! "},
        {none, "Could not locate CHECKSUM!"},
    };
    for (const auto& r : refusals) {
        Env env;
        env.open(r.image);
        env.port().answerQuestion(true);
        env.tools.rom.RepairSNESChecksum1Click();
        env.port().expectMessage("Repair the CheckSum in this ROM?", title, MsgIcon::None, MsgButtons::YesNo);
        env.port().expectMessage(r.message);
    }

    Env env;
    const auto img = loRom(0x18000, 0x1234, 0xEDCB);
    env.open(img);
    const uint16_t sum = snesChecksum(img, 0);
    char text[200];
    std::snprintf(text, sizeof text,
                  " ROM CheckSum  : 1234\n ROM Compliment: EDCB\n\n NEW CheckSum  : %04X\n NEW Compliment: %04X\n\n "
                  "Repair CheckSum?",
                  sum, sum ^ 0xFFFF);
    for (bool yes : {false, true}) {
        env.port().answerQuestion(true);
        env.port().answerQuestion(yes);
        env.tools.rom.RepairSNESChecksum1Click();
        env.port().takeMessage();
        env.port().expectMessage(text, "Repair CheckSum", MsgIcon::None, MsgButtons::YesNo);
        env.port().expectMessage(yes ? "Checksum has been repaired!\n Don't forget to Save the ROM."
                                     : "No checksum repair performed.");
    }
    const auto now = env.file();
    EXPECT_EQ(now[0x7FDC] | now[0x7FDD] << 8, sum ^ 0xFFFF);
    EXPECT_EQ(now[0x7FDE] | now[0x7FDF] << 8, sum);
    EXPECT_TRUE(env.session.editor().Modified);

    // Repaired, or only the complement wrong: nothing to do.
    for (uint16_t complement : {uint16_t(0xEDCB), uint16_t(0xFFFF)}) {
        Env again;
        again.open(balanced(loRom(0x18000, 0x1234, complement), 0x1234));
        again.port().answerQuestion(true);
        again.tools.rom.RepairSNESChecksum1Click();
        again.port().takeMessage();
        again.port().expectMessage("No checksum repair needed.");
    }
}

TEST(HeaderRemoval, RefusalsAndRemoval) {
    struct Refusal {
        size_t size;
        const char* name;
        const char* message;
    };
    for (const Refusal& r : {Refusal{0x100000, "game.smc", "File does not seem to have a HEADER."},
                             Refusal{0x100200, "game.zst", "File appears to be a 'ZSnes Save State' file."},
                             Refusal{100, "game", "File does not seem to have a HEADER."}}) {
        Env env;
        env.open(pattern(r.size), r.name);
        env.tools.rom.RemoveSNESHeader1Click();
        env.port().expectMessage(r.message);
        EXPECT_EQ(env.file().size(), r.size);
    }

    Env env;
    const auto img = pattern(0x100200);
    env.open(img);
    env.session.moveCursorTo(0x1234);
    env.port().answerQuestion(false);
    env.tools.rom.RemoveSNESHeader1Click();
    env.port().expectMessage("Are you sure you want to remove the header?", "Header Removal...", MsgIcon::Question,
                             MsgButtons::YesNo);
    EXPECT_EQ(env.file(), img);

    env.port().answerQuestion(true);
    env.tools.rom.RemoveSNESHeader1Click();
    env.port().takeMessage();
    env.port().expectMessage("Header removed. Save ROM to save changes.");
    EXPECT_EQ(env.file(), std::vector<uint8_t>(img.begin() + 512, img.end()));
    EXPECT_EQ(env.cursor(), 0x1234);
}

TEST(RomSizeWindow, ResizesPadsAndReports) {
    struct Case {
        SizeUnit unit;
        const char* field;
        const char* header;  // nullptr: box unchecked
        size_t expectSize;
        std::vector<const char*> messages;  // before the question
    };
    const Case cases[] = {
        {SizeUnit::MegaBits, "32", nullptr, 4194304, {}},
        {SizeUnit::MegaBytes, "1.5", nullptr, 1572864, {}},
        {SizeUnit::Bytes, "70000", "512", 70512, {}},
        {SizeUnit::Bytes, "70000", "",
         70000,
         {"Error: Header addition enabled, but no value supplied.\nError: Data size was set to zero on default."}},
        {SizeUnit::Bytes, "1000", nullptr, 1000, {}},
    };
    const auto img = pattern(0x20000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        Env env;
        env.open(img);
        auto& x = env.tools.expander;
        env.expanderView.script = [&] {
            x.unitChosen(c.unit);
            x.ExpOtherEdited(c.field);
            x.addHeaderToggled(c.header != nullptr);
            if (c.header) x.addHdrEdited(c.header);
            env.port().answerQuestion(true);
            x.DoneClick();
            EXPECT_FALSE(env.expanderView.open);
        };
        env.session.commands().run("IncreaseDecreaseROMSize1Click");
        for (const char* m : c.messages) env.port().expectMessage(m);
        const auto size = readNewSize(c.unit, c.field);
        env.port().expectMessage(resizeQuestion(c.unit, *size), "ROM Size Change...", MsgIcon::Question,
                                 MsgButtons::YesNo);
        env.port().expectMessage(resizedMessage(c.unit, *size));
        const auto now = env.file();
        ASSERT_EQ(now.size(), c.expectSize);
        const size_t kept = std::min(img.size(), c.expectSize);
        EXPECT_TRUE(std::equal(img.begin(), img.begin() + static_cast<long>(kept), now.begin()));
        EXPECT_TRUE(std::all_of(now.begin() + static_cast<long>(kept), now.end(), [](uint8_t b) { return b == 0xFF; }));
    }
}

TEST(RomSizeWindow, SizeTextEmptyFieldNoAndTooLarge) {
    Env env;
    env.open(pattern(0x180000));
    auto& x = env.tools.expander;
    env.expanderView.script = [&] {
        EXPECT_EQ(x.SizeTxt(), "Size of ROM: 1572864 BYTES");
        x.unitChosen(SizeUnit::MegaBytes);
        EXPECT_EQ(x.SizeTxt(), "Size of ROM: 1.5 Mega BYTES");
        x.DoneClick();
        env.port().expectMessage("Error: No size entered...");
        x.ExpOtherEdited("2");
        env.port().answerQuestion(false);
        x.DoneClick();
        env.port().takeMessage();
        EXPECT_TRUE(env.expanderView.open);
        x.unitChosen(SizeUnit::MegaBits);
        x.ExpOtherEdited("99999");
        env.port().answerQuestion(true);
        x.DoneClick();
        env.port().takeMessage();
        env.port().expectMessage("Error changing ROM size.");
        x.CancelClick();
        EXPECT_FALSE(env.expanderView.open);
    };
    env.tools.expander.IncreaseDecreaseROMSize1Click();
    EXPECT_EQ(env.file().size(), 0x180000u);
    EXPECT_FALSE(env.session.editor().Modified);
}

TEST(ConverterWindow, ModesDirectionConvertAndGoto) {
    Env env;
    env.open(pattern(0x20000));
    auto& w = env.tools.snes2hex;
    const std::pair<ConvertMode, std::pair<const char*, const char*>> captions[] = {
        {ConvertMode::HiRom, {"Hi-ROM", "[$000]"}},
        {ConvertMode::Memory, {"Memory", "[$C13]"}},
        {ConvertMode::VideoRam, {"Vram  ", "[$C13]"}},
        {ConvertMode::LoRom, {"Lo-ROM", "[$000]"}},
    };
    w.lorom1Edited("12");
    for (const auto& [mode, texts] : captions) {
        w.lorom2Edited("8000");
        w.modeChosen(mode);
        EXPECT_STREQ(w.buttonCaption(), texts.first);
        EXPECT_STREQ(w.ZstText(), texts.second);
        EXPECT_EQ(w.lorom1(), "");
        EXPECT_EQ(w.lorom2(), "");
        EXPECT_EQ(w.direction(), ConvertDirection::OffsetToAddress);
    }

    w.lorom1Edited("8100");
    w.headerToggled(true);
    w.ConvertClick();
    EXPECT_EQ(w.lorom2(), "00FF00");
    w.lorom2Edited("7f8000");  // typed in lower case
    EXPECT_EQ(w.lorom2(), "7F8000");
    w.headerToggled(false);
    w.ConvertClick();
    EXPECT_EQ(w.lorom1(), "3F8000");
    w.lorom2Edited("7FFF");
    w.ConvertClick();
    env.port().expectMessage("Address must be >= $Xx:8xxx");
    EXPECT_EQ(w.lorom1(), "3F8000");
    w.lorom1Clicked();
    w.ConvertClick();  // back the other way
    EXPECT_EQ(w.lorom2(), "7F8000");

    w.lorom1Edited("1234");
    w.GotoClick();
    EXPECT_EQ(env.cursor(), 0x1234);
    w.lorom1Edited("FFFFFF");
    w.GotoClick();
    EXPECT_EQ(env.cursor(), 0x20000 - env.session.view().PageBytes);
}
