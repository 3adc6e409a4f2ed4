#include "hexedit/search/ui/TStringLen.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "common/ui/Accessibility.h"

namespace hexedit::search {

namespace {

constexpr int kWidth = 452;

ScreenRect toRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

TStringLen::TStringLen(StringLength& model, QWidget* parent) : QWidget(parent, Qt::Tool), model_(model) {
    setObjectName(QStringLiteral("TStringLen"));
    setWindowTitle(QStringLiteral("String Length"));
    // The main window keeps the focus for the second press.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, 54);
    const char* captions[3] = {"Start", "End", "Length"};
    const int x[3] = {8, 100, 192}, widths[3] = {84, 84, 176};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(captions[i]), this);
        label->setGeometry(x[i], 4, widths[i], 16);
        boxes_[i] = new QLineEdit(this);
        boxes_[i]->setReadOnly(true);
        boxes_[i]->setGeometry(x[i], 22, widths[i], 24);
        label->setBuddy(boxes_[i]);
    }
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setGeometry(x[2] + widths[2] + 8, 21, kWidth - x[2] - widths[2] - 16, 26);
    connect(ok, &QPushButton::clicked, this, [this] { model_.close(); });
    model_.setView(this);
    common::nameControls(this);
}

TStringLen::~TStringLen() { model_.setView(nullptr); }

void TStringLen::showWindow() {
    const QWidget* main = parentWidget();
    const QScreen* screen = main ? main->screen() : QGuiApplication::primaryScreen();
    if (main && screen) {
        const QRect frame = frameGeometry();
        const ScreenRect at = stringLengthPlacement(toRect(main->frameGeometry()), frame.width(), frame.height(),
                                                    toRect(screen->availableGeometry()));
        move(at.x, at.y);
    }
    show();
}

void TStringLen::closeWindow() { hide(); }

void TStringLen::refresh() {
    boxes_[0]->setText(QString::fromStdString(model_.startText()));
    boxes_[1]->setText(QString::fromStdString(model_.endText()));
    boxes_[2]->setText(QString::fromStdString(model_.lengthText()));
}

void TStringLen::closeEvent(QCloseEvent* e) {
    model_.closed();
    QWidget::closeEvent(e);
}

}  // namespace hexedit::search
