#pragma once
// The platform port on Qt: message boxes, file and font dialogs, clipboard,
// starting programs and event processing.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "common/port/Port.h"

namespace common {

class QtPort : public Port {
public:
    explicit QtPort(QWidget* parent = nullptr) : parent_(parent) {}
    // Dialogs are centred over this window.
    void setParent(QWidget* parent) { parent_ = parent; }

    bool message(const Message& m) override;
    std::vector<std::string> openFiles(const OpenRequest& r) override;
    std::optional<std::string> saveFile(const SaveRequest& r) override;
    std::optional<FontSpec> chooseFont(const FontSpec& initial) override;
    std::string clipboardText() override;
    void setClipboardText(const std::string& text) override;
    bool startProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workingFolder) override;
    std::unique_ptr<Process> runProgram(const std::string& program, const std::vector<std::string>& args,
                                        bool quiet) override;
    void processEvents() override;

private:
    QPointer<QWidget> parent_;
};

// "Label|*.a;*.b" to Qt's "Label (*.a *.A *.b *.B)" form; patterns are
// offered in both cases since Linux file names are case-sensitive.
QString toQtFilter(const std::string& filter);

inline QString qs(const std::string& s) { return QString::fromStdString(s); }
inline std::string ss(const QString& s) { return s.toStdString(); }

}  // namespace common
