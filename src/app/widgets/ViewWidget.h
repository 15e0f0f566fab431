#pragma once

#include <QImage>
#include <QWidget>

class QLineEdit;

namespace picura {

// 可视画板, the view: shows the visible board's image and passes the mouse,
// wheel and keys on to whoever handles them. It never touches pixels itself.
class ViewWidget : public QWidget {
    Q_OBJECT
  public:
    explicit ViewWidget(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return image_; }
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
    QImage image_;
    QLineEdit* textInput_;
};

}  // namespace picura
