#include "hexedit/core/ui/SettingsWiring.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

#include "common/ui/HelpWindow.h"
#include "common/ui/QtPort.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/core/ui/ViewWiring.h"

namespace hexedit::ui {

using common::qs;

namespace {
QFont toQFont(const common::FontSpec& f, const QFont& fallback) {
    QFont q = fallback;
    if (!f.face.empty()) q.setFamily(qs(f.face));
    if (f.pointSize > 0) q.setPointSize(f.pointSize);
    q.setBold(f.bold);
    q.setItalic(f.italic);
    return q;
}

common::FontSpec toSpec(const QFont& f) { return {f.family().toStdString(), f.pointSize(), f.bold(), f.italic()}; }

// The local files of a drag, if it carries any.
QStringList localFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& u : data->urls())
        if (u.isLocalFile()) files << u.toLocalFile();
    return files;
}
}  // namespace

SettingsWiring::SettingsWiring(TDataPad& window, EditorSettings& settings)
    : QObject(&window), window_(window), settings_(settings) {
    window.setAcceptDrops(true);
    window.installEventFilter(this);
    settings.setView(this);
    recentChanged();
}

SettingsWiring::~SettingsWiring() { settings_.setView(nullptr); }

void SettingsWiring::applyColors() {
    if (ViewWiring* w = ViewWiring::of(window_)) w->binding->applyPanelColors();
}

void SettingsWiring::applyFonts() {
    ViewWiring* w = ViewWiring::of(window_);
    if (!w) return;
    w->binding->setHexFont(toQFont(settings_.HexFont, w->binding->hexFont()));
    w->binding->setTextFont(toQFont(settings_.TextFont, w->binding->textFont()));
    w->binding->relayout();
}

void SettingsWiring::applyWindow() {
    window_.statusBar()->setVisible(settings_.StatusBar);
    const bool onTop = window_.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (onTop != settings_.OnTop) {
        const bool shown = window_.isVisible();
        window_.setWindowFlag(Qt::WindowStaysOnTopHint, settings_.OnTop);
        if (shown) window_.show();  // changing the flags hides the window
    }
    if (settings_.Maximized) {
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
    } else if (settings_.Height > 0 && settings_.Width > 0) {
        window_.setWindowState(window_.windowState() & ~Qt::WindowMaximized);
        window_.resize(std::min(settings_.Width, 16384), std::min(settings_.Height, 16384));
    }
}

void SettingsWiring::captureWindow(int32_t& height, int32_t& width, bool& maximized) {
    maximized = window_.isMaximized();
    // The size resize() takes back; a maximized window keeps the size it had before.
    const QRect r = maximized ? window_.normalGeometry() : window_.geometry();
    if (r.isValid()) {
        height = r.height();
        width = r.width();
    }
}

void SettingsWiring::currentFonts(common::FontSpec& hex, common::FontSpec& text) {
    if (ViewWiring* w = ViewWiring::of(window_)) {
        hex = toSpec(w->binding->hexFont());
        text = toSpec(w->binding->textFont());
    }
}

void SettingsWiring::fillRecent(const char* menuName, const char* firstEntry, const RecentList& list, bool roms) {
    QMenu* menu = window_.menu(menuName);
    QAction* first = window_.command(firstEntry);
    if (!menu || !first) return;
    // The map's entry shows the newest file; the others follow it.
    for (QAction* a : menu->actions())
        if (a != first) menu->removeAction(a), a->deleteLater();
    const auto& items = list.items();
    first->setText(qs(window_.model.commands().caption(firstEntry)));
    for (size_t i = 1; i < items.size(); ++i) {
        auto* a = new QAction(QStringLiteral("&%1 ").arg(i + 1) + qs(items[i]), menu);
        connect(a, &QAction::triggered, this, [this, i, roms] {
            if (roms) settings_.openRecentRom(i);
            else settings_.openRecentTable(i);
        });
        menu->addAction(a);
    }
}

void SettingsWiring::recentChanged() {
    fillRecent("RecentROMFiles1", "RecentROM1", settings_.recentRoms, true);
    fillRecent("RecentTABLEFiles1", "RecentTable1", settings_.recentTables, false);
}

bool SettingsWiring::eventFilter(QObject* watched, QEvent* e) {
    if (watched == &window_) {
        if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
            auto* d = static_cast<QDropEvent*>(e);
            if (!localFiles(d->mimeData()).isEmpty()) {
                d->acceptProposedAction();
                return true;
            }
        } else if (e->type() == QEvent::Drop) {
            auto* d = static_cast<QDropEvent*>(e);
            const QStringList files = localFiles(d->mimeData());
            if (!files.isEmpty()) {
                d->acceptProposedAction();
                settings_.dropFile(files.first().toStdString());
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, e);
}

bool SettingsWiring::showHelp(const std::string& path) {
    common::HelpWindow* help = common::helpWindow(&window_);
    if (!help->showGuide(QString::fromStdString(path))) return false;
    help->show();
    help->raise();
    help->activateWindow();
    return true;
}

}  // namespace hexedit::ui
