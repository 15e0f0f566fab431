#pragma once

#include <QWidget>

#include "imaging/DrawingBoard.h"

class QLineEdit;

namespace picura {

// 可视画板, the view: shows the visible board's image and passes the mouse,
// wheel and keys on to whoever handles them. It never touches pixels itself.
class ViewWidget : public QWidget {
    Q_OBJECT
  public:
    explicit ViewWidget(QWidget* parent = nullptr);

    // The board shown, painted from its own pixels (never a copy, which would make every drawing on the
    // board copy the whole of it); null shows the background.
    void setBoard(const DrawingBoard* board) { board_ = board; }
    // Shows the board's pixels as they are now.
    void showBoard() { update(); }
    // 文字输入编辑框, the text tool's input box, a child of the view.
    QLineEdit* textInput() const { return textInput_; }

  signals:
    void mousePressed(Qt::MouseButton button, QPoint pos, Qt::KeyboardModifiers mods);
    void mouseReleased(Qt::MouseButton button, QPoint pos);
    void mouseMoved(QPoint pos, Qt::MouseButtons buttons);
    void wheelTurned(int delta);
    void keyPressed(int key, Qt::KeyboardModifiers mods);
    // Files were dropped on the view: their paths separated by CR LF.
    void filesDropped(const QString& list);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    const DrawingBoard* board_ = nullptr;
    QLineEdit* textInput_;
};

}  // namespace picura
