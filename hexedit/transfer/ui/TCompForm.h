#pragma once
// The compare window: shows the CompareFiles model's boxes, caption and
// result lines, and forwards the buttons, box edits and list activations.

#include <QAbstractListModel>
#include <QWidget>

#include "hexedit/transfer/CompareFiles.h"

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace hexedit::transfer {

// The result lines as a Qt list model, each line made when the view asks
// for it, so a hundred thousand lines cost no more than the rows in sight.
class CompareLines : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CompareLines(const CompareList& list, QObject* parent = nullptr)
        : QAbstractListModel(parent), list_(list) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Resets the view when the list changed since the last call.
    void sync();

private:
    const CompareList& list_;
    uint64_t version_ = 0;
};

class TCompForm : public QWidget, public CompareView {
    Q_OBJECT
public:
    explicit TCompForm(CompareFiles& model, QWidget* parent = nullptr);
    ~TCompForm() override;

    // CompareView
    void showWindow() override;
    void closeWindow() override;
    void refresh() override;

    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QListView* CompList = nullptr;
    QLabel* Note = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    CompareFiles& model_;
    CompareLines* lines_ = nullptr;
    bool placed_ = false;
};

}  // namespace hexedit::transfer
