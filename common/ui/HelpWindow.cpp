#include "common/ui/HelpWindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

namespace common {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Help"));
    Contents = new QListWidget(this);
    Contents->setObjectName(QStringLiteral("Contents"));
    Contents->setAccessibleName(QStringLiteral("Contents"));
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setAccessibleName(QStringLiteral("User guide"));
    Browser->setOpenExternalLinks(true);
    SearchBox = new QLineEdit(this);
    SearchBox->setObjectName(QStringLiteral("SearchBox"));
    SearchBox->setAccessibleName(QStringLiteral("Search the guide"));
    SearchBox->setPlaceholderText(QStringLiteral("Search"));
    SearchBox->setClearButtonEnabled(true);
    BrowserButton = new QPushButton(QStringLiteral("Open in &Browser"), this);
    BrowserButton->setObjectName(QStringLiteral("BrowserButton"));

    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Find:"), this);
    label->setBuddy(SearchBox);
    top->addWidget(label);
    top->addWidget(SearchBox, 1);
    top->addWidget(BrowserButton);
    auto* split = new QSplitter(this);
    split->addWidget(Contents);
    split->addWidget(Browser);
    split->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);

    connect(Contents, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        Browser->scrollToAnchor(item->data(Qt::UserRole).toString());
    });
    connect(Contents, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        Browser->scrollToAnchor(item->data(Qt::UserRole).toString());
    });
    connect(SearchBox, &QLineEdit::returnPressed, this, [this] { find(SearchBox->text()); });
    connect(BrowserButton, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(path_)); });
    resize(760, 560);
}

bool HelpWindow::showGuide(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    path_ = path;
    Browser->setSearchPaths({QFileInfo(path).absolutePath()});
    Browser->setHtml(QString::fromUtf8(file.readAll()));
    fillContents();
    return true;
}

void HelpWindow::fillContents() {
    // Headings with an id are the places the contents can go to.
    Contents->clear();
    static const QRegularExpression heading(QStringLiteral("<h([1-3])[^>]*id=\"([^\"]+)\"[^>]*>(.*?)</h\\1>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QString html = QString::fromUtf8(file.readAll());
    for (auto it = heading.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        QString title = m.captured(3);
        title.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        auto* item = new QListWidgetItem(QString(m.captured(1).toInt() > 2 ? 4 : 0, ' ') + title.simplified(), Contents);
        item->setData(Qt::UserRole, m.captured(2));
    }
}

bool HelpWindow::find(const QString& text) {
    if (text.isEmpty()) return false;
    if (Browser->find(text)) return true;
    QTextCursor start = Browser->textCursor();
    start.movePosition(QTextCursor::Start);
    Browser->setTextCursor(start);
    return Browser->find(text);
}

HelpWindow* helpWindow(QWidget* owner) {
    static QPointer<HelpWindow> window;
    if (!window) window = new HelpWindow(owner);
    return window;
}

}  // namespace common
