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

bool QtPort::message(const Message& m) {
    QMessageBox box(parent_);
    box.setText(qs(m.text));
    box.setWindowTitle(qs(m.title));
    switch (m.icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    }
    if (m.buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() != QMessageBox::No;
}

std::vector<std::string> QtPort::openFiles(const OpenRequest& r) {
    QString start = qs(r.initialFolder);
    if (!r.fileName.empty()) start = start.isEmpty() ? qs(r.fileName) : start + '/' + qs(r.fileName);
    std::vector<std::string> paths;
    if (r.multiple) {
        for (const auto& p : QFileDialog::getOpenFileNames(parent_, qs(r.title), start, toQtFilter(r.filter)))
            paths.push_back(ss(p));
    } else {
        QString p = QFileDialog::getOpenFileName(parent_, qs(r.title), start, toQtFilter(r.filter));
        if (!p.isEmpty()) paths.push_back(ss(p));
    }
    return paths;
}

std::optional<std::string> QtPort::saveFile(const SaveRequest& r) {
    QFileDialog dialog(parent_, qs(r.title), qs(r.initialFolder), toQtFilter(r.filter));
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
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, start, parent_);
    if (!ok) return std::nullopt;
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

void QtPort::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

}  // namespace common
