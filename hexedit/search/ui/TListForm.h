#pragma once
// The Data List window: shows the DataList model's lines and forwards the
// list's events and pop-up menu.

#include <QAbstractListModel>
#include <QWidget>

#include "hexedit/search/DataList.h"

class QAction;
class QEventLoop;
class QListView;
class QMenu;

namespace hexedit::search {

// The lines as a Qt list model, read straight from the DataList.
class DataListLines : public QAbstractListModel {
    Q_OBJECT
public:
    explicit DataListLines(const DataList& list, QObject* parent = nullptr) : QAbstractListModel(parent), list_(list) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void reset();

private:
    const DataList& list_;
};

class TListForm : public QWidget, public DataListView {
    Q_OBJECT
public:
    explicit TListForm(DataList& model, QWidget* parent = nullptr);
    ~TListForm() override;

    // DataListView
    void showList() override;
    void showListModal() override;
    void closeList() override;
    void listChanged() override;

    QListView* listBox() const { return ListBox1_; }
    QMenu* popupMenu() const { return popup_; }
    QAction* createTableAction() const { return CreateTBL1_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void selectionToModel();

    DataList& model_;
    DataListLines* lines_ = nullptr;
    QListView* ListBox1_ = nullptr;
    QMenu* popup_ = nullptr;
    QAction* CreateTBL1_ = nullptr;
    bool syncing_ = false;
    bool placed_ = false;
    QEventLoop* modalLoop_ = nullptr;
};

}  // namespace hexedit::search
