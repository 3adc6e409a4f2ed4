#include <gtest/gtest.h>

#include "compress/RecordFile.h"

using namespace vt2comp;

TEST(RecordFile, LineIsWrittenWithTwoBlanksBeforeEachOffset) {
    EXPECT_EQ(formatRecordLine("/home/u/Comp/VT2_6521.dat", 0x6321, 0x6A0F),
              ".COMP /home/u/Comp/VT2_6521.dat  00006321  00006A0F\r\n");
}

TEST(RecordFile, RecordLinesReadBackWithAnyCaseAndBlanksInThePath) {
    Record r;
    ASSERT_EQ(parseRecordLine(formatRecordLine("/home/u/My Games/Comp/VT2_6521.dat", 0x6321, 0xFFFFFFFF), r),
              RecordLineKind::Record);
    EXPECT_EQ(r, (Record{"/home/u/My Games/Comp/VT2_6521.dat", 0x6321, 0xFFFFFFFF}));

    ASSERT_EQ(parseRecordLine(".comp\t/tmp/a  b/x.dat \t6321 0x6a0f  \n", r), RecordLineKind::Record);
    EXPECT_EQ(r, (Record{"/tmp/a  b/x.dat", 0x6321, 0x6A0F}));
    ASSERT_EQ(parseRecordLine(".CoMp x.dat 0 1", r), RecordLineKind::Record);
    EXPECT_EQ(r, (Record{"x.dat", 0, 1}));
    // Text after E is ignored, also with blanks in the path.
    ASSERT_EQ(parseRecordLine(".COMP x.dat 6321 6A0F unpacked 4 KB", r), RecordLineKind::Record);
    EXPECT_EQ(r, (Record{"x.dat", 0x6321, 0x6A0F}));
    ASSERT_EQ(parseRecordLine(".COMP /my roms/x.dat  00006321  00006A0F  12 34\r\n", r), RecordLineKind::Record);
    EXPECT_EQ(r, (Record{"/my roms/x.dat", 0x6321, 0x6A0F}));
    // The keyword is the whole first field.
    ASSERT_EQ(parseRecordLine(".COMPRESSED x.dat 10 20", r), RecordLineKind::Record);
    EXPECT_EQ(r.dataPath, "x.dat");
}

TEST(RecordFile, OtherLinesAreIgnoredAndBrokenRecordsReported) {
    Record r{"kept", 1, 2};
    for (const char* line : {"", "\r", ".COM", "COMP x 1 2", " .COMP x 1 2", "; .COMP x 1 2", "VT2 data"})
        EXPECT_EQ(parseRecordLine(line, r), RecordLineKind::Other) << line;
    for (const char* line : {".COMP", ".COMP   \r\n", ".COMP x.dat", ".COMP x.dat 6321", ".COMP 6321 6A0F",
                             ".COMP x.dat 6321 6A0G", ".COMP x.dat 6321 100000000", ".COMP x.dat 0x 12",
                             ".COMP x.dat -1 12"})
        EXPECT_EQ(parseRecordLine(line, r), RecordLineKind::Malformed) << line;
    EXPECT_EQ(r, (Record{"kept", 1, 2}));
}
