#include "scripted/ui/SideForms.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
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
    setWindowTitle(QStringLiteral("Text Editor"));
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
            QColor ink = (c % 2) ? QColor(Qt::white) : QColor(0, 128, 128);
            if (view_.isCursor(r, c)) {
                p.fillRect(cell, Qt::white);
                ink = Qt::red;
            }
            p.setPen(ink);
            p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(view_.cellText(r, c)));
        }
}

THexForm::THexForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HexForm"));
    setWindowTitle(QStringLiteral("Hex Data"));
    grid = new HexGrid(view, this);
    chPic = new QWidget(this);
    chPic->setObjectName(QStringLiteral("chPic"));
    chPic->setAccessibleName(QStringLiteral("chPic"));
    chPic->setFixedSize(128, 128);
    chPic->setAutoFillBackground(true);
    QPalette pal = chPic->palette();
    pal.setColor(QPalette::Window, Qt::black);
    chPic->setPalette(pal);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid, 1);
    layout->addWidget(chPic, 0, Qt::AlignTop);
    resize(grid->sizeHint().width() + 130, 160);
}

}  // namespace scripted::ui
