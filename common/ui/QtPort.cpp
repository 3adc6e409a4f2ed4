#include "common/ui/QtPort.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStringList>

namespace common {

QString toQtFilter(const std::string& filter) {
    QStringList out;
    for (const auto& entry : parseFilter(filter)) {
        QStringList patterns;
        for (const auto& p : entry.patterns) {
            QString q = qs(p).trimmed();
            if (q.isEmpty()) continue;
            // "*.*" means every file, also names without a dot.
            if (q == QStringLiteral("*.*")) q = QStringLiteral("*");
            if (!patterns.contains(q)) patterns << q;
            if (!patterns.contains(q.toLower())) patterns << q.toLower();
            if (!patterns.contains(q.toUpper())) patterns << q.toUpper();
        }
        QString label = qs(entry.label).trimmed();
        // Qt reads the patterns from the parentheses; drop the label's own.
        int paren = label.indexOf('(');
        if (paren > 0) label = label.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(label, patterns.join(' '));
    }
    return out.join(QStringLiteral(";;"));
}

QWidget* QtPort::dialogParent() const {
    // The window that asked is the one the user works in: a modal dialog,
    // else the active window (a tool window that stays on top, the table
    // editor while the main window is hidden). A hidden window would leave
    // the box without an owner.
    for (QWidget* w : {QApplication::activeModalWidget(), QApplication::activeWindow()})
        if (w && w->isVisible()) return w;
    if (parent_ && parent_->isVisible()) return parent_;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isActiveWindow()) return w;
    return parent_;
}

void keepAboveOwner(QWidget& dialog, const QWidget* owner) {
    if (owner && owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog.setWindowModality(Qt::ApplicationModal);
}

bool QtPort::message(const Message& m) { return choose(m) == Answer::Yes; }

Answer QtPort::choose(const Message& m) {
    QWidget* owner = dialogParent();
    QMessageBox box(owner);
    keepAboveOwner(box, owner);
    box.setText(qs(m.text));
    box.setWindowTitle(qs(m.title));
    switch (m.icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    }
    switch (m.buttons) {
        case MsgButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return m.buttons == MsgButtons::YesNoCancel ? Answer::Cancel : Answer::No;
        default: return Answer::Yes;
    }
}

std::vector<std::string> QtPort::openFiles(const OpenRequest& r) {
    QString start = qs(r.initialFolder);
    if (!r.fileName.empty()) start = start.isEmpty() ? qs(r.fileName) : start + '/' + qs(r.fileName);
    QWidget* owner = dialogParent();
    QFileDialog dialog(owner, qs(r.title), start, toQtFilter(r.filter));
    keepAboveOwner(dialog, owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(r.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    std::vector<std::string> paths;
    if (dialog.exec() != QDialog::Accepted) return paths;
    for (const auto& p : dialog.selectedFiles()) {
        paths.push_back(ss(p));
        if (!r.multiple) break;
    }
    return paths;
}

std::optional<std::string> QtPort::saveFile(const SaveRequest& r) {
    QWidget* owner = dialogParent();
    QFileDialog dialog(owner, qs(r.title), qs(r.initialFolder), toQtFilter(r.filter));
    keepAboveOwner(dialog, owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!r.defaultExtension.empty()) dialog.setDefaultSuffix(qs(r.defaultExtension));
    if (!r.fileName.empty()) dialog.selectFile(qs(r.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ss(dialog.selectedFiles().front());
}

std::optional<FontSpec> QtPort::chooseFont(const FontSpec& initial) {
    QFont start(qs(initial.face), initial.pointSize);
    start.setBold(initial.bold);
    start.setItalic(initial.italic);
    QWidget* owner = dialogParent();
    QFontDialog dialog(start, owner);
    keepAboveOwner(dialog, owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QFont f = dialog.selectedFont();
    return FontSpec{ss(f.family()), f.pointSize(), f.bold(), f.italic()};
}

std::string QtPort::clipboardText() { return ss(QApplication::clipboard()->text()); }

void QtPort::setClipboardText(const std::string& text) { QApplication::clipboard()->setText(qs(text)); }

bool QtPort::startProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::string& workingFolder) {
    QStringList list;
    for (const auto& a : args) list << qs(a);
    return QProcess::startDetached(qs(program), list, qs(workingFolder));
}

namespace {
class QtProcess : public Process {
public:
    QtProcess(const std::string& program, const std::vector<std::string>& args, bool quiet) {
        QStringList list;
        for (const auto& a : args) list << qs(a);
        if (quiet) {
            process_.setStandardOutputFile(QProcess::nullDevice());
            process_.setStandardErrorFile(QProcess::nullDevice());
        } else {
            process_.setProcessChannelMode(QProcess::ForwardedChannels);
        }
        process_.setStandardInputFile(QProcess::nullDevice());
        process_.start(qs(program), list);
    }
    ~QtProcess() override { stop(); }
    bool started() { return process_.waitForStarted(); }
    bool waitFinished(int milliseconds) override {
        return process_.state() == QProcess::NotRunning || process_.waitForFinished(milliseconds);
    }
    void stop() override {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(2000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }

private:
    QProcess process_;
};
}  // namespace

std::unique_ptr<Process> QtPort::runProgram(const std::string& program, const std::vector<std::string>& args,
                                            bool quiet) {
    auto p = std::make_unique<QtProcess>(program, args, quiet);
    if (!p->started()) return nullptr;
    return p;
}

void QtPort::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

}  // namespace common
