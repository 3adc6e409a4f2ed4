#pragma once
// The table's jump list window: shows the JumpListWindow model's bookmarks
// and forwards double clicks, Enter and Escape.

#include <QWidget>

#include "hexedit/search/Goto.h"

class QListWidget;

namespace hexedit::search {

class TJMPForm : public QWidget, public JumpListView {
    Q_OBJECT
public:
    explicit TJMPForm(JumpListWindow& model, QWidget* parent = nullptr);
    ~TJMPForm() override;

    // JumpListView
    void showList() override;
    void closeList() override;
    void listChanged() override;
    void focusMainWindow() override;

    QListWidget* list() const { return JmpList_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    JumpListWindow& model_;
    QListWidget* JmpList_ = nullptr;
    bool placed_ = false;
};

}  // namespace hexedit::search
