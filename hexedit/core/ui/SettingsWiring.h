#pragma once
// Applies the editor settings to the main window: colours and fonts of the
// view, window size, status bar, stay-on-top, the recent-file submenus, and
// files dropped on the window.

#include <QObject>

#include "hexedit/core/EditorSettings.h"

namespace hexedit {
class TDataPad;
}

namespace hexedit::ui {

class SettingsWiring : public QObject, public SettingsView {
    Q_OBJECT
public:
    SettingsWiring(TDataPad& window, EditorSettings& settings);
    ~SettingsWiring() override;

    // SettingsView
    void applyColors() override;
    void applyFonts() override;
    void applyWindow() override;
    void captureWindow(int32_t& height, int32_t& width, bool& maximized) override;
    void currentFonts(common::FontSpec& hex, common::FontSpec& text) override;
    void recentChanged() override;
    bool showHelp(const std::string& path) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void fillRecent(const char* menuName, const char* firstEntry, const RecentList& list, bool roms);

    TDataPad& window_;
    EditorSettings& settings_;
};

}  // namespace hexedit::ui
