#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace picura {

// The Edit tools window: a narrow tool window docked against the Main
// window's left edge, hidden until the operator asks for it.
class EditToolsWindow : public QWidget {
    Q_OBJECT
  public:
    explicit EditToolsWindow(QWidget* owner);

    QCheckBox* penBox() const { return pen_; }
    QCheckBox* textBox() const { return text_; }
    QCheckBox* eyedropperBox() const { return eyedropper_; }
    QLineEdit* lineWidthBox() const { return lineWidth_; }

  private:
    QGroupBox* tools_;
    QGroupBox* width_;
    QGroupBox* colours_;
    QCheckBox* pen_;
    QCheckBox* text_;
    QCheckBox* eyedropper_;
    QLineEdit* lineWidth_;
};

}  // namespace picura
