#pragma once
// The table editor window: shows the TableEditor model and forwards the
// events of its list, entry field, grid, buttons and menu.

#include <QAbstractListModel>
#include <QDialog>
#include <array>

#include "hexedit/tableedit/TableEditor.h"

class QAction;
class QLineEdit;
class QListView;
class QMenuBar;
class QRadioButton;
class QScrollBar;
class QToolButton;

namespace hexedit::tableedit {

class CharGridWidget;

// The table lines as a Qt list model, read straight from the TableEditor.
class TableLines : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TableLines(const TableEditor& model, QObject* parent = nullptr)
        : QAbstractListModel(parent), model_(model) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Resets the view when the model's lines differ from those shown.
    void sync();

private:
    const TableEditor& model_;
    std::vector<std::string> shown_;
};

class TTMForm : public QDialog, public TableEditorView {
    Q_OBJECT
public:
    explicit TTMForm(TableEditor& model, QWidget* parent = nullptr);
    ~TTMForm() override;

    // TableEditorView
    void execModal() override;
    void showModeless() override;
    void closeWindow() override;
    void refresh() override;
    void gridChanged() override;
    void focusEntry() override;

    QListView* tblList() const { return TblList_; }
    QLineEdit* tblVal() const { return TblVal_; }
    CharGridWidget* grid() const { return jGrid_; }
    QScrollBar* scrollBar() const { return TScrl_; }
    QToolButton* clickMe() const { return ClickMe_; }
    QRadioButton* selectionButton(int i) const { return radios_[static_cast<size_t>(i)]; }
    QMenuBar* menu() const { return menu_; }
    QAction* reverseAction() const { return reverse_; }

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void entryToModel();
    void selectionToModel();
    std::string boxBytes(const QString& text) const;
    int rowAt(const QPoint& viewportPos) const;

    TableEditor& model_;
    QMenuBar* menu_ = nullptr;
    QAction* reverse_ = nullptr;
    TableLines* lines_ = nullptr;
    QListView* TblList_ = nullptr;
    QLineEdit* TblVal_ = nullptr;
    std::array<QRadioButton*, CharGrid::SelectionCount> radios_{};
    CharGridWidget* jGrid_ = nullptr;
    QScrollBar* TScrl_ = nullptr;
    QToolButton* ClickMe_ = nullptr;
    bool refreshing_ = false;
    int dragFrom_ = -1;
    QPoint dragStart_;
};

}  // namespace hexedit::tableedit
