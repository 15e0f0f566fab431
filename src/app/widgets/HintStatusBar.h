#pragma once

#include <QWidget>

class QLabel;

namespace picura {

// 状态条, the status bar: pane 0 is the hint line, pane 1 the batch-crop check box and caption.
class HintStatusBar : public QWidget {
    Q_OBJECT
  public:
    explicit HintStatusBar(QWidget* parent = nullptr);

    void setHint(const QString& text);
    QString hint() const;
    void setPane0Width(int width);
    int pane0Width() const { return pane0Width_; }
    void setBatchChecked(bool checked);
    bool batchChecked() const { return checked_; }
    QString pane1Text() const;

  signals:
    void pressed(Qt::MouseButton button, int x);
    void mouseMoved(int x);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void placePanes();

    QLabel* pane0_;
    QLabel* checkIcon_;
    QLabel* pane1_;
    int pane0Width_ = 432;
    bool checked_ = false;
};

}  // namespace picura
