#pragma once
// The user guide in a window of the program's own: the guide's headings as
// a table of contents, a search box, and a button that hands the guide to
// the desktop's browser.

#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace common {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the HTML guide at `path`; false when it cannot be read.
    bool showGuide(const QString& path);
    // Finds `text` after the current place, from the top again at the end.
    bool find(const QString& text);

    QTextBrowser* Browser = nullptr;
    QListWidget* Contents = nullptr;
    QLineEdit* SearchBox = nullptr;
    QPushButton* BrowserButton = nullptr;

private:
    void fillContents();
    QString path_;
};

// The one help window of the program, created on first use.
HelpWindow* helpWindow(QWidget* owner);

}  // namespace common
