#pragma once
// A port that shows nothing and cancels every dialog, for benchmarks and
// tools that drive commands without a user. Questions get `answerYes`.

#include "common/port/Port.h"

namespace common::testing {

class NullPort : public Port {
public:
    explicit NullPort(bool answerYes = false) : answerYes_(answerYes) {}

    bool message(const Message& m) override { return m.buttons == MsgButtons::Ok || answerYes_; }
    std::vector<std::string> openFiles(const OpenRequest&) override { return {}; }
    std::optional<std::string> saveFile(const SaveRequest&) override { return std::nullopt; }
    std::optional<FontSpec> chooseFont(const FontSpec&) override { return std::nullopt; }
    std::string clipboardText() override { return {}; }
    void setClipboardText(const std::string&) override {}
    bool startProgram(const std::string&, const std::vector<std::string>&, const std::string&) override {
        return false;
    }
    void processEvents() override {}

private:
    bool answerYes_;
};

}  // namespace common::testing
