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
    // Dialogs belong to the window that asked: the active window of the
    // program, or this one when none is active.
    void setParent(QWidget* parent) { parent_ = parent; }
    // The window a box or dialog opens above now.
    QWidget* dialogParent() const;

    bool message(const Message& m) override;
    Answer choose(const Message& m) override;
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

// Makes `dialog` open above `owner`: a window that stays on top would
// otherwise cover the box it asked for.
void keepAboveOwner(QWidget& dialog, const QWidget* owner);

// "Label|*.a;*.b" to Qt's "Label (*.a *.A *.b *.B)" form; patterns are
// offered in both cases since Linux file names are case-sensitive.
QString toQtFilter(const std::string& filter);

inline QString qs(const std::string& s) { return QString::fromStdString(s); }
inline std::string ss(const QString& s) { return s.toStdString(); }

}  // namespace common
