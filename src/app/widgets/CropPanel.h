#pragma once

#include <QColor>
#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace picura {

class SpinLineEdit;

// 截图面板分组框, the crop panel: size presets, the pixel width and height,
// the JPG size limit, the frame colour, the four move buttons and "截图".
// It only shows values and reports what the operator did.
class CropPanel : public QGroupBox {
    Q_OBJECT
  public:
    explicit CropPanel(QWidget* parent = nullptr);

    QComboBox* presetBox() const { return presets_; }
    SpinLineEdit* widthBox() const { return width_; }
    SpinLineEdit* heightBox() const { return height_; }
    QLineEdit* jpgBox() const { return jpg_; }
    QLineEdit* lessThanBox() const { return lessThan_; }
    QLineEdit* jpgFrameBox() const { return jpgFrame_; }
    QPushButton* colourPicker() const { return colour_; }
    QPushButton* saveButton() const { return save_; }
    QToolButton* moveButton(int direction) const { return move_[direction]; }  // up, down, left, right

    QColor frameColour() const { return frameColour_; }
    void setFrameColour(const QColor& colour);

  signals:
    void jpgSpun(int step);
    void frameColourClicked();
    void moveButtonPressed(int direction);
    void moveButtonReleased(int direction);
    // The mouse moved over one of the panel's components (the hint line follows it).
    void hovered(QWidget* component);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* addLabel(const QString& name, const QString& text, const QRect& geometry);

    QComboBox* presets_;
    SpinLineEdit* width_;
    SpinLineEdit* height_;
    QLineEdit* jpgFrame_;
    QLineEdit* lessThan_;
    QLineEdit* jpg_;
    QToolButton* jpgUp_;
    QToolButton* jpgDown_;
    QPushButton* colour_;
    QPushButton* save_;
    QToolButton* move_[4];
    QColor frameColour_{255, 255, 0};
};

}  // namespace picura
