#pragma once
// Every model of Tarnwick32, created once in the program's order on one
// editing session: the main window's model first, then each subsystem,
// which registers its menu commands with the session's command table.

#include "common/port/Port.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/core/EditorSettings.h"
#include "hexedit/core/ModalView.h"
#include "hexedit/romtools/RomTools.h"
#include "hexedit/search/NavigationCommands.h"
#include "hexedit/search/SearchCommands.h"
#include "hexedit/search/ValueInspector.h"
#include "hexedit/tableedit/TableEditor.h"
#include "hexedit/transfer/BinaryInsert.h"
#include "hexedit/transfer/ByteFill.h"
#include "hexedit/transfer/ExternalInserter.h"
#include "hexedit/transfer/ScriptCommands.h"
#include "hexedit/tiles/TileEditor.h"
#include "hexedit/transfer/CompareFiles.h"
#include "hexedit/transfer/Dumper.h"

namespace hexedit {

// The model also answers the requests that cross subsystems: the tile
// window's goto, table editor and help, and the Data List's new table.
struct TarnwickModel final : tiles::TileHost, search::DataListTables {
    explicit TarnwickModel(common::Port& port)
        : pad(port),
          settings(pad),
          inserter(pad, settings.external),
          navigation(pad),
          rom(pad),
          search(pad),
          inspector(pad, settings.ValueInspector),
          dump(pad, search.list),
          byteFill(pad, dump),
          binaryInsert(pad),
          tableEditor(pad, &settings),
          tiles(pad),
          compare(pad),
          script(pad) {
        tiles.setHost(this);
        search.list.setTables(this);
        pad.commands().add({.name = "About1Click",
                            .caption = "&About Tarnwick for Win32",
                            .hint = "Show the program's version",
                            .run = [this] {
                                if (aboutBox) aboutBox->execModal();
                            }});
        settings.FindAsShown = &search.find.options.AsShown;
    }
    TarnwickModel(const TarnwickModel&) = delete;
    TarnwickModel& operator=(const TarnwickModel&) = delete;

    // TileHost
    void gotoOffset() override { navigation.gotoWindow.GotoOffset1Click(); }
    void openTableEditor() override { tableEditor.openBeside(tableedit::EditorMode); }
    void openTableMaker() override { tableEditor.openBeside(tableedit::MakerMode); }
    void closeTableEditor() override {
        if (tableEditor.isOpen()) tableEditor.closeRequested();
    }
    void help() override { settings.HelpTopics1Click(); }
    // DataListTables
    void createTable(uint8_t codeOfA) override { tableEditor.createFromHit(codeOfA); }

    DataPad pad;
    EditorSettings settings;
    transfer::ExternalInserter inserter;  // TAppIns
    search::NavigationCommands navigation;
    romtools::RomTools rom;
    search::SearchCommands search;
    search::ValueInspector inspector;  // its panel docked in the main window
    transfer::Dumper dump;  // TDumpForm
    transfer::ByteFill byteFill;  // on the dump window
    transfer::BinaryInsert binaryInsert;  // on the dump window
    tableedit::TableEditor tableEditor;  // TTMForm
    tiles::TileEditor tiles;  // TTileForm
    transfer::CompareFiles compare;  // TCompForm
    transfer::ScriptCommands script;  // TScriptDumpForm, TScriptInsertForm
    ModalView* aboutBox = nullptr;  // TAboutBox
};

}  // namespace hexedit
