#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "common/testing/ScriptedPort.h"
#include "compress/Codec.h"
#include "compress/CompressionUtility.h"
#include "compress/RecordFile.h"
#include "compress/testing/SampleData.h"
#include "compress/tests/TestRom.h"

using namespace vt2comp;
using namespace vt2comp::testing;
using common::testing::ScriptedPort;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

namespace {

class Utility : public ::testing::Test {
protected:
    Utility() : start(dir.file("start")), util(start) { fs::create_directory(start); }

    // Writes `rom` as `name` in the temp folder and opens it.
    std::string open(const TestRom& rom, const std::string& name = "game.smc") {
        std::string path = dir.file(name);
        writeFile(path, rom.file);
        port.answerOpen(path);
        util.openRom(port);
        return path;
    }
    // Unpacks block 0 and blanks the first 64 bytes of its data file `data`,
    // as a user's edit that packs smaller.
    Bytes unpackAndEdit(const std::string& data) {
        util.decompressBlock(0, port);
        Bytes edited = readFile(data);
        std::fill_n(edited.begin(), 64, 0);
        writeFile(data, edited);
        return edited;
    }
    Bytes image() const {
        auto img = util.state().RomImage();
        return Bytes(img.begin(), img.end());
    }
    // What the block at `start` of the current image unpacks to.
    Bytes unpacked(uint32_t blockStart = kBlockStart) const {
        Bytes out(kDataCapacity);
        DecodeResult r = DecodeBlock(util.state().RomImage(), blockStart, out);
        EXPECT_EQ(r.status, DecodeStatus::Ok);
        out.resize(r.count);
        return out;
    }

    TempDir dir;
    std::string start;
    CompressionUtility util;
    ScriptedPort port;
};

// Decoding yields whole groups: the data, then up to 7 zero literals.
void expectUnpacksTo(const Bytes& unpacked, const Bytes& data) {
    ASSERT_GE(unpacked.size(), data.size());
    EXPECT_LT(unpacked.size() - data.size(), 8u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), unpacked.begin()));
    EXPECT_TRUE(std::all_of(unpacked.begin() + static_cast<long>(data.size()), unpacked.end(),
                            [](uint8_t b) { return b == 0; }));
}

}  // namespace

TEST_F(Utility, OpenRomChecksTheTitleAndTheCopierHeaderEachTime) {
    port.cancelOpen();
    util.openRom(port);
    ASSERT_EQ(port.openRequests.size(), 1u);
    EXPECT_EQ(port.openRequests[0].initialFolder, start);
    EXPECT_EQ(port.openRequests[0].fileName, "");
    EXPECT_EQ(port.openRequests[0].filter, "Snes file | *.smc;*.sfc");
    EXPECT_FALSE(util.state().romLoaded());

    TestRom headered = makeTestRom(true);
    std::string path = open(headered);
    ASSERT_TRUE(util.state().romLoaded());
    EXPECT_EQ(util.state().RomPath, path);
    EXPECT_EQ(util.state().RomSize, kImageSize + 0x200u);
    EXPECT_EQ(util.state().HeaderSize, 0x200u);
    EXPECT_EQ(util.state().WorkArea.size(), kWorkAreaSize);
    EXPECT_EQ(image(), Bytes(headered.file.begin() + 0x200, headered.file.end()));

    // A missing file leaves the loaded ROM alone.
    port.answerOpen(dir.file("missing.smc"));
    util.openRom(port);
    port.expectMessage("Error: Could not open ROM file.", {}, common::MsgIcon::Exclamation);
    port.answerOpen(dir.path());
    util.openRom(port);
    port.expectMessage("Error: Could not open ROM file.", {}, common::MsgIcon::Exclamation);
    // More than the program holds in memory (a sparse file).
    writeFile(dir.file("vast.smc"), Bytes(1));
    fs::resize_file(dir.file("vast.smc"), kMaxRomSize + 1);
    port.answerOpen(dir.file("vast.smc"));
    util.openRom(port);
    port.expectMessage("Fatal Error: Could not allocate needed memory.", {}, common::MsgIcon::Stop);
    EXPECT_EQ(util.state().RomPath, path);

    TestRom plain = makeTestRom(false);
    open(plain, "plain.smc");
    EXPECT_EQ(util.state().HeaderSize, 0u);
    EXPECT_EQ(util.state().RomSize, kImageSize);
    EXPECT_EQ(image(), plain.file);

    // The title at 0xFFC0 of the image, case-sensitive; the header shifts it.
    TestRom wrong = makeTestRom(false);
    wrong.file[0xFFC0] = 'v';
    open(wrong, "wrong.smc");
    port.expectMessage("This is not the correct ROM.\nPlease load the correct ROM file.", {}, common::MsgIcon::Exclamation);
    EXPECT_FALSE(util.state().romLoaded());
    EXPECT_TRUE(util.state().RomBuffer.empty());
    EXPECT_TRUE(util.state().WorkArea.empty());
    TestRom shifted = makeTestRom(false);
    shifted.file.insert(shifted.file.end(), 0x200, 0);  // bit 9 set: the title is 0x200 bytes early
    open(shifted, "shifted.smc");
    port.expectMessage("This is not the correct ROM.\nPlease load the correct ROM file.", {}, common::MsgIcon::Exclamation);
    writeFile(dir.file("tiny.smc"), Bytes(100, 0));
    port.answerOpen(dir.file("tiny.smc"));
    util.openRom(port);
    port.expectMessage("This is not the correct ROM.\nPlease load the correct ROM file.", {}, common::MsgIcon::Exclamation);
}

TEST_F(Utility, DecompressWritesTheDataFileAndItsRecord) {
    // Without a ROM nothing happens.
    util.decompressBlock(0, port);
    EXPECT_FALSE(fs::exists(start + "/Comp"));

    for (bool header : {true, false}) {
        SCOPED_TRACE(header);
        TestRom rom = makeTestRom(header);
        open(rom, header ? "h.smc" : "p.smc");
        util.decompressBlock(0, port);
        const std::string name = header ? "VT2_6521.dat" : "VT2_6321.dat";
        const std::string data = start + "/Comp/" + name;
        const std::string record = start + (header ? "/Comp/00006521.txt" : "/Comp/00006321.txt");
        EXPECT_EQ(util.state().ListBox1, std::vector<std::string>{"Sucessfully decompressed \"" + name + "\""});
        expectUnpacksTo(readFile(data), rom.payload);
        EXPECT_EQ(readText(record), formatRecordLine(data, kBlockStart, rom.blockEnd));
        char offsets[40];
        std::snprintf(offsets, sizeof offsets, "  00006321  %08X\r\n", rom.blockEnd);
        EXPECT_EQ(readText(record), ".COMP " + data + offsets);
    }
    // Once more over existing files; tag 1 has no menu item, unknown tags nothing.
    util.decompressBlock(0, port);
    EXPECT_EQ(util.state().ListBox1.size(), 1u);
    util.decompressBlock(2, port);
    util.decompressBlock(-1, port);
    EXPECT_EQ(CompressionUtility::blockOffset(0), 0x6321u);
    EXPECT_EQ(CompressionUtility::blockOffset(1), 0x8F80u);
    EXPECT_EQ(CompressionUtility::blockOffset(2), std::nullopt);
}

TEST_F(Utility, DecompressReportsEveryFailureAndWritesNothingForABrokenBlock) {
    TestRom rom = makeTestRom(true);
    open(rom);
    const std::string comp = start + "/Comp";
    fs::create_directories(comp + "/VT2_6521.dat");  // the data file's name is taken by a folder
    util.decompressBlock(0, port);
    port.expectMessage("Fatal Error: Could not open output file. Closing decompressor...", {}, common::MsgIcon::Stop);
    EXPECT_FALSE(fs::exists(comp + "/00006521.txt"));
    fs::remove(comp + "/VT2_6521.dat");
    fs::create_directories(comp + "/00006521.txt");
    util.decompressBlock(0, port);
    port.expectMessage("Error: Could not open 'TEXT SOURCE' file.", {}, common::MsgIcon::Exclamation);
    fs::remove_all(comp);

    // All-copy groups unpack to far more than the work area holds.
    TestRom huge = makeTestRom(false);
    huge.file[kBlockStart] = 0xFF;
    huge.file[kBlockStart + 1] = 0x7F;
    for (size_t k = kBlockStart + 2; k < kBlockStart + 2 + 0x7FFF + 17; k += 17) {
        huge.file[k] = 0xFF;
        for (size_t m = 0; m < 16; m += 2) huge.file[k + 1 + m] = 0xFF, huge.file[k + 2 + m] = 0;
    }
    open(huge, "huge.smc");
    util.decompressBlock(0, port);
    EXPECT_EQ(util.state().ListBox1,
              std::vector<std::string>{"Error: Compressed block unpacks to more than 65536 bytes. [ VT2_6321.dat ]"});
    EXPECT_TRUE(fs::is_empty(comp));

    // The block of tag 1 in a ROM that ends inside its stream.
    TestRom cut = makeTestRom(false);
    cut.file.resize(0x10000);
    std::fill(cut.file.begin() + 0x8F82, cut.file.begin() + 0xFFC0, 0);  // literal groups
    std::fill(cut.file.begin() + 0xFFD0, cut.file.end(), 0);
    cut.file[0x8F80] = 0xFF;
    cut.file[0x8F81] = 0x7F;
    open(cut, "cut.smc");
    util.decompressBlock(1, port);
    EXPECT_EQ(util.state().ListBox1,
              std::vector<std::string>{"Error: Compressed block runs past the end of the ROM image. [ VT2_8F80.dat ]"});
    EXPECT_TRUE(fs::is_empty(comp));
}

TEST_F(Utility, RecompressPacksTheEditedFileBackIntoTheRom) {
    TestRom rom = makeTestRom(true);
    open(rom);
    const std::string data = start + "/Comp/VT2_6521.dat";
    const std::string record = start + "/Comp/00006521.txt";
    const Bytes edited = unpackAndEdit(data);
    const Bytes before = image();

    port.answerOpen(record);
    util.recompress(port);
    ASSERT_EQ(port.openRequests.size(), 2u);
    EXPECT_EQ(port.openRequests[1].initialFolder, start);
    EXPECT_EQ(port.openRequests[1].fileName, "");
    EXPECT_EQ(port.openRequests[1].filter, "All Files | *.*");
    EXPECT_EQ(util.state().ListBox1,
              std::vector<std::string>{"Success: Data was recompressed completely! [ VT2_6521.dat ] "});
    expectUnpacksTo(unpacked(), edited);
    // Nothing outside [S, E) changed.
    const Bytes after = image();
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + kBlockStart, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + rom.blockEnd, before.end(), after.begin() + rom.blockEnd));
    EXPECT_EQ(port.processEventsCalls, 1);

    // Recompress only changes memory; the file changes on Save.
    EXPECT_EQ(readFile(util.state().RomPath), rom.file);

    // Cancel, and a record file that cannot be read.
    port.cancelOpen();
    util.recompress(port);
    port.answerOpen(dir.file("no-record.txt"));
    util.recompress(port);
    port.expectMessage("Error: Could not open TEXT SOURCE file.", {}, common::MsgIcon::Exclamation);
    EXPECT_EQ(util.state().ListBox1.size(), 1u);
}

TEST_F(Utility, RecordFileLinesAreHandledOneByOne) {
    TestRom rom = makeTestRom(false);
    open(rom);
    const uint32_t s = kBlockStart, e = rom.blockEnd;
    char range[40];
    std::snprintf(range, sizeof range, "  %08X  %08X", s, e);

    // A smaller edit in a folder with blanks, named by a lower-case line.
    fs::create_directories(dir.file("my files"));
    const std::string small = dir.file("my files/small edit.dat");
    Bytes smallData = rom.payload;
    smallData.resize(1000);
    writeFile(small, smallData);
    // Random bytes do not fit: the exact excess is reported.
    const std::string big = dir.file("big.dat");
    const Bytes bigData = sample::randomBytes(3000, 4);
    writeFile(big, bigData);
    Bytes scratch(kPackedCapacity);
    const size_t bigPacked = *PackBlock(bigData, scratch);
    // Over 65536 bytes.
    const std::string huge = dir.file("huge.dat");
    writeFile(huge, Bytes(65537, 0));
    // Exactly 65536 zero bytes pack small and fit.
    const std::string full = dir.file("full.dat");
    writeFile(full, Bytes(65536, 0));
    // Plenty of space but the packed form is too long for the length field.
    const std::string wide = dir.file("wide.dat");
    writeFile(wide, sample::randomBytes(30000, 5));

    std::string text;
    text += ".COMP " + big + range + "\r\n";
    text += "; a comment line\r\n";
    text += ".COMP " + dir.file("missing.dat") + range + "\r\n";
    text += ".comp " + small + range + "\r\n";
    text += ".COMP " + small + "  00006321\r\n";
    text += ".COMP " + small + "  00006321  00020001\r\n";
    text += ".COMP " + huge + range + "\r\n";
    text += ".COMP " + wide + "  00000000  00020000\r\n";
    text += "\r\n";
    text += ".Comp " + full + range;  // no line end
    writeText(dir.file("records.txt"), text);

    port.answerOpen(dir.file("records.txt"));
    util.recompress(port);
    const std::vector<std::string> expected = {
        "Error: Data size too large to recompress. [ big.dat ] [ " + std::to_string(s + 2 + bigPacked - e) +
            " BYTES over ]",
        "Fatal Error: Could not open \"missing.dat\".",
        "Success: Data was recompressed completely! [ small edit.dat ] ",
        "Error: Could not read the record line. [ .COMP " + small + "  00006321 ]",
        "Error: Record offsets lie outside the ROM image. [ small edit.dat ]",
        "Error: Data file is larger than 65536 bytes. [ huge.dat ]",
        "Error: Packed data is longer than 32767 bytes. [ wide.dat ]",
        "Success: Data was recompressed completely! [ full.dat ] ",
    };
    EXPECT_EQ(util.state().ListBox1, expected);
    EXPECT_EQ(port.processEventsCalls, 10);
    expectUnpacksTo(unpacked(), Bytes(65536, 0));
    // The failed lines wrote nothing: only the block at S changed.
    const Bytes after = image();
    EXPECT_TRUE(std::equal(rom.file.begin(), rom.file.begin() + s, after.begin()));
    EXPECT_TRUE(std::equal(rom.file.begin() + e, rom.file.end(), after.begin() + e));
}

// Events processed between the lines may ask for other commands.
TEST_F(Utility, CommandsDuringARecordFileWaitAndExitStopsIt) {
    struct EventfulPort : ScriptedPort {
        std::function<void()> onEvents;
        void processEvents() override {
            ScriptedPort::processEvents();
            if (onEvents) onEvents();
        }
    } events;
    TestRom rom = makeTestRom(false);
    open(rom);
    util.decompressBlock(0, port);
    const std::string record = start + "/Comp/00006321.txt";
    writeText(record, readText(record) + readText(record) + readText(record));

    events.onEvents = [&] {
        util.openRom(events);  // no dialog is asked for
        util.decompressBlock(0, events);
        util.saveRom(events);
        util.recompress(events);
    };
    events.answerOpen(record);
    util.recompress(events);
    EXPECT_EQ(util.state().ListBox1.size(), 3u);
    EXPECT_EQ(events.processEventsCalls, 3);

    events.onEvents = [&] { util.exit(); };
    events.answerOpen(record);
    util.recompress(events);
    EXPECT_EQ(util.state().ListBox1.size(), 1u);
    EXPECT_EQ(events.processEventsCalls, 4);
    EXPECT_FALSE(util.state().romLoaded());
}

// The last group's padding takes a data file near the limit past it.
TEST_F(Utility, DataFilesUpToTheLimitUnpackAgain) {
    TestRom rom = makeTestRom(false);
    open(rom);
    const std::string data = start + "/Comp/VT2_6321.dat";
    for (size_t size : {size_t(65536), size_t(65535), size_t(65530)}) {
        SCOPED_TRACE(size);
        const Bytes edited(size, 0x41);
        writeFile(dir.file("near.dat"), edited);
        char line[300];
        std::snprintf(line, sizeof line, ".COMP %s  %08X  %08X\r\n", dir.file("near.dat").c_str(), kBlockStart,
                      kImageSize);
        writeText(dir.file("near.txt"), line);
        port.answerOpen(dir.file("near.txt"));
        util.recompress(port);
        ASSERT_EQ(util.state().ListBox1,
                  std::vector<std::string>{"Success: Data was recompressed completely! [ near.dat ] "});
        fs::remove(data);
        util.decompressBlock(0, port);
        ASSERT_EQ(util.state().ListBox1, std::vector<std::string>{"Sucessfully decompressed \"VT2_6321.dat\""});
        Bytes out = readFile(data);
        EXPECT_LE(out.size(), kDataCapacity);
        expectUnpacksTo(out, edited);
    }
}

TEST_F(Utility, AChangedRomIsOfferedForSavingAndAnEditedDataFileBeforeOverwriting) {
    TestRom rom = makeTestRom(false);
    const std::string path = open(rom);
    EXPECT_TRUE(util.closeQuery(port));  // nothing changed: no question
    const std::string data = start + "/Comp/VT2_6321.dat";
    const std::string record = start + "/Comp/00006321.txt";

    // Decompressing again over the user's edit asks first.
    const Bytes edited = unpackAndEdit(data);
    const std::string overwrite =
        "\"VT2_6321.dat\" differs from the block in the ROM and may hold your edits.\nDo you wish to overwrite it?";
    port.answerQuestion(false);
    util.decompressBlock(0, port);
    port.expectMessage(overwrite, "Overwrite Data File...", common::MsgIcon::Question, common::MsgButtons::YesNo);
    EXPECT_EQ(readFile(data), edited);

    port.answerOpen(record);
    util.recompress(port);
    ASSERT_TRUE(util.state().Modified);
    const std::string question = "The ROM has been changed by recompressing. Do you wish to save it?";
    auto expectQuestion = [&] {
        port.expectMessage(question, "ROM Data Modified...", common::MsgIcon::Question, common::MsgButtons::YesNo);
    };
    // Cancel keeps the window open; No discards; a failed save keeps the
    // window open; Yes saves.
    port.cancelQuestion();
    EXPECT_FALSE(util.closeQuery(port));
    EXPECT_EQ(port.takeMessage().buttons, common::MsgButtons::YesNoCancel);
    port.answerQuestion(false);
    EXPECT_TRUE(util.closeQuery(port));
    expectQuestion();
    EXPECT_EQ(readFile(path), rom.file);
    fs::rename(dir.path(), dir.path() + ".gone");
    port.answerQuestion(true);
    EXPECT_FALSE(util.closeQuery(port));
    expectQuestion();
    port.expectMessage("Error: Could not open ROM file.", {}, common::MsgIcon::Exclamation);
    fs::rename(dir.path() + ".gone", dir.path());
    port.answerQuestion(true);
    EXPECT_TRUE(util.closeQuery(port));
    expectQuestion();
    port.expectMessage("\"game.smc\" has been saved!", {}, common::MsgIcon::Exclamation);
    EXPECT_EQ(readFile(path), util.state().RomBuffer);
    EXPECT_TRUE(util.closeQuery(port));

    // What the data file holds is in the ROM now: no question.
    util.decompressBlock(0, port);
    expectUnpacksTo(readFile(data), edited);
}

TEST_F(Utility, TooLargeLeavesTheRomUnchangedAndTheWorkAreaLimitIsReported) {
    TestRom rom = makeTestRom(false);
    open(rom);
    const Bytes before = image();
    writeFile(dir.file("r.dat"), sample::randomBytes(65536, 8));
    char line[300];
    std::snprintf(line, sizeof line, ".COMP %s  00000000  00020000\r\n", dir.file("r.dat").c_str());
    writeText(dir.file("r.txt"), line);
    port.answerOpen(dir.file("r.txt"));
    util.recompress(port);
    EXPECT_EQ(util.state().ListBox1,
              std::vector<std::string>{"Error: Packed data outgrows the work area. [ r.dat ]"});
    EXPECT_EQ(image(), before);
}

TEST_F(Utility, SaveWritesTheWholeBufferOverTheRomFile) {
    util.saveRom(port);  // nothing loaded: nothing happens

    // Recompressed bytes reach the file on saving only (the whole road is
    // in the form test); here the buffer, header included, is written back.
    TestRom rom = makeTestRom(true);
    const std::string path = open(rom);
    writeFile(path, Bytes(10, 0));
    util.saveRom(port);
    port.expectMessage("\"game.smc\" has been saved!", {}, common::MsgIcon::Exclamation);
    EXPECT_EQ(readFile(path), rom.file);

    // The ROM's folder is gone: nothing to write into.
    fs::create_directory(dir.file("sub"));
    writeFile(dir.file("sub/game.smc"), rom.file);
    port.answerOpen(dir.file("sub/game.smc"));
    util.openRom(port);
    fs::remove_all(dir.file("sub"));
    util.saveRom(port);
    port.expectMessage("Error: Could not open ROM file.", {}, common::MsgIcon::Exclamation);

    util.exit();
    EXPECT_FALSE(util.state().romLoaded());
    EXPECT_TRUE(util.state().RomBuffer.empty());
    EXPECT_TRUE(util.state().WorkArea.empty());
}
