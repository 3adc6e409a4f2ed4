#include "hexedit/core/DataPad.h"

namespace hexedit {

DataPad::DataPad(common::Port& port) : EditSession(doc_, *this, commands_, nav_, files), port_(port) {
    busy_.setView(this);
    hexView.setSession(this);
    documentEvents_ = doc_.subscribe([this](const DocumentEvent& e) {
        if (const auto* bytes = std::get_if<doc::BytesChanged>(&e)) {
            bytesChanged(*bytes);
        } else if (std::holds_alternative<doc::CursorMoved>(e)) {
            notifyRepaint();
        } else if (std::holds_alternative<doc::SelectionChanged>(e)) {
            // The copy entries follow whether anything is selected.
            if (selection().has_value() != hadSelection_) {
                hadSelection_ = !hadSelection_;
                notifyMenus();
            }
        } else if (std::holds_alternative<doc::FileOpened>(e)) {
            couldUndo_ = couldRedo_ = false;
            wasModified_ = doc_.modified();
            tell(&DataPadView::scrollRangeChanged);
        } else if (std::holds_alternative<doc::ModifiedChanged>(e)) {
            tell(&DataPadView::fileStateChanged);
        }
    });
}

void DataPad::notifyRepaint() { tell(&DataPadView::formPaint); }
void DataPad::notifyMenus() { tell(&DataPadView::menusChanged); }

bool DataPad::FormCreate(const std::string& workingFolder) {
    ViewState& view = doc_.view();
    view.BytesPerRow = 16;
    view.PageBytes = 256;
    TableData& table = doc_.tableState();
    table.CharShift = 0;
    table.TablePaths[2].clear();
    EditorState& editor = doc_.editorState();
    editor.EditorReady = true;
    view.CursorRow = 0;
    view.CursorColumn = 0;
    view.TopOffset = 0;
    nav_.ReturnCount = 0;
    editor.LastDirectory = workingFolder;
    UpdateMenuItems();
    return editor.EditorReady;
}

void DataPad::setCaption(std::string_view caption) {
    MainCaption = caption;
    tell(&DataPadView::titlesChanged);
}

void DataPad::requestClose() { tell(&DataPadView::closeRequested); }

void DataPad::showHint(std::string_view text) {
    if (view_) view_->showHint(text);
}

void DataPad::fileWritten(const std::string& path) {
    WrittenPath = absolutePath(path);
    tell(&DataPadView::fileStateChanged);
}

std::string DataPad::FileStateText() const {
    std::string text;
    if (editor().fileOpen() && editor().Modified) text = "Unsaved changes";
    if (!WrittenPath.empty()) text += (text.empty() ? "" : " | ") + std::string("Written: ") + WrittenPath;
    return text;
}

void DataPad::UpdateMenuItems() {
    if (!editor().EditorReady) return;
    couldUndo_ = doc_.canUndo();
    couldRedo_ = doc_.canRedo();
    wasModified_ = editor().Modified;
    notifyMenus();
}

void DataPad::bytesChanged(const doc::BytesChanged& e) {
    if (e.resized) tell(&DataPadView::scrollRangeChanged);
    // Typed bytes are repainted by the view itself, row by row.
    if (!e.typing) notifyRepaint();
    // Menus only when what they show changed: typing calls this per byte.
    if (couldUndo_ != doc_.canUndo() || couldRedo_ != doc_.canRedo() || wasModified_ != editor().Modified || e.resized)
        UpdateMenuItems();
}

void DataPad::setMainWindowVisible(bool visible) {
    if (MainWindowVisible == visible) return;
    MainWindowVisible = visible;
    tell(&DataPadView::visibilityChanged);
}

bool DataPad::runBusy(std::string_view label, const std::function<bool(const common::Progress&)>& work) {
    return busy_.run(label, work);
}

void DataPad::busyChanged() {
    tell(&DataPadView::busyChanged);
    UpdateMenuItems();
}

void DataPad::progressChanged() { tell(&DataPadView::progressChanged); }

bool DataPad::commandEnabled(std::string_view name) const {
    return !busy() && commands_.enabled(name);
}

bool DataPad::runCommand(std::string_view name) {
    if (!commandEnabled(name)) return false;
    return commands_.run(name);
}

}  // namespace hexedit
