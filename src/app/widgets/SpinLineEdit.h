#pragma once

#include <QLineEdit>

class QToolButton;

namespace picura {

// An edit box with small up/down buttons at its right edge. The buttons (and
// the Up/Down keys) do not change the text themselves: they report a step and
// the owner decides what the text becomes.
class SpinLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit SpinLineEdit(QWidget* parent = nullptr, bool buttonsInside = true);
    // Buttons may also live outside the box (the JPG size field has them on its frame box).
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

  signals:
    void spun(int step);
    // A printable character was typed (before it is entered).
    void characterTyped(QChar c);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QToolButton* up_;
    QToolButton* down_;
    bool inside_;
};

}  // namespace picura
