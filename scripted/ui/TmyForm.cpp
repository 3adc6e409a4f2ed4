#include "scripted/ui/TmyForm.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QSignalBlocker>
#include <QStatusBar>
#include <algorithm>
#include <exception>

#include "common/fileio.h"
#include "scripted/Layout.h"
#include "scripted/Translation.h"

namespace scripted::ui {

using common::qs;

VideoBox::VideoBox(const std::vector<uint16_t>& screen, QWidget* parent) : QWidget(parent), pixels_(screen) {
    setObjectName(QStringLiteral("Video"));
    setAccessibleName(QStringLiteral("Video"));
    setMinimumSize(160, 128);
}

QImage VideoBox::screen() const {
    return QImage(reinterpret_cast<const uchar*>(pixels_.data()), kScreenWidth, kScreenHeight,
                  kScreenWidth * int(sizeof(uint16_t)), QImage::Format_RGB16);
}

void VideoBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(rect(), screen());
}

TmyForm::TmyForm(common::Port* port, QWidget* parent)
    : QMainWindow(parent),
      ownPort_(port ? nullptr : std::make_unique<common::QtPort>(this)),
      port_(port ? *port : *ownPort_),
      editor_(common::currentFolder()) {
    setObjectName(QStringLiteral("myForm"));
    Video = new VideoBox(editor_.Renderer.Screen, this);
    setCentralWidget(Video);
    buildMenus();
    // Two panels in a small face, so that both fit under the 320-pixel picture.
    QFont small = statusBar()->font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    statusBar()->setFont(small);
    statusBar()->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        statusPanels[i] = new QLabel(this);
        statusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusPanels[i]->setFont(small);
        statusBar()->addWidget(statusPanels[i], i == 0 ? 1 : 0);
    }
    stateLabel = new QLabel(this);
    stateLabel->setObjectName(QStringLiteral("stateLabel"));
    stateLabel->setAccessibleName(QStringLiteral("File state"));
    stateLabel->setFont(small);
    stateLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(stateLabel);
    Video->setFixedSize(320, 256);
    adjustSize();
    startClientSize_ = Video->size();
    Video->setMinimumSize(160, 128);
    Video->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setWindowTitle(qs(editor_.Caption));
}

TmyForm::~TmyForm() = default;

void TmyForm::attach(TTxtForm* txt, THexForm* hex, TKanaForm* kana, TcmForm* cm) {
    txt_ = txt;
    hex_ = hex;
    kana_ = kana;
    cm_ = cm;
    // Closing a side window only hides it; the model must know, or the next
    // command would show it again.
    for (QWidget* w : {static_cast<QWidget*>(txt_), static_cast<QWidget*>(hex_), static_cast<QWidget*>(kana_),
                       static_cast<QWidget*>(cm_)})
        w->installEventFilter(this);
    // The menu keys work from every tool window too.
    QList<QAction*> keyed;
    for (QAction* a : findChildren<QAction*>())
        if (!a->shortcut().isEmpty()) keyed << a;
    for (QWidget* w : {static_cast<QWidget*>(txt_), static_cast<QWidget*>(hex_), static_cast<QWidget*>(kana_),
                       static_cast<QWidget*>(cm_)})
        w->addActions(keyed);
    connect(cm_, &TcmForm::blockClicked, this, [this](int i) { run([&] { editor_.BlockListClick(port_, i); }); });
    connect(cm_, &TcmForm::stringClicked, this, [this](int i) { run([&] { editor_.StringListClick(i); }); });
    connect(txt_, &TTxtForm::edited, this, [this] { pushEditorText(); });
    connect(hex_, &THexForm::keyPressed, this, [this](HexKey k) { run([&] { editor_.HexKeyDown(k); }); });
    connect(hex_, &THexForm::resized, this, [this] { run([this] { editor_.HexData.setVisibleRows(hex_->visibleRows()); }); });
    connect(txt_, &TTxtForm::resized, this, [this] { run([this] { editor_.SelectString(false, true); }); });
    sync();
}

// The translation text is one byte per character in the editor, so that
// any file's bytes come back unchanged and each typed character is the byte
// the encoder takes; positions are byte offsets. The document's raw text is
// read: the plain text would turn A0h into a space.
void TmyForm::pullEditorSelection() {
    if (!txt_) return;
    QTextCursor c = txt_->TDMemo->textCursor();
    editor_.SetEditorSelection(size_t(c.selectionStart()), size_t(c.selectionEnd() - c.selectionStart()));
}

void TmyForm::pushEditorText() {
    std::string text = fromEditorChars(txt_->TDMemo->document()->toRawText().toStdU16String());
    size_t caret = size_t(txt_->TDMemo->textCursor().position());
    run([&] { editor_.TextChanged(std::move(text), caret); });
}

template <class F>
void TmyForm::run(F&& command) {
    editor_.TextEditorActive = txt_ && txt_->isActiveWindow();
    pullEditorSelection();
    try {
        command();
    } catch (const std::exception& ex) {
        // An error escaping a command is shown, as the application's
        // standard exception message, and the program goes on.
        port_.message(common::Message{ex.what(), kAppTitle, common::MsgIcon::Stop, common::MsgButtons::Ok});
    }
    sync();
}

void TmyForm::buildMenus() {
    auto add = [this](QMenu* menu, const char* text, const QKeySequence& key, auto&& slot) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        if (!key.isEmpty()) a->setShortcut(key);
        connect(a, &QAction::triggered, this, [this, slot] { run(slot); });
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    OpenROMFile1 = add(file, "&Open ROM File", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { editor_.OpenRomFile(port_); });
    LoadTextBlockDataFile1 = add(file, "Load Text Block Data File", QKeySequence(Qt::CTRL | Qt::Key_F),
                                 [this] { editor_.LoadDataFile(port_); });
    file->addSeparator();
    SaveTextFile1 = add(file, "&Save Text File", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { editor_.SaveTextFile(port_); });
    SaveRomFile1 = add(file, "S&ave Rom File", QKeySequence(Qt::CTRL | Qt::Key_A), [this] { editor_.SaveRomFile(port_); });
    file->addSeparator();
    Exit1 = add(file, "E&xit", QKeySequence(Qt::ALT | Qt::Key_X), [this] { editor_.Exit(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    DisplayPointerList1 = add(view, "Display &Pointer List", QKeySequence(Qt::CTRL | Qt::Key_P),
                              [this] { editor_.ShowWindow(Window::List, true); });
    DisplayTextEditor1 = add(view, "Display &Text Editor", QKeySequence(Qt::CTRL | Qt::Key_T),
                             [this] { editor_.ShowWindow(Window::TextEditor, true); });
    DisplayKanaTextDump1 = add(view, "Display Kana Text Dump", QKeySequence(Qt::CTRL | Qt::Key_K),
                               [this] { editor_.ShowWindow(Window::KanaText, true); });
    DisplayHexData1 = add(view, "Display He&x Data", QKeySequence(Qt::CTRL | Qt::Key_X),
                          [this] { editor_.ShowWindow(Window::HexData, true); });
    DisplayHexData1->setEnabled(false);  // only the data file shows the hex data window
    view->addSeparator();
    Zoominx21 = add(view, "Zoom in x 2", QKeySequence(), [this] {
        if (isMaximized()) showNormal();
        Size size = zoomedClientSize({startClientSize_.width(), startClientSize_.height()});
        setClientSize(QSize(size.width, size.height));
        zoomed_ = true;
        placeSideWindows();
    });
    DefaultWindowSize1 = add(view, "Default Window Size", QKeySequence(Qt::CTRL | Qt::Key_W), [this] {
        setClientSize(startClientSize_);
        zoomed_ = false;
        placeSideWindows();
    });

    WrapLines1 = add(view, "Wrap Long Lines in Text Editor", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W),
                     [this] { editor_.ToggleWrap(); });
    WrapLines1->setCheckable(true);

    QMenu* options = menuBar()->addMenu(QStringLiteral("&options"));
    HideCodes = add(options, "Hide Control Codes", QKeySequence(Qt::CTRL | Qt::Key_H), [this] { editor_.ToggleHideCodes(); });
    UseVWFRoutine1 = add(options, "Use VWF Routine", QKeySequence(Qt::CTRL | Qt::Key_U), [this] { editor_.ToggleVwf(); });
    HideCodes->setCheckable(true);
    UseVWFRoutine1->setCheckable(true);
    QMenu* colour = options->addMenu(QStringLiteral("Textbox Color..."));
    Blue1 = add(colour, "Blue", QKeySequence(), [this] { editor_.SetBoxColor(BoxColor::Blue); });
    Green1 = add(colour, "Green", QKeySequence(), [this] { editor_.SetBoxColor(BoxColor::Green); });
    Red1 = add(colour, "Red", QKeySequence(), [this] { editor_.SetBoxColor(BoxColor::Red); });
    colour->addSeparator();
    Gradient1 = add(colour, "Gradient", QKeySequence(), [this] { editor_.SetBoxFill(BoxFill::Gradient); });
    Solid1 = add(colour, "Solid", QKeySequence(), [this] { editor_.SetBoxFill(BoxFill::Solid); });
    for (QAction* a : {Blue1, Green1, Red1, Gradient1, Solid1}) a->setCheckable(true);
    auto* colours = new QActionGroup(this);
    for (QAction* a : {Blue1, Green1, Red1}) colours->addAction(a);
    auto* fills = new QActionGroup(this);
    for (QAction* a : {Gradient1, Solid1}) fills->addAction(a);
    // Not shown in the menu; its shortcut still works.
    DTT = new QAction(QStringLiteral("Display Translated Text"), this);
    DTT->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    DTT->setCheckable(true);
    addAction(DTT);
    connect(DTT, &QAction::triggered, this, [this] { run([this] { editor_.ToggleTranslatedText(); }); });

    QMenu* program = menuBar()->addMenu(QStringLiteral("&Program"));
    TextEditorStayOnTop1 = add(program, "Text Editor Stay on top", QKeySequence(), [this] { editor_.ToggleStayOnTop(); });
    TextEditorStayOnTop1->setCheckable(true);
    DumpMemory1 = add(program, "Dump Memory", QKeySequence(Qt::CTRL | Qt::Key_M), [this] { editor_.DumpMemory(port_); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    EditorKeys1 = add(help, "Editor Keys", QKeySequence(), [this] { editor_.EditorKeys(port_); });
}

void TmyForm::setSideVisible(QWidget* w, bool visible) {
    if (!w || w->isVisible() == visible) return;
    w->setVisible(visible);
}

void TmyForm::sync() {
    const ScriptEditor& ed = editor_;
    setWindowTitle(qs(ed.Caption));
    statusPanels[0]->setText(qs(ed.StatusPanels[0]));
    statusPanels[1]->setText(qs(ed.StatusPanels[1]));
    LoadTextBlockDataFile1->setEnabled(ed.DataMenuEnabled);
    HideCodes->setChecked(ed.View.hideCodes);
    UseVWFRoutine1->setChecked(ed.View.useVwf);
    DTT->setChecked(ed.View.translatedText);
    Blue1->setChecked(ed.View.color == BoxColor::Blue);
    Green1->setChecked(ed.View.color == BoxColor::Green);
    Red1->setChecked(ed.View.color == BoxColor::Red);
    Gradient1->setChecked(ed.View.fill == BoxFill::Gradient);
    Solid1->setChecked(ed.View.fill == BoxFill::Solid);
    TextEditorStayOnTop1->setChecked(ed.StayOnTop);
    WrapLines1->setChecked(ed.WrapEditorLines);
    const QString state = qs(ed.FileStateText());
    stateLabel->setText(state);
    stateLabel->setVisible(!state.isEmpty());

    if (cm_) {
        auto fill = [](QListWidget* w, const ListState& list, unsigned& revision) {
            QSignalBlocker block(w);
            if (revision != list.revision) {
                w->clear();
                QStringList items;
                items.reserve(static_cast<qsizetype>(list.items.size()));
                for (const auto& s : list.items) items << qs(s);
                w->addItems(items);
                revision = list.revision;
            }
            if (w->currentRow() != list.selected) w->setCurrentRow(list.selected);
            w->setToolTip(qs(list.hint));
        };
        fill(cm_->bList, ed.bList, bListRevision_);
        fill(cm_->pList, ed.pList, pListRevision_);
    }
    if (kana_) {
        kana_->setWindowTitle(qs(ed.KanaCaption));
        // Replaced only when it changed, so the user's selection and scroll
        // position survive unrelated refreshes.
        QString kana = QString::fromStdU16String(ed.KanaTextShown());
        if (kana_->kanaEdit->toPlainText() != kana) kana_->kanaEdit->setPlainText(kana);
    }

    if (stayOnTop_ != ed.StayOnTop) {
        stayOnTop_ = ed.StayOnTop;
        for (QWidget* w : {static_cast<QWidget*>(txt_), static_cast<QWidget*>(kana_)}) {
            if (!w) continue;
            bool shown = w->isVisible();
            w->setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop_);
            if (shown) w->show();  // changing the flags hides a window
        }
    }
    if (isVisible()) {
        setSideVisible(cm_, ed.windowVisible(Window::List));
        setSideVisible(txt_, ed.windowVisible(Window::TextEditor));
        setSideVisible(hex_, ed.windowVisible(Window::HexData));
        setSideVisible(kana_, ed.windowVisible(Window::KanaText));
    }
    // The hex data window takes its caption when it is drawn.
    if (hex_ && hex_->isVisible()) {
        hex_->setWindowTitle(qs(ed.HexCaption()));
        hex_->chPic->pixels = ed.HexPreview();
        hex_->grid->update();
        hex_->chPic->update();
    }

    switch (editor_.takeFocusRequest()) {
        case Focus::BlockList:
            if (cm_ && cm_->isVisible()) cm_->bList->setFocus();
            break;
        case Focus::StringList:
            if (cm_ && cm_->isVisible()) cm_->pList->setFocus();
            break;
        case Focus::None: break;
    }
    if (txt_) {
        QPlainTextEdit* memo = txt_->TDMemo;
        if (editorTextRevision_ != ed.EditorTextRevision) {
            editorTextRevision_ = ed.EditorTextRevision;
            QSignalBlocker block(memo);
            memo->setPlainText(QString::fromStdU16String(toEditorChars(ed.EditorText)));
        }
        memo->document()->setModified(ed.TextModified);
        txt_->setWindowModified(ed.TextModified);
        const auto wrap = ed.WrapEditorLines ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap;
        if (memo->lineWrapMode() != wrap) memo->setLineWrapMode(wrap);
        if (editor_.CaretRequest) {
            QTextCursor c = memo->textCursor();
            c.setPosition(int(std::min(*editor_.CaretRequest, ed.EditorText.size())));
            memo->setTextCursor(c);
            editor_.CaretRequest.reset();
        }
        if (editor_.TopLineRequest) {
            memo->verticalScrollBar()->setValue(int(*editor_.TopLineRequest));
            editor_.TopLineRequest.reset();
        }
    }
    Video->update();
    if (editor_.CloseRequested && !closing_) close();
}

void TmyForm::setClientSize(QSize size) {
    // The frame around the picture (menu and status bar) can change its
    // height with the width; correct until the picture has the size.
    for (int i = 0; i < 3 && Video->size() != size; ++i) {
        resize(this->size() + (size - Video->size()));
        if (layout()) layout()->activate();
    }
}

void TmyForm::placeSideWindows() {
    if (isMaximized() || isMinimized() || !txt_ || !cm_ || !kana_) return;
    auto frame = [](QWidget* w) {
        QRect r = w->frameGeometry();
        return Rect{r.x(), r.y(), r.width(), r.height()};
    };
    const QRect free = screen() ? screen()->availableGeometry() : QRect();
    const Rect area = free.isValid() ? Rect{free.x(), free.y(), free.width(), free.height()} : kAnyArea;
    SidePlacement p = scripted::placeSideWindows(frame(this), frame(txt_), frame(cm_), zoomed_, area, frame(kana_));
    if (p.main.x != frameGeometry().x() || p.main.y != frameGeometry().y()) move(p.main.x, p.main.y);
    txt_->move(p.textEditor.x, p.textEditor.y);
    cm_->move(p.list.x, p.list.y);
    kana_->move(p.kana.x, p.kana.y);
}

void TmyForm::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    placeSideWindows();
}

bool TmyForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Show) {
        // A side window takes its place when shown, and again once the
        // window manager has framed it (its frame size is known only then).
        QTimer::singleShot(0, this, [this] { placeSideWindows(); });
        QTimer::singleShot(200, this, [this] { placeSideWindows(); });
    }
    if (e->type() == QEvent::Close && !closing_) {
        if (watched == cm_) editor_.ShowWindow(Window::List, false);
        else if (watched == txt_) editor_.ShowWindow(Window::TextEditor, false);
        else if (watched == hex_) editor_.ShowWindow(Window::HexData, false);
        else if (watched == kana_) editor_.ShowWindow(Window::KanaText, false);
    }
    return QMainWindow::eventFilter(watched, e);
}

void TmyForm::keyPressEvent(QKeyEvent* e) {
    Key key = e->key() == Qt::Key_Up ? Key::Up : e->key() == Qt::Key_Down ? Key::Down : Key::Other;
    bool swallowed = false;
    run([&] { swallowed = editor_.KeyDown(key, e->modifiers() & Qt::ShiftModifier, e->modifiers() & Qt::ControlModifier); });
    if (swallowed) e->accept();
    else QMainWindow::keyPressEvent(e);
}

void TmyForm::closeEvent(QCloseEvent* e) {
    if (!closing_) {
        closing_ = true;
        bool close = true;
        run([&] { close = editor_.CloseQuery(port_); });
        if (!close) {
            closing_ = false;
            e->ignore();
            return;
        }
    }
    for (QWidget* w : {static_cast<QWidget*>(txt_), static_cast<QWidget*>(hex_), static_cast<QWidget*>(kana_),
                       static_cast<QWidget*>(cm_)})
        if (w) w->hide();
    e->accept();
    emit closed();
}

Windows createWindows(common::Port* port) {
    Windows w;
    w.main = std::make_unique<TmyForm>(port);
    w.txt = new TTxtForm(w.main.get());
    w.hex = new THexForm(w.main->editor().HexData, w.main.get());
    w.kana = new TKanaForm(w.main.get());
    w.cm = new TcmForm(w.main.get());
    w.main->attach(w.txt, w.hex, w.kana, w.cm);
    return w;
}

}  // namespace scripted::ui
