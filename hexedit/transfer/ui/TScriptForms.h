#pragma once
// The two windows of the script round trip: the dump's pointer table
// settings, and the insert's report with Apply and Cancel.

#include <QDialog>
#include <memory>

#include "hexedit/transfer/ScriptCommands.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace hexedit::transfer {

class TScriptDumpForm : public QDialog {
    Q_OBJECT
public:
    TScriptDumpForm(ScriptCommands& model, QWidget* parent);
    bool run();

    QLineEdit* Pointers = nullptr;
    QCheckBox* BigEndian = nullptr;
    QLineEdit* Space = nullptr;
    QPushButton* DumpButton = nullptr;

private:
    ScriptCommands& model_;
};

class TScriptInsertForm : public QDialog {
    Q_OBJECT
public:
    TScriptInsertForm(ScriptCommands& model, QWidget* parent);
    bool run();

    QPlainTextEdit* Report = nullptr;
    QLineEdit* Fill = nullptr;
    QPushButton* ApplyButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    ScriptCommands& model_;
};

// Both, as the model's views.
class TScriptForms : public ScriptDumpView, public ScriptInsertView {
public:
    TScriptForms(ScriptCommands& model, QWidget* parent);
    ~TScriptForms() override;
    bool askDump() override { return dump->run(); }
    bool askApply() override { return insert->run(); }

    std::unique_ptr<TScriptDumpForm> dump;
    std::unique_ptr<TScriptInsertForm> insert;

private:
    ScriptCommands& model_;
};

}  // namespace hexedit::transfer
