#include "hexedit/core/MenuMap.h"

#include <algorithm>
#include <array>

namespace hexedit {

namespace {
using K = EntryKind;

constexpr MenuEntry kMap[] = {
    {"", K::Menu, "File1", "&File", ""},
    {"File1", K::Command, "Open1Click", "&Open File for Editing...", "Ctrl+O"},
    {"File1", K::Menu, "OpenTableFile1", "Open Table File", ""},
    {"OpenTableFile1", K::Command, "Tbl11Click", "Table #1", ""},
    {"OpenTableFile1", K::Command, "Tbl21Click", "Table #2", ""},
    {"File1", K::Command, "RefreshCurrentROM1Click", "Reload Current ROM Data", "Ctrl+U"},
    {"File1", K::Separator, "", "", ""},
    {"File1", K::Menu, "RecentROMFiles1", "Recent ROM Files", ""},
    {"RecentROMFiles1", K::Command, "RecentROM1", "", ""},
    {"File1", K::Menu, "RecentTABLEFiles1", "Recent TABLE Files", ""},
    {"RecentTABLEFiles1", K::Command, "RecentTable1", "", ""},
    {"File1", K::Separator, "", "", ""},
    {"File1", K::Command, "SaveFile1Click", "&Save File...", "Ctrl+S"},
    {"File1", K::Command, "SaveFileAs1Click", "Save File &As", "Ctrl+A"},
    {"File1", K::Separator, "", "", ""},
    {"File1", K::Menu, "SwapTableFiles1", "Swap Table Files", ""},
    {"SwapTableFiles1", K::Command, "tblv1Click", "...", "Ctrl+1"},
    {"SwapTableFiles1", K::Command, "tblv2Click", "...", "Ctrl+2"},
    {"SwapTableFiles1", K::Command, "Asciitbl1Click", "Ascii.tbl", "Ctrl+3"},
    {"File1", K::Command, "UpdateConfigurationFile1Click", "Update &Config File...", ""},
    {"File1", K::Separator, "", "", ""},
    {"File1", K::Command, "Exit1Click", "E&xit", "Alt+F4"},

    {"", K::Menu, "Edit1", "&Edit", ""},
    {"Edit1", K::Command, "Undo1Click", "&Undo", "Alt+Backspace"},
    {"Edit1", K::Command, "Redo1Click", "&Redo", "Ctrl+Y"},
    {"Edit1", K::Separator, "", "", ""},
    {"Edit1", K::Command, "CopyasHex2Click", "&Copy as Hex", "Ctrl+Shift+C"},
    {"Edit1", K::Command, "CopyasText2Click", "&Copy as Text", "Ctrl+Shift+T"},
    {"Edit1", K::Separator, "", "", ""},
    {"Edit1", K::Check, "HexEditMode1Click", "&Hex / Text Edit Mode", "Tab"},
    {"Edit1", K::Check, "D_MBEClick", "Enable / Disable 16-Bit ASCII Input", "Shift+Tab"},
    {"Edit1", K::Check, "D_DTEClick", "Enable / Disable DTE Inserting", "Alt+Tab"},
    {"Edit1", K::Separator, "", "", ""},
    {"Edit1", K::Command, "DumpText1Click", "&Dump Text ", "F10"},
    {"Edit1", K::Command, "DumpBinaryData1Click", "Dump &Binary Data", "F11"},
    {"Edit1", K::Menu, "DumpFromList1", "Dump &From List", ""},
    {"DumpFromList1", K::Command, "BinaryDump1Click", "Binary Dump...", ""},
    {"DumpFromList1", K::Command, "TextDump1Click", "Text Dump...", ""},
    {"Edit1", K::Separator, "", "", ""},
    {"Edit1", K::Command, "SaveBookmark1Click", "Save &Bookmark", "Ctrl+B"},
    {"Edit1", K::Command, "SaveDumpBookmark1Click", "Save &Dump Bookmark", "F2"},
    {"Edit1", K::Separator, "", "", ""},
    {"Edit1", K::Command, "ExternalProgramSettings1Click", "External Program Settings...", ""},
    {"Edit1", K::Command, "ExecuteExternalProgram1Click", "Execute External Program", "Ctrl+X"},
    {"Edit1", K::Command, "InsertBinaryData1Click", "&Insert Binary Data", ""},
    {"Edit1", K::Command, "BYTEFill1Click", "BYTE Fill", "F4"},
    {"Edit1", K::Command, "RemoveSNESHeader1Click", "Remove SNES Header", ""},

    {"", K::Menu, "Tools1", "&Tools", ""},
    {"Tools1", K::Command, "TableEdit1Click", "&Table Editor", "Ctrl+T"},
    {"Tools1", K::Command, "TableMaker1Click", "Table &Maker", "Ctrl+M"},
    {"Tools1", K::Command, "TileEditor1Click", "Tile &Editor", "Ctrl+L"},
    {"Tools1", K::Command, "SnesToHex1Click", "Snes To &Hex", "Ctrl+E"},
    {"Tools1", K::Separator, "", "", ""},
    {"Tools1", K::Command, "CreateanIPSFile1Click", "&Create an IPS File", "F5"},
    {"Tools1", K::Command, "CreateaBPSFile1Click", "Create a BPS File...", ""},
    {"Tools1", K::Command, "PatchCurrentFile1Click", "&Patch Current File", "F6"},
    {"Tools1", K::Separator, "", "", ""},
    {"Tools1", K::Command, "IncreaseDecreaseROMSize1Click", "&Increase / Decrease ROM Size ", "Ctrl+N"},
    {"Tools1", K::Command, "RepairSNESChecksum1Click", "&Repair SNES Checksum", "Ctrl+P"},
    {"Tools1", K::Separator, "", "", ""},
    {"Tools1", K::Command, "CompareFiles1Click", "C&ompare Files", "Ctrl+C"},
    {"Tools1", K::Command, "StringLengthCalculator1Click", "Str&ing Length Calculator", "F7"},
    {"Tools1", K::Separator, "", "", ""},
    {"Tools1", K::Command, "DumpScript1Click", "Dump Script with Pointers...", ""},
    {"Tools1", K::Command, "InsertScript1Click", "Insert Script...", ""},

    {"", K::Menu, "Search1", "&Search", ""},
    {"Search1", K::Command, "TextSearch1Click", "&Text Search", "Ctrl+F"},
    {"Search1", K::Command, "HexSearch1Click", "&Hex Search", "Ctrl+H"},
    {"Search1", K::Command, "KanaSearch1Click", "&Kana Search", "Ctrl+K"},
    {"Search1", K::Command, "SearchAgain1Click", "Search Again", "F3"},
    {"Search1", K::Separator, "", "", ""},
    {"Search1", K::Command, "RelativeSearch1Click", "&Relative Search", "Ctrl+R"},
    {"Search1", K::Separator, "", "", ""},
    {"Search1", K::Command, "GotoOffset1Click", "&Goto to Offset", "Ctrl+G"},
    {"Search1", K::Command, "JumpOffsetList1Click", "&Jump Offset List", "Ctrl+J"},
    {"Search1", K::Command, "ReturntoLastOffset1Click", "Return to Last Offset", "Shift+F9"},
    {"Search1", K::Separator, "", "", ""},
    {"Search1", K::Command, "ExecuteRelativeJump1Click", "Execute &Relative Jump", "F9"},
    {"Search1", K::Command, "RelativeJumpSettings1Click", "&Relative Jump Settings", "F8"},

    {"", K::Menu, "Option1", "&Option", ""},
    {"Option1", K::Command, "EditorColors1Click", "Editor &Settings... ", "Ctrl+Z"},
    {"Option1", K::Menu, "SetFont1", "Set &Font...", ""},
    {"SetFont1", K::Command, "OffsetFont1Click", "Offset Font", "", false, true},
    {"SetFont1", K::Command, "HexFont1Click", "Hex Font", ""},
    {"SetFont1", K::Command, "TextFont1Click", "Text Font", ""},
    {"SetFont1", K::Command, "SetAllFonts1Click", "Set All Fonts", ""},
    {"Option1", K::Separator, "", "", ""},
    {"Option1", K::Check, "ViewOffsetPanel1Click", "View &Offset Panel", "", true},
    {"Option1", K::Check, "ViewStatusBar1Click", "View Stat&us Bar", "", true},
    {"Option1", K::Check, "OnTopClick", "Editor Always on Top...", ""},
    {"Option1", K::Separator, "", "", ""},
    {"Option1", K::Command, "ViewJUMPList1Click", "View JUMP List", "Ctrl+W"},
    {"Option1", K::Check, "ViewKanaClick", "View Text &Data as Japanese", "Ctrl+D"},
    {"Option1", K::Check, "ViewValueInspector1Click", "View Value Inspector", "Ctrl+I"},
    {"Option1", K::Menu, "DisplayOffsetas1", "Display Offset as...", ""},
    {"DisplayOffsetas1", K::Radio, "StandardClick", "&Standard ( Linear Offset )", "Ctrl+Alt+S", true},
    {"DisplayOffsetas1", K::Radio, "LoROM1Click", "SNES &Lo-ROM ( Slow ROM )", "Ctrl+Alt+L"},
    {"DisplayOffsetas1", K::Radio, "LoROM2Click", "SNES &Lo-ROM ( Fast ROM )", "Ctrl+Alt+F"},
    {"DisplayOffsetas1", K::Radio, "HiROM1Click", "SNES &Hi-ROM", "Ctrl+Alt+H"},
    {"DisplayOffsetas1", K::Radio, "SnesMem1Click", "SNES &Memory", "Ctrl+Alt+M"},

    {"", K::Menu, "Help1", "&Help", ""},
    {"Help1", K::Command, "HelpTopics1Click", "&Help Topics", "F1"},
    {"Help1", K::Command, "About1Click", "&About Tarnwick for Win32", ""},

    {kPopupMenu, K::Command, "CopyasText1Click", "&Copy as Text", ""},
    {kPopupMenu, K::Command, "CopyasHex1Click", "&Copy as Hex", ""},
    {kPopupMenu, K::Menu, "PastetoCurrentLocation1", "&Paste to Current Location", ""},
    {"PastetoCurrentLocation1", K::Command, "AsText1Click", "As Text...", "", false, false, 1},
    {"PastetoCurrentLocation1", K::Command, "AsHex1Click", "As Hex...", "", false, false, 0},
    {kPopupMenu, K::Separator, "", "", ""},
    {kPopupMenu, K::Command, "ExitProgram1Click", "Exit Program", ""},
};

constexpr std::string_view kFileOpen[] = {
    "BYTEFill1Click",        "HexEditMode1Click",        "SaveFile1Click",
    "SaveFileAs1Click",      "CreateanIPSFile1Click",    "PatchCurrentFile1Click",
    "DumpBinaryData1Click",  "DumpText1Click",           "GotoOffset1Click",
    "TextSearch1Click",      "HexSearch1Click",          "KanaSearch1Click",
    "RelativeSearch1Click",  "SearchAgain1Click",        "TileEditor1Click",
    "RepairSNESChecksum1Click", "IncreaseDecreaseROMSize1Click", "InsertBinaryData1Click",
    "ExecuteRelativeJump1Click", "StringLengthCalculator1Click", "PastetoCurrentLocation1",
    "ExecuteExternalProgram1Click", "CreateaBPSFile1Click", "CopyasText1Click",
    "CopyasHex1Click", "CopyasText2Click", "CopyasHex2Click",
    "DumpScript1Click", "InsertScript1Click",
};
constexpr std::string_view kTableSlots[] = {
    "SaveBookmark1Click", "JumpOffsetList1Click", "SwapTableFiles1", "SaveDumpBookmark1Click"};

template <size_t N>
bool among(const std::string_view (&list)[N], std::string_view name) {
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}
}  // namespace

std::span<const MenuEntry> mainMenuMap() { return kMap; }

std::string_view secondShortcut(std::string_view name) {
    return name == "D_DTEClick" ? "Ctrl+Shift+D" : std::string_view{};
}

const MenuEntry* findMenuEntry(std::string_view name) {
    if (name.empty()) return nullptr;
    for (const auto& e : kMap)
        if (e.name == name) return &e;
    return nullptr;
}

MenuGroup menuGroupOf(std::string_view name) {
    if (among(kFileOpen, name)) return MenuGroup::FileOpen;
    if (among(kTableSlots, name)) return MenuGroup::TableSlots;
    if (name == "ReturntoLastOffset1Click") return MenuGroup::ReturnOffset;
    if (name == "DumpFromList1") return MenuGroup::DumpList;
    return MenuGroup::Always;
}

bool MenuFlags::enabled(MenuGroup g) const {
    switch (g) {
        case MenuGroup::FileOpen: return fileOpen;
        case MenuGroup::ReturnOffset: return returnOffset;
        case MenuGroup::DumpList: return dumpList;
        case MenuGroup::TableSlots: return tableSlots;
        case MenuGroup::Always: break;
    }
    return true;
}

}  // namespace hexedit
