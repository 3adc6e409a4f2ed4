#include "hexedit/transfer/ui/TScriptForms.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "common/ui/Accessibility.h"
#include "common/ui/QtPort.h"

namespace hexedit::transfer {

using common::qs;

namespace {
QLineEdit* labelledEdit(QWidget* parent, QGridLayout* grid, int row, const QString& label, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    auto* l = new QLabel(label, parent);
    l->setBuddy(edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(edit, row, 1, 1, 2);
    return edit;
}
}  // namespace

TScriptDumpForm::TScriptDumpForm(ScriptCommands& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("ScriptDump"));
    setWindowTitle(QString::fromLatin1(kScriptDumpTitle));
    auto* grid = new QGridLayout(this);
    Pointers = labelledEdit(this, grid, 0, QStringLiteral("&Pointers"), "Pointers");
    auto* help = new QLabel(QStringLiteral("OFFSET,COUNT,WIDTH,MAP[,BANK]: hexadecimal offset and count of the pointer "
                                           "table, WIDTH 16, 24 or 32, MAP linear, lorom or hirom; for 16-bit pointers "
                                           "the bank (linear: the base they are added to)."),
                            this);
    help->setWordWrap(true);
    grid->addWidget(help, 1, 0, 1, 3);
    BigEndian = new QCheckBox(QStringLiteral("Pointers are &big-endian"), this);
    BigEndian->setObjectName(QStringLiteral("BigEndian"));
    grid->addWidget(BigEndian, 2, 0, 1, 3);
    Space = labelledEdit(this, grid, 3, QStringLiteral("&Free space"), "Space");
    Space->setPlaceholderText(QStringLiteral("START-END, ... (optional, hexadecimal)"));
    DumpButton = new QPushButton(QStringLiteral("&Dump..."), this);
    DumpButton->setObjectName(QStringLiteral("DumpButton"));
    DumpButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    grid->addWidget(DumpButton, 4, 1);
    grid->addWidget(cancel, 4, 2);
    connect(DumpButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(480, 180);
    common::nameControls(this);
}

bool TScriptDumpForm::run() {
    Pointers->setText(qs(model_.pointers));
    BigEndian->setChecked(model_.bigEndian);
    Space->setText(qs(model_.space));
    Pointers->setFocus();
    if (exec() != QDialog::Accepted) return false;
    model_.pointers = Pointers->text().toStdString();
    model_.bigEndian = BigEndian->isChecked();
    model_.space = Space->text().toStdString();
    return true;
}

TScriptInsertForm::TScriptInsertForm(ScriptCommands& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("ScriptInsert"));
    setWindowTitle(QString::fromLatin1(kScriptInsertTitle));
    auto* grid = new QGridLayout(this);
    Report = new QPlainTextEdit(this);
    Report->setObjectName(QStringLiteral("Report"));
    Report->setReadOnly(true);
    Report->setAccessibleName(QStringLiteral("Insert report"));
    grid->addWidget(Report, 0, 0, 1, 3);
    Fill = labelledEdit(this, grid, 1, QStringLiteral("F&ill freed space with"), "Fill");
    Fill->setPlaceholderText(QStringLiteral("XX (empty: leave it)"));
    ApplyButton = new QPushButton(QStringLiteral("&Apply"), this);
    ApplyButton->setObjectName(QStringLiteral("ApplyButton"));
    ApplyButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    grid->addWidget(ApplyButton, 2, 1);
    grid->addWidget(CancelButton, 2, 2);
    connect(ApplyButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    resize(480, 320);
    common::nameControls(this);
}

bool TScriptInsertForm::run() {
    Report->setPlainText(qs(model_.report()));
    Fill->setText(qs(model_.fill));
    ApplyButton->setFocus();
    if (exec() != QDialog::Accepted) return false;
    model_.fill = Fill->text().toStdString();
    return true;
}

TScriptForms::TScriptForms(ScriptCommands& model, QWidget* parent)
    : dump(std::make_unique<TScriptDumpForm>(model, parent)),
      insert(std::make_unique<TScriptInsertForm>(model, parent)),
      model_(model) {
    model_.setViews(this, this);
}

TScriptForms::~TScriptForms() { model_.setViews(nullptr, nullptr); }

}  // namespace hexedit::transfer
