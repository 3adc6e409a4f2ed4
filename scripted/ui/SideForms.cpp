#include "scripted/ui/SideForms.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include "scripted/Layout.h"

namespace scripted::ui {

QFont fixedFont(int pointSize) {
    // Courier New, else a face of the same metrics, else any installed
    // fixed-width face.
    const QStringList installed = QFontDatabase::families();
    for (const char* face : {"Courier New", "Nimbus Mono PS", "Liberation Mono", "DejaVu Sans Mono"}) {
        QString name = QString::fromLatin1(face);
        if (installed.contains(name, Qt::CaseInsensitive)) {
            QFont f(name, pointSize);
            f.setStyleHint(QFont::TypeWriter);
            return f;
        }
    }
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(pointSize);
    return f;
}

TcmForm::TcmForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("cmForm"));
    setWindowTitle(QStringLiteral("List Data"));
    bList = new QListWidget(this);
    pList = new QListWidget(this);
    bList->setObjectName(QStringLiteral("bList"));
    pList->setObjectName(QStringLiteral("pList"));
    for (QListWidget* l : {bList, pList}) {
        l->setAccessibleName(l->objectName());
        l->setFont(fixedFont());
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        l->setUniformItemSizes(true);
    }
    // A click or a keyboard move that changes the current item selects it;
    // a click on the item that was already current selects it again.
    // Programmatic changes are made with the signals blocked.
    connect(bList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) emit blockClicked(row);
    });
    connect(pList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) emit stringClicked(row);
    });
    connect(bList, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (bList->row(item) == rowAtPress_) emit blockClicked(rowAtPress_);
    });
    connect(pList, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (pList->row(item) == rowAtPress_) emit stringClicked(rowAtPress_);
    });
    bList->viewport()->installEventFilter(this);
    pList->viewport()->installEventFilter(this);
    resize(300, 260);
}

bool TcmForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        if (watched == bList->viewport()) rowAtPress_ = bList->currentRow();
        else if (watched == pList->viewport()) rowAtPress_ = pList->currentRow();
    }
    return QWidget::eventFilter(watched, e);
}

void TcmForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    ListSplit s = splitListWindow(width(), height());
    bList->setGeometry(s.blocks.x, s.blocks.y, s.blocks.width, s.blocks.height);
    pList->setGeometry(s.strings.x, s.strings.y, s.strings.width, s.strings.height);
}

TTxtForm::TTxtForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TxtForm"));
    setWindowTitle(QStringLiteral("Text Editor[*]"));
    setMinimumSize(128, 128);
    TDMemo = new QPlainTextEdit(this);
    TDMemo->setObjectName(QStringLiteral("TDMemo"));
    TDMemo->setFont(fixedFont());
    TDMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    TDMemo->setAccessibleName(QStringLiteral("TDMemo"));
    // Redrawing follows typing through the event loop, so that keys that
    // arrive together are handled before one redraw.
    connect(TDMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (editPending_) return;
        editPending_ = true;
        QTimer::singleShot(0, this, [this] {
            editPending_ = false;
            emit edited();
        });
    });
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Memo1"));
    Memo1->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TDMemo);
    resize(300, 300);
}

void TTxtForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    emit resized();
}

TKanaForm::TKanaForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("KanaForm"));
    setWindowTitle(QStringLiteral("Kana Text: String #0"));
    kanaEdit = new QPlainTextEdit(this);
    kanaEdit->setObjectName(QStringLiteral("kanaEdit"));
    kanaEdit->setAccessibleName(QStringLiteral("kanaEdit"));
    kanaEdit->setReadOnly(true);
    kanaEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    kanaEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    kanaEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont f(QStringLiteral("MS Gothic"), 11);
    f.setFamilies({QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                   QStringLiteral("Noto Sans CJK JP")});
    kanaEdit->setFont(f);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(kanaEdit);
    resize(340, 150);
}

HexGrid::HexGrid(const HexDataView& view, QWidget* parent) : QWidget(parent), view_(view) {
    setFont(fixedFont());
    setAutoFillBackground(false);
}

QSize HexGrid::sizeHint() const {
    QFontMetrics fm(font());
    return {HexDataView::kColumns * fm.horizontalAdvance(QStringLiteral("0000 ")) + 4, 8 * (fm.height() + 2)};
}

void HexGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    QFontMetrics fm(font());
    int rowHeight = fm.height() + 2;
    int cellWidth = fm.horizontalAdvance(QStringLiteral("0000 "));
    int rows = height() / rowHeight;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < HexDataView::kColumns; ++c) {
            QRect cell(2 + c * cellWidth, r * rowHeight, fm.horizontalAdvance(QStringLiteral("0000")), rowHeight);
            HexDataView::CellStyle style = view_.cellStyle(r, c);
            p.fillRect(cell, QColor::fromRgb(style.background));
            p.setPen(QColor::fromRgb(style.ink));
            p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(view_.cellText(r, c)));
        }
}

GlyphPreview::GlyphPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chPic"));
    setAccessibleName(QStringLiteral("chPic"));
    setFixedSize(128, 128);
}

void GlyphPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QImage img(reinterpret_cast<const uchar*>(pixels.data()), 8, 16, 16, QImage::Format_RGB16);
    p.drawImage(rect(), img);
}

THexForm::THexForm(const HexDataView& view, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HexForm"));
    setWindowTitle(QStringLiteral("Hex Data"));
    setFocusPolicy(Qt::StrongFocus);
    grid = new HexGrid(view, this);
    grid->setAccessibleName(QStringLiteral("HexData"));
    chPic = new GlyphPreview(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid, 1);
    layout->addWidget(chPic, 0, Qt::AlignTop);
    resize(grid->sizeHint().width() + 130, 160);
}

int THexForm::visibleRows() const {
    QFontMetrics fm(grid->font());
    return grid->height() / (fm.height() + 2);
}

void THexForm::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Up: emit keyPressed(HexKey::Up); break;
        case Qt::Key_Down: emit keyPressed(HexKey::Down); break;
        case Qt::Key_Left: emit keyPressed(HexKey::Left); break;
        case Qt::Key_Right: emit keyPressed(HexKey::Right); break;
        default: QWidget::keyPressEvent(e); return;
    }
    e->accept();
}

void THexForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    emit resized();
}

}  // namespace scripted::ui
