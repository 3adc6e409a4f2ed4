#include "hexedit/core/MenuMap.h"

namespace hexedit {

namespace {
using K = EntryKind;

constexpr MenuEntry kMap[] = {
    {"", K::Menu, "File1", "&File", ""},
    {"File1", K::Command, "Open1Click"},
    {"File1", K::Menu, "OpenTableFile1", "Open Table File", "Load a table file into Table #1 or Table #2"},
    {"OpenTableFile1", K::Command, "Tbl11Click"},
    {"OpenTableFile1", K::Command, "Tbl21Click"},
    {"File1", K::Command, "RefreshCurrentROM1Click"},
    {"File1", K::Separator, ""},
    {"File1", K::Menu, "RecentROMFiles1", "Recent ROM Files", "Open a file edited before"},
    {"RecentROMFiles1", K::Command, "RecentROM1"},
    {"File1", K::Menu, "RecentTABLEFiles1", "Recent TABLE Files", "Load a table file used before"},
    {"RecentTABLEFiles1", K::Command, "RecentTable1"},
    {"File1", K::Separator, ""},
    {"File1", K::Command, "SaveFile1Click"},
    {"File1", K::Command, "SaveFileAs1Click"},
    {"File1", K::Separator, ""},
    {"File1", K::Menu, "SwapTableFiles1", "Swap Table Files", "Switch between the loaded tables"},
    {"SwapTableFiles1", K::Command, "tblv1Click"},
    {"SwapTableFiles1", K::Command, "tblv2Click"},
    {"SwapTableFiles1", K::Command, "Asciitbl1Click"},
    {"File1", K::Command, "UpdateConfigurationFile1Click"},
    {"File1", K::Separator, ""},
    {"File1", K::Command, "Exit1Click"},

    {"", K::Menu, "Edit1", "&Edit", ""},
    {"Edit1", K::Command, "Undo1Click"},
    {"Edit1", K::Command, "Redo1Click"},
    {"Edit1", K::Separator, ""},
    {"Edit1", K::Command, "CopyasHex2Click"},
    {"Edit1", K::Command, "CopyasText2Click"},
    {"Edit1", K::Separator, ""},
    {"Edit1", K::Check, "HexEditMode1Click"},
    {"Edit1", K::Check, "D_MBEClick"},
    {"Edit1", K::Check, "D_DTEClick"},
    {"Edit1", K::Separator, ""},
    {"Edit1", K::Command, "DumpText1Click"},
    {"Edit1", K::Command, "DumpBinaryData1Click"},
    {"Edit1", K::Menu, "DumpFromList1", "Dump &From List", "Dump every range of the table's dump bookmarks"},
    {"DumpFromList1", K::Command, "BinaryDump1Click"},
    {"DumpFromList1", K::Command, "TextDump1Click"},
    {"Edit1", K::Separator, ""},
    {"Edit1", K::Command, "SaveBookmark1Click"},
    {"Edit1", K::Command, "SaveDumpBookmark1Click"},
    {"Edit1", K::Separator, ""},
    {"Edit1", K::Command, "ExternalProgramSettings1Click"},
    {"Edit1", K::Command, "ExecuteExternalProgram1Click"},
    {"Edit1", K::Command, "InsertBinaryData1Click"},
    {"Edit1", K::Command, "BYTEFill1Click"},
    {"Edit1", K::Command, "RemoveSNESHeader1Click"},

    {"", K::Menu, "Tools1", "&Tools", ""},
    {"Tools1", K::Command, "TableEdit1Click"},
    {"Tools1", K::Command, "TableMaker1Click"},
    {"Tools1", K::Command, "TileEditor1Click"},
    {"Tools1", K::Command, "SnesToHex1Click"},
    {"Tools1", K::Separator, ""},
    {"Tools1", K::Command, "CreateanIPSFile1Click"},
    {"Tools1", K::Command, "CreateaBPSFile1Click"},
    {"Tools1", K::Command, "PatchCurrentFile1Click"},
    {"Tools1", K::Separator, ""},
    {"Tools1", K::Command, "IncreaseDecreaseROMSize1Click"},
    {"Tools1", K::Command, "RepairSNESChecksum1Click"},
    {"Tools1", K::Separator, ""},
    {"Tools1", K::Command, "CompareFiles1Click"},
    {"Tools1", K::Command, "StringLengthCalculator1Click"},
    {"Tools1", K::Separator, ""},
    {"Tools1", K::Command, "DumpScript1Click"},
    {"Tools1", K::Command, "InsertScript1Click"},

    {"", K::Menu, "Search1", "&Search", ""},
    {"Search1", K::Command, "TextSearch1Click"},
    {"Search1", K::Command, "HexSearch1Click"},
    {"Search1", K::Command, "KanaSearch1Click"},
    {"Search1", K::Command, "SearchAgain1Click"},
    {"Search1", K::Separator, ""},
    {"Search1", K::Command, "RelativeSearch1Click"},
    {"Search1", K::Separator, ""},
    {"Search1", K::Command, "GotoOffset1Click"},
    {"Search1", K::Command, "JumpOffsetList1Click"},
    {"Search1", K::Command, "ReturntoLastOffset1Click"},
    {"Search1", K::Separator, ""},
    {"Search1", K::Command, "ExecuteRelativeJump1Click"},
    {"Search1", K::Command, "RelativeJumpSettings1Click"},

    {"", K::Menu, "Option1", "&Option", ""},
    {"Option1", K::Command, "EditorColors1Click"},
    {"Option1", K::Menu, "SetFont1", "Set &Font...", "Choose the fonts of the view"},
    {"SetFont1", K::Command, "OffsetFont1Click", "", "", false, true},
    {"SetFont1", K::Command, "HexFont1Click"},
    {"SetFont1", K::Command, "TextFont1Click"},
    {"SetFont1", K::Command, "SetAllFonts1Click"},
    {"Option1", K::Separator, ""},
    {"Option1", K::Check, "ViewOffsetPanel1Click", "", "", true},
    {"Option1", K::Check, "ViewStatusBar1Click", "", "", true},
    {"Option1", K::Check, "OnTopClick"},
    {"Option1", K::Separator, ""},
    {"Option1", K::Command, "ViewJUMPList1Click"},
    {"Option1", K::Check, "ViewKanaClick"},
    {"Option1", K::Check, "ViewValueInspector1Click"},
    {"Option1", K::Menu, "DisplayOffsetas1", "Display Offset as...", "Choose how offsets are shown"},
    {"DisplayOffsetas1", K::Radio, "StandardClick", "", "", true},
    {"DisplayOffsetas1", K::Radio, "LoROM1Click"},
    {"DisplayOffsetas1", K::Radio, "LoROM2Click"},
    {"DisplayOffsetas1", K::Radio, "HiROM1Click"},
    {"DisplayOffsetas1", K::Radio, "SnesMem1Click"},

    {"", K::Menu, "Help1", "&Help", ""},
    {"Help1", K::Command, "HelpTopics1Click"},
    {"Help1", K::Command, "About1Click"},

    {kPopupMenu, K::Command, "CopyasText1Click"},
    {kPopupMenu, K::Command, "CopyasHex1Click"},
    {kPopupMenu, K::Menu, "PastetoCurrentLocation1", "&Paste to Current Location",
     "Type the clipboard's text at the cursor"},
    {"PastetoCurrentLocation1", K::Command, "AsText1Click", "", "", false, false, 1},
    {"PastetoCurrentLocation1", K::Command, "AsHex1Click", "", "", false, false, 0},
    {kPopupMenu, K::Separator, ""},
    {kPopupMenu, K::Command, "ExitProgram1Click"},
};
}  // namespace

std::span<const MenuEntry> mainMenuMap() { return kMap; }

const MenuEntry* findMenuEntry(std::string_view name) {
    if (name.empty()) return nullptr;
    for (const auto& e : kMap)
        if (e.name == name) return &e;
    return nullptr;
}

bool isCommandEntry(const MenuEntry* e) {
    return e && (e->kind == EntryKind::Command || e->kind == EntryKind::Check || e->kind == EntryKind::Radio);
}

}  // namespace hexedit
