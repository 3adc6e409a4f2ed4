#include "compress/ui/TcmForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenu>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

namespace vt2comp {

TcmForm::TcmForm(std::string startFolder, common::Port* port, QWidget* parent)
    : QMainWindow(parent), utility_(std::move(startFolder)), qtPort_(this), port_(port ? port : &qtPort_) {
    setWindowTitle(QStringLiteral("Compression Utility: Lumbrine[*]"));
    resize(480, 260);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    OpenROMFile1 = file->addAction(QStringLiteral("&Open ROM File"));
    OpenROMFile1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    SaveROMFile1 = file->addAction(QStringLiteral("&Save ROM File"));
    SaveROMFile1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Exit1 = file->addAction(QStringLiteral("E&xit "));
    Exit1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QMenu* decompress = edit->addMenu(QStringLiteral("Decompress Block..."));
    Graphics1 = decompress->addAction(QString::fromUtf8(kStartMenuTilesItem));
    Graphics1->setData(0);  // the block menu table's tag
    RecompressBlock1 = edit->addAction(QStringLiteral("Recompress Block..."));

    connect(OpenROMFile1, &QAction::triggered, this, &TcmForm::OpenROMFile1Click);
    connect(SaveROMFile1, &QAction::triggered, this, &TcmForm::SaveROMFile1Click);
    connect(Exit1, &QAction::triggered, this, &TcmForm::Exit1Click);
    connect(Graphics1, &QAction::triggered, this, &TcmForm::Graphics1Click);
    connect(RecompressBlock1, &QAction::triggered, this, &TcmForm::RecompressBlock1Click);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFont(QFont(QStringLiteral("Arial"), 10));
    setCentralWidget(ListBox1);

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    StatusLabel->setAccessibleName(QStringLiteral("ROM state"));
    StatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(StatusLabel, 1);

    utility_.setView(this);
    updateMenus();
}

TcmForm::~TcmForm() { utility_.setView(nullptr); }

void TcmForm::listChanged() {
    showList();
    updateMenus();
}

void TcmForm::showList() {
    ListBox1->clear();
    for (const auto& line : utility_.state().ListBox1) ListBox1->addItem(common::qs(line));
    ListBox1->scrollToBottom();
}

void TcmForm::updateMenus() {
    const bool loaded = utility_.state().romLoaded();
    SaveROMFile1->setEnabled(loaded);
    Graphics1->setEnabled(loaded);
    RecompressBlock1->setEnabled(loaded);
    StatusLabel->setText(common::qs(utility_.statusText()));
    setWindowModified(loaded && utility_.state().Modified);
}

void TcmForm::OpenROMFile1Click() {
    utility_.openRom(*port_);
    updateMenus();
}

void TcmForm::SaveROMFile1Click() {
    utility_.saveRom(*port_);
    updateMenus();
}

// Exit closes the window; closing offers a changed ROM for saving first.
void TcmForm::Exit1Click() { close(); }

void TcmForm::closeEvent(QCloseEvent* e) {
    if (!utility_.closeQuery(*port_)) {
        e->ignore();
        return;
    }
    utility_.exit();
    updateMenus();
    e->accept();
}

void TcmForm::Graphics1Click() {
    auto* action = qobject_cast<QAction*>(sender());
    utility_.decompressBlock(action ? action->data().toInt() : 0, *port_);
    updateMenus();
}

void TcmForm::RecompressBlock1Click() {
    utility_.recompress(*port_);
    updateMenus();
}

}  // namespace vt2comp
