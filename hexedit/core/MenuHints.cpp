#include "hexedit/core/MenuHints.h"

#include <algorithm>
#include <array>
#include <utility>

namespace hexedit {

namespace {
using Hint = std::pair<std::string_view, std::string_view>;

constexpr Hint kHints[] = {
    {"Open1Click", "Open a file to edit"},
    {"OpenTableFile1", "Load a table file into Table #1 or Table #2"},
    {"Tbl11Click", "Load a table file as Table #1"},
    {"Tbl21Click", "Load a table file as Table #2"},
    {"RefreshCurrentROM1Click", "Read the open file again from disk"},
    {"RecentROMFiles1", "Open a file edited before"},
    {"RecentROM1", "Open this file again"},
    {"RecentTABLEFiles1", "Load a table file used before"},
    {"RecentTable1", "Load this table file again"},
    {"SaveFile1Click", "Write the changes to the open file"},
    {"SaveFileAs1Click", "Write the data to another file"},
    {"SwapTableFiles1", "Switch between the loaded tables"},
    {"tblv1Click", "Decode the view with Table #1"},
    {"tblv2Click", "Decode the view with Table #2"},
    {"Asciitbl1Click", "Decode the view with the built-in ASCII table"},
    {"UpdateConfigurationFile1Click", "Save the colours, fonts and window size as the defaults"},
    {"Exit1Click", "Close the editor"},

    {"Undo1Click", "Take back the last change to the data"},
    {"Redo1Click", "Make the last change taken back again"},
    {"HexEditMode1Click", "Type hex digits or text through the table"},
    {"D_MBEClick", "Type text with single-byte table entries only"},
    {"D_DTEClick", "Merge typed character pairs into two-character entries"},
    {"DumpText1Click", "Dump text: press at the start and the end, or once on a selection"},
    {"DumpBinaryData1Click", "Dump binary: press at the start and the end, or once on a selection"},
    {"DumpFromList1", "Dump every range of the table's dump bookmarks"},
    {"BinaryDump1Click", "Dump every dump bookmark range as binary files"},
    {"TextDump1Click", "Dump every dump bookmark range as text"},
    {"SaveBookmark1Click", "Add the cursor offset to the table as a bookmark"},
    {"SaveDumpBookmark1Click", "Add a range to the table as a dump bookmark"},
    {"ExternalProgramSettings1Click", "Set the external inserter program and its arguments"},
    {"ExecuteExternalProgram1Click", "Run the external inserter program on this file"},
    {"InsertBinaryData1Click", "Copy a file's bytes over the data at the cursor"},
    {"BYTEFill1Click", "Fill with a byte: press at the start and end, or once on a selection"},
    {"RemoveSNESHeader1Click", "Remove the 512-byte copier header of a ROM file"},

    {"TableEdit1Click", "Edit the loaded table file"},
    {"TableMaker1Click", "Make a new table file"},
    {"TileEditor1Click", "View and edit the data as tiles"},
    {"SnesToHex1Click", "Convert between SNES addresses and file offsets"},
    {"CreateanIPSFile1Click", "Make an IPS patch of the changes against the original file"},
    {"CreateaBPSFile1Click", "Make a BPS patch of the changes against the original file"},
    {"PatchCurrentFile1Click", "Apply an IPS patch to the data"},
    {"IncreaseDecreaseROMSize1Click", "Change the size of the ROM"},
    {"RepairSNESChecksum1Click", "Correct the SNES checksum in the ROM header"},
    {"CompareFiles1Click", "List the bytes where two files differ"},
    {"StringLengthCalculator1Click", "Measure a string: press at the start and end, or once on a selection"},
    {"DumpScript1Click", "Write the strings of a pointer table as a script to translate"},
    {"InsertScript1Click", "Put an edited script back: encode, place and point every string"},

    {"TextSearch1Click", "Find text through the table"},
    {"HexSearch1Click", "Find hex bytes"},
    {"KanaSearch1Click", "Find Japanese kana through the table"},
    {"SearchAgain1Click", "Find the next match of the last search"},
    {"RelativeSearch1Click", "Find text by the differences between its letters"},
    {"GotoOffset1Click", "Move the cursor to an offset"},
    {"JumpOffsetList1Click", "Jump to a bookmark of the table"},
    {"ReturntoLastOffset1Click", "Go back to the offset before the last relative jump"},
    {"ExecuteRelativeJump1Click", "Follow the pointer at the cursor"},
    {"RelativeJumpSettings1Click", "Set how pointers are followed"},

    {"EditorColors1Click", "Set the editor's colours and options"},
    {"SetFont1", "Choose the fonts of the view"},
    {"OffsetFont1Click", "Choose the font of the offsets"},
    {"HexFont1Click", "Choose the font of the hex bytes"},
    {"TextFont1Click", "Choose the font of the decoded text"},
    {"SetAllFonts1Click", "Choose one font for the whole view"},
    {"ViewOffsetPanel1Click", "Show or hide the offset panel"},
    {"ViewStatusBar1Click", "Show or hide the status bar"},
    {"OnTopClick", "Keep the editor above other windows"},
    {"ViewJUMPList1Click", "Show the list of the table's bookmarks"},
    {"ViewKanaClick", "Read table texts as Shift-JIS and show them in a Japanese font"},
    {"DisplayOffsetas1", "Choose how offsets are shown"},
    {"StandardClick", "Show offsets as file offsets"},
    {"LoROM1Click", "Show offsets as SNES LoROM addresses (slow ROM)"},
    {"LoROM2Click", "Show offsets as SNES LoROM addresses (fast ROM)"},
    {"HiROM1Click", "Show offsets as SNES HiROM addresses"},
    {"SnesMem1Click", "Show offsets as SNES memory addresses"},

    {"HelpTopics1Click", "Open the help"},
    {"About1Click", "Show the program's version"},

    {"CopyasText1Click", "Copy the selection as text"},
    {"CopyasHex1Click", "Copy the selection as hex digits"},
    {"CopyasText2Click", "Copy the selection as text"},
    {"CopyasHex2Click", "Copy the selection as hex digits"},
    {"ViewValueInspector1Click", "Show or hide the values of the bytes at the cursor"},
    {"PastetoCurrentLocation1", "Type the clipboard's text at the cursor"},
    {"AsText1Click", "Type the clipboard's text at the cursor through the table"},
    {"AsHex1Click", "Type the clipboard's hex digits at the cursor"},
    {"ExitProgram1Click", "Close the editor"},
};
}  // namespace

std::string_view menuHint(std::string_view name) {
    auto it = std::find_if(std::begin(kHints), std::end(kHints), [&](const Hint& h) { return h.first == name; });
    return it == std::end(kHints) ? std::string_view() : it->second;
}

}  // namespace hexedit
