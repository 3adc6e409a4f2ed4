#include "hexedit/core/ui/TDataPad.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QInputMethodEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "common/fileio.h"
#include "common/ui/Accessibility.h"
#include "common/ui/QtPort.h"
#include "hexedit/core/ui/PaintBox.h"
#include "hexedit/core/ui/ViewWiring.h"

namespace hexedit {

using common::qs;

namespace {
QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

constexpr char kStatusWidthText[] = "Dec: 000 Hex: 00 Bin: 00000000 Offset: 00000000 [000%] Asc 'A'=00        ";
}  // namespace

TDataPad::TDataPad(DataPad& m, QWidget* parent) : QMainWindow(parent), model(m) {
    setObjectName(QStringLiteral("DataPad"));
    setWindowTitle(qs(kProgramCaption) + QStringLiteral("[*]"));
    buildLayout();
    buildMenus();
    model.setView(this);
    model.FormCreate(common::currentFolder());
    Panel3Resize();
    VScrlChange();
    wiring_ = new ui::ViewWiring(*this);  // painting, mouse and scroll bar of the view

    // Key preview: every key of the window's widgets passes here first;
    // an input method's text comes to the window itself.
    qApp->installEventFilter(this);
    setAttribute(Qt::WA_InputMethodEnabled);
    // The menus are brought up to date whenever another window becomes
    // active; coming back to the main window tells of another program
    // changing the open file meanwhile.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* now) {
        model.UpdateMenuItems();
        if (now && now == windowHandle()) model.files.checkOpenFile();
    });

    common::nameControls(this);
    menusChanged();
    resize(780, 560);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

TDataPad::~TDataPad() {
    qApp->removeEventFilter(this);
    model.setView(nullptr);
}

void TDataPad::buildLayout() {
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    VScrl = new QScrollBar(Qt::Vertical, central);
    VScrl->setObjectName(QStringLiteral("VScrl"));
    row->addWidget(VScrl);

    const QFont hexFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto makePanel = [&](const char* panelName, const char* boxName, PaintBox*& box) {
        auto* panel = new QFrame(central);
        panel->setObjectName(QLatin1String(panelName));
        panel->setAutoFillBackground(true);
        QPalette pal = panel->palette();
        pal.setColor(QPalette::Window, Qt::black);
        panel->setPalette(pal);
        auto* inner = new QVBoxLayout(panel);
        inner->setContentsMargins(0, 0, 0, 0);
        box = new PaintBox(panel);
        box->setObjectName(QLatin1String(boxName));
        box->setFont(hexFont);
        box->setPalette(pal);
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        inner->addWidget(box);
        return panel;
    };
    Panel3 = makePanel("Panel3", "HexData", HexData);
    Panel2 = makePanel("Panel2", "TblData", TblData);
    row->addWidget(Panel3);
    row->addWidget(Panel2, 1);

    Memo1 = new QPlainTextEdit(Panel2);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->hide();

    setCentralWidget(central);

    SBar = new QStatusBar(this);
    SBar->setObjectName(QStringLiteral("SBar"));
    SBar->setSizeGripEnabled(false);
    const QString panelStyle = QStringLiteral("QLabel { border: 1px solid black; padding: 0 2px; }");
    SBarPanel1 = new QLabel(SBar);
    SBarPanel1->setObjectName(QStringLiteral("SBarPanel1"));
    SBarPanel1->setStyleSheet(panelStyle);
    SBarPanel1->setMinimumWidth(SBarPanel1->fontMetrics().horizontalAdvance(QLatin1String(kStatusWidthText)));
    SBarPanel2 = new QLabel(SBar);
    SBarPanel2->setObjectName(QStringLiteral("SBarPanel2"));
    SBarPanel2->setStyleSheet(panelStyle);
    SBarState = new QLabel(SBar);
    SBarState->setObjectName(QStringLiteral("SBarState"));
    SBarState->setAccessibleName(QStringLiteral("File state"));
    SBarState->setStyleSheet(panelStyle);
    SBarState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SBarTable = new QLabel(SBar);
    SBarTable->setObjectName(QStringLiteral("SBarTable"));
    SBarTable->setAccessibleName(QStringLiteral("Table encoding"));
    SBarTable->setStyleSheet(panelStyle);
    SBar->addWidget(SBarPanel1);
    SBar->addWidget(SBarPanel2, 1);
    SBar->addWidget(SBarTable);
    SBar->addWidget(SBarState);
    BusyBar = new QProgressBar(SBar);
    BusyBar->setObjectName(QStringLiteral("BusyBar"));
    BusyBar->setAccessibleName(QStringLiteral("Progress"));
    BusyBar->setRange(0, 1000);
    BusyBar->setMaximumWidth(220);
    BusyBar->hide();
    BusyCancel = new QPushButton(QStringLiteral("Cancel"), SBar);
    BusyCancel->setObjectName(QStringLiteral("BusyCancel"));
    BusyCancel->hide();
    connect(BusyCancel, &QPushButton::clicked, this, [this] { model.cancelBusy(); });
    SBar->addPermanentWidget(BusyBar);
    SBar->addPermanentWidget(BusyCancel);
    setStatusBar(SBar);
}

void TDataPad::buildMenus() {
    PopUp1 = new QMenu(this);
    PopUp1->setObjectName(qs(std::string(kPopupMenu)));
    menus_.emplace(std::string(kPopupMenu), PopUp1);
    std::map<std::string, QActionGroup*, std::less<>> radioGroups;

    for (const MenuEntry& e : mainMenuMap()) {
        QMenu* parent = e.parent.empty() ? nullptr : menu(e.parent);
        if (!e.parent.empty() && !parent) continue;
        auto add = [&](QAction* a) {
            if (parent) parent->addAction(a);
            else menuBar()->addAction(a);
        };
        switch (e.kind) {
            case EntryKind::Separator:
                if (parent) parent->addSeparator();
                break;
            case EntryKind::Menu: {
                auto* m = new QMenu(text(e.caption), this);
                m->setObjectName(text(e.name));
                m->menuAction()->setObjectName(text(e.name));
                m->menuAction()->setStatusTip(text(e.hint));
                add(m->menuAction());
                menus_.emplace(std::string(e.name), m);
                break;
            }
            default: {
                // The entry's record: caption, keys and hint; an entry nobody
                // handles yet shows none of them and stays disabled.
                static const MenuCommand kNone{};
                const MenuCommand* found = model.commands().find(e.name);
                const MenuCommand& c = found ? *found : kNone;
                auto* a = new QAction(this);
                a->setObjectName(text(e.name));
                a->setStatusTip(text(c.hint));  // shown in the hint panel
                if (!c.shortcut.empty()) {
                    QKeySequence key = QKeySequence::fromString(text(c.shortcut), QKeySequence::PortableText);
                    // Shift+Tab arrives as Shift+Backtab.
                    if (c.shortcut == "Shift+Tab") {
                        a->setShortcuts({key, QKeySequence(Qt::SHIFT | Qt::Key_Backtab)});
                    } else if (!c.secondShortcut.empty()) {
                        // Both keys in the entry's text; the menu shows what follows the tab.
                        const QKeySequence other =
                            QKeySequence::fromString(text(c.secondShortcut), QKeySequence::PortableText);
                        a->setShortcuts({key, other});
                        keysText_.emplace(std::string(e.name), QStringLiteral("\t") +
                                                                   key.toString(QKeySequence::NativeText) +
                                                                   QStringLiteral(", ") +
                                                                   other.toString(QKeySequence::NativeText));
                    } else {
                        a->setShortcut(key);
                    }
                    a->setShortcutContext(Qt::WindowShortcut);
                }
                a->setText(actionText(e.name));
                a->setData(e.tag);
                if (e.kind == EntryKind::Check || e.kind == EntryKind::Radio) {
                    a->setCheckable(true);
                    a->setChecked(e.checked);
                }
                if (e.kind == EntryKind::Radio) {
                    auto& g = radioGroups[std::string(e.parent)];
                    if (!g) g = new QActionGroup(this);
                    g->addAction(a);
                }
                a->setVisible(!e.hidden);
                // The model's command table runs the entry; a radio or check
                // entry shows the model's mark, not the click's.
                connect(a, &QAction::triggered, this, [this, name = std::string(e.name)] {
                    model.runCommand(name);
                    model.UpdateMenuItems();
                });
                add(a);
                addAction(a);  // shortcuts work while the menu bar is hidden, and for the pop-up menu
                commands_.emplace(std::string(e.name), a);
                break;
            }
        }
    }

    auto popUp = [this](PaintBox* box) {
        connect(box, &QWidget::customContextMenuRequested, this,
                [this, box](const QPoint& p) { PopUp1->popup(box->mapToGlobal(p)); });
    };
    popUp(HexData);
    popUp(TblData);
}

QString TDataPad::actionText(std::string_view name) const {
    QString caption = qs(model.commands().caption(name));
    if (auto it = keysText_.find(name); it != keysText_.end()) caption += it->second;
    return caption;
}

QAction* TDataPad::command(std::string_view name) const {
    if (auto it = commands_.find(name); it != commands_.end()) return it->second;
    if (auto it = menus_.find(name); it != menus_.end()) return it->second->menuAction();
    return nullptr;
}

QMenu* TDataPad::menu(std::string_view name) const {
    auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
}

void TDataPad::setStatusText(const QString& t) {
    SBarPanel1->setText(t);
    SBarTable->setText(QString::fromStdString(model.hexView.tableEncodingLabel()));
}

void TDataPad::Panel3Resize() {
    const QFontMetrics fm(HexData->font());
    const int perRow = std::max(1, model.view().BytesPerRow);
    Panel3->setFixedWidth(perRow * fm.horizontalAdvance(QStringLiteral("DD")) +
                          fm.horizontalAdvance(QStringLiteral("DDDDDDDDD ")));
}

void TDataPad::VScrlChange() {
    VScrl->setRange(0, std::max(0, model.editor().BufferSize));
    VScrl->setSingleStep(std::max(1, model.view().BytesPerRow));
    VScrl->setPageStep(std::max(1, model.view().PageBytes));
}

void TDataPad::formPaint() {
    fileStateChanged();
    if (wiring_) wiring_->formPaint();
    if (!model.editor().EditorReady) return;
    HexData->update();
    TblData->update();
}

void TDataPad::menusChanged() {
    const CommandTable& table = model.commands();
    for (const MenuEntry& e : mainMenuMap()) {
        if (e.name.empty() || e.kind == EntryKind::Separator) continue;
        QAction* a = command(e.name);
        if (!a) continue;
        a->setEnabled(model.commandEnabled(e.name));
        if (table.checkable(e.name)) a->setChecked(table.checked(e.name));
        // Captions set at run time: the table swap entries, the external program.
        if (const MenuCommand* c = table.find(e.name); c && c->captionRule) {
            const QString caption = actionText(e.name);
            if (a->text() != caption) a->setText(caption);
        }
    }
    fileStateChanged();
    emit menusUpdated();
}

void TDataPad::fileStateChanged() {
    setWindowModified(model.editor().fileOpen() && model.editor().Modified);
    const QString state = qs(model.FileStateText());
    if (SBarState->text() != state) SBarState->setText(state);
    SBarState->setVisible(!state.isEmpty());
}

// The desktop's modified marker follows the caption; a "[*]" of the
// caption's own (in a file name) is doubled to show as itself.
void TDataPad::titlesChanged() {
    setWindowTitle(qs(model.MainCaption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")) +
                   QStringLiteral("[*]"));
}

void TDataPad::scrollRangeChanged() {
    VScrlChange();
    if (wiring_) wiring_->scrollRangeChanged();
}

void TDataPad::showHint(std::string_view hint) { SBarPanel2->setText(text(hint)); }

void TDataPad::closeRequested() {
    // Closing from inside a command: let the command return first.
    QTimer::singleShot(0, this, [this] { close(); });
}

void TDataPad::closeEvent(QCloseEvent* e) {
    if (!model.files.FormCloseQuery()) {
        e->ignore();
        return;
    }
    model.files.FormClose();
    e->accept();
    QApplication::quit();
}

bool TDataPad::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        showHint(static_cast<QStatusTipEvent*>(e)->tip().toStdString());
        return true;
    }
    return QMainWindow::event(e);
}

namespace {
Key keyOf(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Left: return Key::Left;
    case Qt::Key_Right: return Key::Right;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Down: return Key::Down;
    case Qt::Key_Home: return Key::Home;
    case Qt::Key_End: return Key::End;
    case Qt::Key_PageUp: return Key::PageUp;
    case Qt::Key_PageDown: return Key::PageDown;
    case Qt::Key_Backspace: return Key::Backspace;
    case Qt::Key_Delete: return Key::Delete;
    case Qt::Key_Insert: return Key::Insert;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return Key::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::Enter;
    case Qt::Key_Escape: return Key::Escape;
    case Qt::Key_Space: return Key::Space;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock: return Key::Modifier;
    default: break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return static_cast<Key>(static_cast<int>(Key::F1) + (qtKey - Qt::Key_F1));
    return Key::Other;
}
}  // namespace

bool TDataPad::previewKey(QKeyEvent& e) {
    KeyPress k;
    k.key = keyOf(e.key());
    k.shift = e.modifiers() & Qt::ShiftModifier;
    k.ctrl = e.modifiers() & Qt::ControlModifier;
    k.alt = e.modifiers() & Qt::AltModifier;
    // Composed input can bring several characters with one key.
    const QList<uint> text = e.text().toUcs4();
    if (text.size() <= 1) k.text = text.isEmpty() ? 0 : text.front();
    else k.composed.assign(text.begin(), text.end());
    return model.commands().previewKey(k);
}

void TDataPad::inputMethodEvent(QInputMethodEvent* e) {
    // Only the committed text is typed; the composition is not shown.
    const QList<uint> text = e->commitString().toUcs4();
    if (!text.isEmpty()) {
        KeyPress k;
        k.composed.assign(text.begin(), text.end());
        model.commands().previewKey(k);
    }
    e->accept();
}

bool TDataPad::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // A key event is first delivered to the focus widget (or the window
        // when none has the focus); preview it there, once.
        QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (w == first && w->window() == this && previewKey(*static_cast<QKeyEvent*>(e))) return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TDataPad::visibilityChanged() { setVisible(model.MainWindowVisible); }

void TDataPad::busyChanged() {
    const bool busy = model.busy();
    BusyBar->setVisible(busy);
    BusyCancel->setVisible(busy);
    BusyBar->setFormat(qs(model.busyRunner().label()) + QStringLiteral(" %p%"));
    BusyBar->setValue(0);
    menuBar()->setEnabled(!busy);
}

void TDataPad::progressChanged() {
    // The bar counts in thousandths so totals over 2^31 fit.
    const BusyRunner& runner = model.busyRunner();
    const double share = runner.total() ? static_cast<double>(runner.done()) / static_cast<double>(runner.total()) : 0;
    BusyBar->setRange(0, 1000);
    BusyBar->setValue(static_cast<int>(std::clamp(share, 0.0, 1.0) * 1000));
}

}  // namespace hexedit
