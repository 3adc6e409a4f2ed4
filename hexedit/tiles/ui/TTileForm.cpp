#include "hexedit/tiles/ui/TTileForm.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "common/ui/Accessibility.h"

namespace hexedit::tiles {

namespace {

QColor fromRgb565(uint16_t c) {
    return QColor((c >> 11) * 255 / 31, ((c >> 5) & 63) * 255 / 63, (c & 31) * 255 / 31);
}

// The keys the tile window acts on; every other key goes by its text.
Key keyOf(int qtKey) {
    static const std::map<int, Key> keys = {
        {Qt::Key_Left, Key::Left},       {Qt::Key_Right, Key::Right},       {Qt::Key_Up, Key::Up},
        {Qt::Key_Down, Key::Down},       {Qt::Key_Home, Key::Home},         {Qt::Key_End, Key::End},
        {Qt::Key_PageUp, Key::PageUp},   {Qt::Key_PageDown, Key::PageDown}, {Qt::Key_Tab, Key::Tab},
        {Qt::Key_Escape, Key::Escape},   {Qt::Key_F1, Key::F1},             {Qt::Key_Shift, Key::Modifier},
        {Qt::Key_Control, Key::Modifier}, {Qt::Key_Alt, Key::Modifier},     {Qt::Key_Meta, Key::Modifier},
    };
    const auto it = keys.find(qtKey);
    return it == keys.end() ? Key::Other : it->second;
}

// The picture's RGB565 pixels as an image, without copying them.
QImage imageOf(const Picture& pic) {
    return QImage(reinterpret_cast<const uchar*>(pic.pixels.data()), pic.width, pic.height, pic.width * 2,
                  QImage::Format_RGB16);
}

// The two colours of the mouse buttons side by side.
class ColorLabel : public QWidget {
public:
    ColorLabel(TileEditor& model, QWidget* parent) : QWidget(parent), model_(model) {
        setObjectName("Clabel");
        setAccessibleName("Clabel");
        setFixedSize(128, 16);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(0, 0, width() / 2, height(), fromRgb565(model_.colorOf(model_.LeftColor)));
        p.fillRect(width() / 2, 0, width() - width() / 2, height(), fromRgb565(model_.colorOf(model_.RightColor)));
    }

private:
    TileEditor& model_;
};

}  // namespace

TilePaintBox::TilePaintBox(const char* name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TilePaintBox::paintEvent(QPaintEvent*) {
    if (!picture) return;
    const Picture& pic = picture();
    const QImage image = imageOf(pic);
    QPainter p(this);
    p.drawImage(0, 0, image);
}

void TilePaintBox::forward(QMouseEvent* e, bool press) {
    if (!onMouse) return;
    const Qt::MouseButtons b = press ? Qt::MouseButtons(e->button()) : e->buttons();
    const MouseButton button = (b & Qt::LeftButton) ? MouseButton::Left
                               : (b & Qt::RightButton) ? MouseButton::Right
                                                       : MouseButton::None;
    const QPoint at = e->position().toPoint();
    onMouse(at.x(), at.y(), button, e->modifiers() & Qt::ControlModifier, press);
}

void TilePaintBox::mousePressEvent(QMouseEvent* e) { forward(e, true); }
void TilePaintBox::mouseMoveEvent(QMouseEvent* e) { forward(e, false); }
void TilePaintBox::leaveEvent(QEvent*) {
    if (onLeave) onLeave();
}

TTileForm::TTileForm(TileEditor& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName("TTileForm");
    setFocusPolicy(Qt::StrongFocus);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);
    auto* bar = new QMenuBar(this);
    outer->setMenuBar(bar);

    auto leave = [this] { model_.mouseLeft(); };
    TBox = new TilePaintBox("TBox", this);
    TBox->setFixedSize(TileEditor::kTBox, TileEditor::kTBox);
    TBox->picture = [this]() -> const Picture& { return model_.tilePicture(); };
    TBox->onMouse = [this](int x, int y, MouseButton b, bool ctrl, bool) { model_.TBoxMouse(x, y, b, ctrl); };
    TBox->onLeave = leave;

    TVScrl = new QScrollBar(Qt::Vertical, this);
    TVScrl->setObjectName("TVScrl");
    TVScrl->setFocusPolicy(Qt::NoFocus);
    TVScrl->setFixedHeight(TileEditor::kTBox);
    connect(TVScrl, &QScrollBar::actionTriggered, this, &TTileForm::scrollAction);

    auto* chrHolder = new QWidget(this);
    chrHolder->setFixedSize(TileEditor::kBox, TileEditor::kBox);
    ChrBox = new TilePaintBox("ChrBox", chrHolder);
    ChrBox->picture = [this]() -> const Picture& { return model_.characterPicture(); };
    ChrBox->onMouse = [this](int x, int y, MouseButton b, bool, bool) { model_.ChrBoxMouse(x, y, b); };
    ChrBox->onLeave = leave;

    ClrBox = new TilePaintBox("ClrBox", this);
    ClrBox->setFixedSize(TileEditor::kBox, TileEditor::kBox);
    ClrBox->picture = [this]() -> const Picture& { return model_.palettePicture(); };
    ClrBox->onMouse = [this](int x, int y, MouseButton b, bool, bool press) {
        model_.ClrBoxMouse(x, y, press ? b : MouseButton::None);
    };
    ClrBox->onLeave = leave;

    Clabel = new ColorLabel(model_, this);
    CI_Text = new QLabel(this);
    CI_Text->setObjectName("CI_Text");

    ClipBox = new TilePaintBox("ClipBox", this);
    ClipBox->setFixedSize(TileEditor::kClipWidth, TileEditor::kClipHeight);
    ClipBox->picture = [this]() -> const Picture& { return model_.clipPicture(); };
    ClipBox->onMouse = [this](int x, int y, MouseButton b, bool ctrl, bool press) {
        if (press) {
            model_.ClipBoxMouseDown(x, y, b);
        } else {
            model_.ClipBoxMouseMove(x, y, ctrl);
        }
    };
    ClipBox->onLeave = leave;

    // Each box under a caption saying what it is, its tooltip what the mouse
    // does there.
    auto caption = [this](QWidget* box, const char* text, const char* tip) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setObjectName(box->objectName() + QStringLiteral("Caption"));
        box->setToolTip(QString::fromUtf8(tip));
        box->setAccessibleDescription(QString::fromUtf8(tip));
        return label;
    };
    QLabel* tilesCaption = caption(TBox, "Tiles",
                                   "Left button: pick up the boxed tiles into the edit box.\n"
                                   "Right button: drop the edit box here (written to the file).\n"
                                   "Ctrl + move: resize the box.");
    QLabel* editCaption = caption(ChrBox, "Edit box",
                                  "Left button: paint with the left colour.\nRight button: paint with the right colour.");
    chrHolder->setToolTip(ChrBox->toolTip());
    QLabel* paletteCaption = caption(ClrBox, "Palette",
                                     "Left button: choose the left colour.\nRight button: choose the right colour.");
    QLabel* clipCaption = caption(ClipBox, "CLIPBOARD DATA",
                                  "Left button: copy the boxed part into the edit box.\n"
                                  "Right button: keep the edit box here.\nCtrl + move: resize the box.");

    auto* top = new QHBoxLayout;
    top->setContentsMargins(4, 0, 4, 0);
    auto* tiles = new QVBoxLayout;
    tiles->addWidget(tilesCaption);
    auto* tilesRow = new QHBoxLayout;
    tilesRow->addWidget(TBox);
    tilesRow->addWidget(TVScrl);
    tiles->addLayout(tilesRow);
    tiles->addStretch();
    top->addLayout(tiles);
    auto* side = new QVBoxLayout;
    side->addWidget(editCaption);
    side->addWidget(chrHolder);
    side->addWidget(paletteCaption);
    side->addWidget(ClrBox);
    side->addWidget(Clabel);
    side->addWidget(CI_Text);
    side->addStretch();
    top->addLayout(side);
    outer->addLayout(top);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(4, 0, 4, 0);
    auto* clip = new QVBoxLayout;
    clip->addWidget(clipCaption);
    clip->addWidget(ClipBox);
    bottom->addLayout(clip);
    auto* buttons = new QVBoxLayout;
    const std::pair<const char*, void (TileEditor::*)()> transforms[] = {
        {"Flip-X", &TileEditor::FlipXClick},  {"Flip-Y", &TileEditor::FlipYClick},
        {"Rotate", &TileEditor::RotateClick}, {"<<", &TileEditor::ShiftLeftClick},
        {">>", &TileEditor::ShiftRightClick},
    };
    for (const auto& [text, run] : transforms) {
        auto* b = new QPushButton(text, this);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, run] {
            (model_.*run)();
            setFocus();
        });
        buttons->addWidget(b);
    }
    bottom->addLayout(buttons);
    outer->addLayout(bottom);

    TBar = new QStatusBar(this);
    TBar->setObjectName("TBar");
    TBar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        panels[i] = new QLabel(this);
        panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels[i]->setContentsMargins(4, 0, 4, 0);
        TBar->addWidget(panels[i], i == 0 ? 1 : 0);
    }
    // Wide enough for their longest texts in every format.
    const QFontMetrics fm(panels[0]->font());
    const int margin = fm.horizontalAdvance(QStringLiteral("MM"));
    panels[0]->setMinimumWidth(
        fm.horizontalAdvance(QStringLiteral("Win-Width: 16 | Tile-[H x W]: 64 x 64 | Pixel Height: 64")) + margin);
    int formatWidth = 0;
    for (const TileFormat& f : kTileFormats)
        formatWidth = std::max(formatWidth, fm.horizontalAdvance(QString::fromUtf8(f.statusName.data(),
                                                                                  qsizetype(f.statusName.size()))));
    panels[1]->setMinimumWidth(formatWidth + margin);
    panels[2]->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("Position: 00000000")) + margin);
    outer->addWidget(TBar);

    buildMenu();
    model_.setView(this);
    refresh();
    common::nameControls(this);
}

TTileForm::~TTileForm() { model_.setView(nullptr); }

void TTileForm::buildMenu() {
    auto* bar = static_cast<QMenuBar*>(layout()->menuBar());
    std::map<std::string_view, QMenu*> menus;
    std::function<QMenu*(std::string_view)> menuOf = [&](std::string_view path) {
        auto it = menus.find(path);
        if (it != menus.end()) return it->second;
        const auto slash = path.rfind('/');
        QMenu* m = slash == std::string_view::npos
                       ? bar->addMenu(QString::fromUtf8(path.data(), static_cast<int>(path.size())))
                       : menuOf(path.substr(0, slash))
                             ->addMenu(QString::fromUtf8(path.data() + slash + 1, static_cast<int>(path.size() - slash - 1)));
        menus.emplace(path, m);
        return m;
    };
    std::map<QMenu*, QActionGroup*> radios;
    for (const auto& item : model_.menu()) {
        QMenu* m = menuOf(item.menu);
        if (item.caption.empty()) {
            m->addSeparator();
            actions.push_back(nullptr);
            continue;
        }
        QAction* a = item.hidden ? new QAction(this) : m->addAction(QString());
        a->setText(QString::fromUtf8(item.caption.data(), static_cast<int>(item.caption.size())));
        if (item.hidden) addAction(a);  // kept on the window so its shortcut works
        a->setShortcut(QKeySequence(QString::fromUtf8(item.shortcut.data(), static_cast<int>(item.shortcut.size()))));
        a->setShortcutContext(Qt::WindowShortcut);
        if (item.checked) {
            a->setCheckable(true);
            // Formats and palettes are radio groups; the option toggles are not.
            if (item.menu != "&Option") {
                auto& g = radios[m];
                if (!g) g = new QActionGroup(m);
                g->addAction(a);
            }
        }
        const auto& run = item.run;
        connect(a, &QAction::triggered, this, [run] { run(); });
        actions.push_back(a);
    }
}

void TTileForm::execModal() {
    refresh();
    exec();
}

void TTileForm::closeWindow() { done(0); }

bool TTileForm::writeImage(const std::string& path, const Picture& picture) {
    return imageOf(picture).save(QString::fromStdString(path));
}

namespace {
QImage toQImage(const IndexedImage& source) {
    QImage image(source.width, source.height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (const uint32_t c : source.colors) table.append(qRgb((c >> 16) & 255, (c >> 8) & 255, c & 255));
    image.setColorTable(table);
    for (int y = 0; y < source.height; ++y)
        std::copy_n(&source.indices[static_cast<size_t>(y) * source.width], source.width, image.scanLine(y));
    return image;
}
}  // namespace

bool TTileForm::writeIndexedImage(const std::string& path, const IndexedImage& source) {
    return toQImage(source).save(QString::fromStdString(path), "PNG");
}

bool TTileForm::setClipboardImage(const IndexedImage& image) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setImage(toQImage(image));
    return true;
}

std::optional<IndexedImage> TTileForm::clipboardImage() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return std::nullopt;
    const QImage image = clipboard->image().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    IndexedImage out;
    out.width = image.width();
    out.height = image.height();
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) out.indices.push_back(static_cast<uint8_t>(qRed(image.pixel(x, y))));
    return out;
}

std::optional<IndexedImage> TTileForm::readIndexedImage(const std::string& path) {
    QImage image(QString::fromStdString(path));
    if (image.isNull()) return std::nullopt;
    IndexedImage out;
    out.width = image.width();
    out.height = image.height();
    // Images of 1 to 8 bits with a palette come in as indexed; anything
    // else carries colours, not indices.
    out.indexed = image.colorCount() > 0;
    if (!out.indexed) return out;
    image = image.convertToFormat(QImage::Format_Indexed8);
    for (const QRgb c : image.colorTable()) out.colors.push_back(static_cast<uint32_t>(c & 0xFFFFFF));
    out.indices.reserve(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
        const uchar* line = image.constScanLine(y);
        out.indices.insert(out.indices.end(), line, line + out.width);
    }
    return out;
}

void TTileForm::refresh() {
    setWindowTitle(QString::fromStdString(model_.caption()));
    ChrBox->setFixedSize(model_.ChrBoxWidth, model_.ChrBoxHeight);
    CI_Text->setText(QString::fromStdString(model_.colorIndexText()));
    panels[0]->setText(QString::fromStdString(model_.statusLayout()));
    const auto name = model_.statusFormat();
    panels[1]->setText(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    panels[2]->setText(QString::fromStdString(model_.statusPosition()));
    if (model_.statusNote().empty()) TBar->clearMessage();
    else TBar->showMessage(QString::fromStdString(model_.statusNote()));
    {
        const QSignalBlocker block(TVScrl);
        TVScrl->setRange(0, model_.scrollMaximum());
        TVScrl->setSingleStep(1);
        TVScrl->setPageStep(model_.scrollLargeChange());
        TVScrl->setValue(model_.TopOffset);
    }
    const auto& items = model_.menu();
    for (size_t i = 0; i < items.size(); ++i)
        if (actions[i] && items[i].checked) actions[i]->setChecked(items[i].checked());
    for (QWidget* w : {static_cast<QWidget*>(TBox), static_cast<QWidget*>(ChrBox), static_cast<QWidget*>(ClipBox),
                       static_cast<QWidget*>(ClrBox), Clabel})
        w->update();
}

void TTileForm::scrollAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: model_.TVScrlScroll(ScrollAction::LineUp); break;
    case QAbstractSlider::SliderSingleStepAdd: model_.TVScrlScroll(ScrollAction::LineDown); break;
    case QAbstractSlider::SliderPageStepSub: model_.TVScrlScroll(ScrollAction::PageUp); break;
    case QAbstractSlider::SliderPageStepAdd: model_.TVScrlScroll(ScrollAction::PageDown); break;
    case QAbstractSlider::SliderToMinimum: model_.TVScrlScroll(ScrollAction::Top); break;
    case QAbstractSlider::SliderToMaximum: model_.TVScrlScroll(ScrollAction::Bottom); break;
    case QAbstractSlider::SliderMove: model_.TVScrlScroll(ScrollAction::Thumb, TVScrl->sliderPosition()); break;
    default: return;
    }
    // The slider takes this position instead of its own step.
    TVScrl->setSliderPosition(model_.TopOffset);
}

bool TTileForm::event(QEvent* e) {
    // Tab toggles free movement instead of moving the focus.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QDialog::event(e);
}

void TTileForm::keyPressEvent(QKeyEvent* e) {
    KeyPress k;
    k.key = keyOf(e->key());
    k.shift = e->modifiers() & Qt::ShiftModifier;
    k.ctrl = e->modifiers() & Qt::ControlModifier;
    k.alt = e->modifiers() & Qt::AltModifier;
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    if (e->key() == Qt::Key_Plus || e->key() == Qt::Key_Minus) {
        // Only the numeric pad's + and - move the view or the colours.
        k.text = keypad ? (e->key() == Qt::Key_Plus ? U'+' : U'-') : 0;
    } else {
        const QString text = e->text();
        k.text = text.size() == 1 && text.front().isPrint() ? text.front().unicode() : 0;
    }
    if (!model_.FormKeyDown(k)) QDialog::keyPressEvent(e);
}

}  // namespace hexedit::tiles
