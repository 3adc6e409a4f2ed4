#include "hexedit/core/ui/TColForm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/ui/Accessibility.h"
#include "hexedit/core/ui/ViewFonts.h"

namespace hexedit {

ColorGrid::ColorGrid(ColorChooser& chooser, QWidget* parent) : QWidget(parent), chooser_(chooser) {
    setMinimumSize(120, 120);
}

void ColorGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int rows = 16 / kGridColumns;
    for (int i = 0; i < 16; ++i) {
        const int c = i % kGridColumns, r = i / kGridColumns;
        const QRect cell(c * width() / kGridColumns, r * height() / rows, width() / kGridColumns, height() / rows);
        const QColor colour = ui::windowsColor(kGridColors[static_cast<size_t>(i)]);
        p.fillRect(cell, colour);
        p.setPen(Qt::gray);
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        QString mark;
        if (i == chooser_.foregroundCell() && chooser_.foregroundEnabled()) mark += QStringLiteral("FG");
        if (i == chooser_.backgroundCell()) mark += mark.isEmpty() ? QStringLiteral("BG") : QStringLiteral("/BG");
        if (!mark.isEmpty()) {
            p.setPen(colour.lightness() > 128 ? Qt::black : Qt::white);
            p.drawText(cell, Qt::AlignCenter, mark);
        }
    }
}

void ColorGrid::pick(QMouseEvent* e) {
    const int cell = ColorChooser::cellAt(e->position().toPoint().x(), e->position().toPoint().y(), width(), height());
    if (e->buttons() & Qt::LeftButton) chooser_.pickForeground(cell);
    if (e->buttons() & Qt::RightButton) chooser_.pickBackground(cell);
    update();
    emit picked(e->buttons() != Qt::NoButton);
}

void ColorGrid::mousePressEvent(QMouseEvent* e) { pick(e); }
void ColorGrid::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() != Qt::NoButton) pick(e);
}
void ColorGrid::mouseReleaseEvent(QMouseEvent*) { emit picked(false); }

TColForm::TColForm(EditorSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("ColForm"));
    setWindowTitle(QStringLiteral("Editor Settings..."));
    ColorChooser& chooser = settings.colors;

    ColBox = new QListWidget(this);
    ColBox->setObjectName(QStringLiteral("ColBox"));
    for (std::string_view name : kColorItemNames)
        ColBox->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    ColGrid = new ColorGrid(chooser, this);
    ColGrid->setObjectName(QStringLiteral("ColGrid"));
    Label1 = new QLabel(QStringLiteral("Showing the selected text colors"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAutoFillBackground(true);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setMinimumHeight(28);
    SaveButton = new QPushButton(QStringLiteral("Save Current Color"), this);
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    FinishButton = new QPushButton(QStringLiteral("Finish"), this);
    FinishButton->setObjectName(QStringLiteral("FinishButton"));
    auto* options = new QGroupBox(QStringLiteral(" Options "), this);
    BlinkBox = new QCheckBox(QStringLiteral("Blinking Cursor"), options);
    BlinkBox->setObjectName(QStringLiteral("BlinkBox"));
    ChangedBox = new QCheckBox(QStringLiteral("Mark Changed Bytes"), options);
    ChangedBox->setObjectName(QStringLiteral("ChangedBox"));
    ChangedBox->setToolTip(QStringLiteral("Bytes changed since the last save are drawn in their own colour"));
    auto* optionRow = new QVBoxLayout(options);
    optionRow->addWidget(BlinkBox);
    optionRow->addWidget(ChangedBox);

    auto* right = new QVBoxLayout;
    right->addWidget(ColGrid, 1);
    right->addWidget(Label1);
    right->addWidget(options);
    right->addWidget(SaveButton);
    right->addWidget(FinishButton);
    auto* row = new QHBoxLayout(this);
    row->addWidget(ColBox, 1);
    row->addLayout(right);

    connect(ColBox, &QListWidget::currentRowChanged, this, [this, &chooser](int r) {
        chooser.selectItem(r);
        ColGrid->update();
        showSample();
    });
    connect(ColGrid, &ColorGrid::picked, this, [this] { showSample(); });
    connect(SaveButton, &QPushButton::clicked, this, [&chooser] { chooser.saveCurrentColor(); });
    connect(FinishButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(BlinkBox, &QCheckBox::toggled, this, [&chooser](bool on) { chooser.setBlinking(on); });
    connect(ChangedBox, &QCheckBox::toggled, this, [&settings](bool on) { settings.setMarkChanges(on); });

    settings.colorForm = this;
    resize(420, 300);
    common::nameControls(this);
}

TColForm::~TColForm() {
    if (settings_.colorForm == this) settings_.colorForm = nullptr;
}

void TColForm::showSample() {
    const ColorPair s = settings_.colors.sample();
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::WindowText, ui::windowsColor(s.text));
    pal.setColor(QPalette::Window, ui::windowsColor(s.background));
    Label1->setPalette(pal);
}

void TColForm::execModal() {
    BlinkBox->setChecked(settings_.colors.blinking());
    ChangedBox->setChecked(settings_.markChanges());
    const int item = settings_.colors.item();
    if (ColBox->currentRow() == item) settings_.colors.selectItem(item);
    ColBox->setCurrentRow(item);
    showSample();
    ColGrid->update();
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    exec();
}

}  // namespace hexedit
