#pragma once
// "Editor Settings...": the colour list, the 16-colour grid (left button
// text colour, right button background), the sample Label1, "Save Current
// Color", "Finish" and "Blinking Cursor". The model holds every choice.

#include <QDialog>
#include <QWidget>

#include "hexedit/core/EditorSettings.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace hexedit {

// The 16-colour grid: paints the model's cells and marks, forwards presses.
class ColorGrid : public QWidget {
    Q_OBJECT
public:
    ColorGrid(ColorChooser& chooser, QWidget* parent);
    QSize sizeHint() const override { return {160, 160}; }

signals:
    void picked(bool held);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void pick(QMouseEvent* e);
    ColorChooser& chooser_;
};

class TColForm : public QDialog, public ModalView {
    Q_OBJECT
public:
    TColForm(EditorSettings& settings, QWidget* parent = nullptr);
    ~TColForm() override;
    void execModal() override;
    void closeWindow() override { reject(); }

    QListWidget* ColBox = nullptr;
    ColorGrid* ColGrid = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* FinishButton = nullptr;
    QCheckBox* BlinkBox = nullptr;
    QCheckBox* ChangedBox = nullptr;  // bytes changed since the last save in their own colour

private:
    void showSample();
    EditorSettings& settings_;
};

}  // namespace hexedit
