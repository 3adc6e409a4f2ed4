#pragma once
// What a subsystem model needs from a form it shows modally: show it and
// wait until it closes, or close it from the model.

namespace hexedit {

class ModalView {
public:
    virtual ~ModalView() = default;
    virtual void execModal() = 0;
    virtual void closeWindow() {}
};

}  // namespace hexedit
