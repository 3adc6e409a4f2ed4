#pragma once
// The Find window: shows the FindWindow model and forwards its events.

#include <QDialog>
#include <QLineEdit>
#include <map>

#include "hexedit/search/FindWindow.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace hexedit::search {

class KanaGridWidget;
class TOptsForm;

// FindBox: its keys go through the window's key filter first.
class FindBoxEdit : public QLineEdit {
    Q_OBJECT
public:
    FindBoxEdit(TOptsForm& form, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TOptsForm& form_;
};

class TOptsForm : public QDialog, public FindWindowView {
    Q_OBJECT
public:
    explicit TOptsForm(FindWindow& model, QWidget* parent = nullptr);
    ~TOptsForm() override;

    // FindWindowView
    void execModal() override;
    void closeWindow() override;
    void refresh() override;
    void focusInput() override;
    void progressChanged() override;

    FindWindow& model() { return model_; }
    QLineEdit* findBox() const;
    QCheckBox* option(Option o) const { return options_.at(o); }
    QListWidget* classList() const { return kbox_; }
    KanaGridWidget* grid() const { return fGrid_; }
    QProgressBar* progressBar() const { return progress_; }

    // The box's key filter; true when the key was dealt with.
    bool filterBoxKey(QKeyEvent* e);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void boxEdited();
    // The box's bytes for a text, dropping characters without a code.
    std::string boxBytes(const QString& text) const;
    size_t byteCaret(const QString& text, int caret) const;
    int charCaret(const std::string& bytes, size_t caret) const;

    FindWindow& model_;
    FindBoxEdit* FindBox_ = nullptr;
    QLabel* label_ = nullptr;
    QPushButton* findButton_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* removeAll_ = nullptr;
    std::map<Option, QCheckBox*> options_;
    QListWidget* kbox_ = nullptr;
    KanaGridWidget* fGrid_ = nullptr;
    QProgressBar* progress_ = nullptr;
    bool refreshing_ = false;
};

}  // namespace hexedit::search
