#include "hexedit/transfer/ui/TAppIns.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/Accessibility.h"
#include "common/ui/QtPort.h"

namespace hexedit::transfer {

using common::qs;

TAppIns::TAppIns(ExternalInserter& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("AppIns"));
    setWindowTitle(QStringLiteral("Settings for External Program..."));
    AppName = new QLineEdit(this);
    AppName->setObjectName(QStringLiteral("AppName"));
    auto* nameLabel = new QLabel(QStringLiteral("&Program"), this);
    nameLabel->setBuddy(AppName);
    GetApp1 = new QPushButton(QStringLiteral("..."), this);
    GetApp1->setObjectName(QStringLiteral("GetApp1"));
    GetApp1->setAccessibleName(QStringLiteral("Choose the program"));
    AppArgs = new QLineEdit(this);
    AppArgs->setObjectName(QStringLiteral("AppArgs"));
    auto* argsLabel = new QLabel(QStringLiteral("&Arguments"), this);
    argsLabel->setBuddy(AppArgs);
    auto* help = new QLabel(QStringLiteral("In the arguments, %ROMFILE stands for the open file and %SCRIPTFILE for "
                                           "the script file chosen when the program is run."),
                            this);
    help->setWordWrap(true);
    HideIns = new QCheckBox(QStringLiteral("Hide External Program Window [ If Possible ] "), this);
    HideIns->setObjectName(QStringLiteral("HideIns"));
    DoneButton = new QPushButton(QStringLiteral("Done"), this);
    DoneButton->setObjectName(QStringLiteral("DoneButton"));
    DoneButton->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(AppName, 0, 1);
    grid->addWidget(GetApp1, 0, 2);
    grid->addWidget(argsLabel, 1, 0);
    grid->addWidget(AppArgs, 1, 1, 1, 2);
    grid->addWidget(help, 2, 0, 1, 3);
    grid->addWidget(HideIns, 3, 0, 1, 3);
    grid->addWidget(DoneButton, 4, 2);

    connect(AppName, &QLineEdit::textEdited, this, [this](const QString& t) { model_.settings.AppName = t.toStdString(); });
    connect(AppArgs, &QLineEdit::textEdited, this, [this](const QString& t) { model_.settings.AppArgs = t.toStdString(); });
    connect(HideIns, &QCheckBox::toggled, this, [this](bool on) { model_.settings.HideIns = on; });
    connect(GetApp1, &QPushButton::clicked, this, [this] {
        model_.GetApp1Click();
        load();
    });
    connect(DoneButton, &QPushButton::clicked, this, [this] { model_.DoneClick(); });
    model_.setView(this);
    resize(460, 190);
    common::nameControls(this);
}

TAppIns::~TAppIns() { model_.setView(nullptr); }

void TAppIns::load() {
    AppName->setText(qs(model_.settings.AppName));
    AppArgs->setText(qs(model_.settings.AppArgs));
    HideIns->setChecked(model_.settings.HideIns);
}

void TAppIns::execModal() {
    load();
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    exec();
}

}  // namespace hexedit::transfer
