#pragma once
// Every model of Tarnwick32, created once in the program's order on one
// editing session: the main window's model first, then each subsystem,
// which registers its menu commands with the session's command table.

#include "common/port/Port.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/core/ModalView.h"
#include "hexedit/romtools/RomTools.h"
#include "hexedit/search/NavigationCommands.h"
#include "hexedit/search/SearchCommands.h"
#include "hexedit/tableedit/TableEditor.h"
#include "hexedit/tiles/TileEditor.h"
#include "hexedit/transfer/CompareFiles.h"
#include "hexedit/transfer/Dumper.h"

namespace hexedit {

struct TarnwickModel {
    explicit TarnwickModel(common::Port& port)
        : pad(port),
          navigation(pad),
          rom(pad),
          search(pad),
          dump(pad, search.list),
          tableEditor(pad),
          tiles(pad),
          compare(pad) {
        tiles.host.caption = [this] { return pad.TileCaption; };
        tiles.host.showing = [this](bool up) { pad.TileEditorShowing = up; };
        tiles.host.savestatePalette = [this]() -> const tiles::Palette* {
            return pad.ZstPaletteLoaded ? &pad.ZstPalette : nullptr;
        };
        tiles.host.keepSavestatePalette = [this](const tiles::Palette& p) {
            pad.ZstPalette = p;
            pad.ZstPaletteLoaded = true;
        };
        search.list.createTable = [this](uint8_t codeOfA) { tableEditor.createFromHit(codeOfA); };
        pad.commands().add("About1Click", [this] {
            if (aboutBox) aboutBox->execModal();
        });
    }
    TarnwickModel(const TarnwickModel&) = delete;
    TarnwickModel& operator=(const TarnwickModel&) = delete;

    DataPad pad;
    search::NavigationCommands navigation;
    romtools::RomTools rom;
    search::SearchCommands search;
    transfer::Dumper dump;  // TDumpForm
    tableedit::TableEditor tableEditor;  // TTMForm
    tiles::TileEditor tiles;  // TTileForm
    transfer::CompareFiles compare;  // TCompForm
    ModalView* aboutBox = nullptr;  // TAboutBox
};

}  // namespace hexedit
