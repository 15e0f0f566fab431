#pragma once

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

#include "camera/CameraGeometry.h"
#include "platform/CameraDevice.h"
#include "settings/SettingsStore.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace picura {

class CameraHost;
class OperatorDialogs;
class SoundPlayer;

// The live preview: shows the newest preview frame stretched to its own size.
class VideoArea : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    void setFrame(const QImage& frame);
    // The preview as shown: the newest frame at this area's size; null before the first frame.
    QImage shownPicture() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage frame_;
};

// One of the four bars around the camera frame: a left-button drag on it moves the frame.
class FrameBar : public QLabel {
    Q_OBJECT
  public:
    explicit FrameBar(QWidget* parent);
  signals:
    void dragStarted(QPoint globalPos);
    void dragMoved(QPoint globalPos);
    void dragEnded();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool dragging_ = false;
};

// The Camera window: the live preview with the camera frame, the driver dialogs, photos and quick shoot.
// Not modal and without owner; it opens the device when created and releases it when closed.
class CameraWindow : public QWidget {
    Q_OBJECT
  public:
    CameraWindow(CameraDevice& device, SoundPlayer& sound, OperatorDialogs& dialogs, CameraHost& host,
                 SettingsStore store, QWidget* parent = nullptr);
    ~CameraWindow() override;

    // The Main window's frame width or height changed while this window is open.
    void frameWidthChanged();
    void frameHeightChanged();
    // The Main window's frame colour changed.
    void frameColourChanged();

    // The shoot button: photo, quick-shoot photo or reconnection by its caption.
    void shoot();
    void takePhoto();
    void quickShoot();
    void retryCamera();
    // The quick-shoot check box was clicked.
    void toggleQuickShoot(bool ticked);
    // The two driver dialogs, then the ratio is measured again and the window laid out.
    void showFormatDialog();
    void showSourceDialog();

    double videoRatio() const { return ratio_; }
    QPoint cameraFramePos() const { return framePos_; }
    QSize lastSetSize() const { return lastSet_; }

    // What the driver dialogs and the settings window show: replaceable, so that tests need no modal loop.
    using FormatChooser = std::function<std::optional<CameraFormat>(
        QWidget* parent, const QList<CameraFormat>&, const CameraFormat&)>;
    using ControlEditor = std::function<void(QWidget* parent, CameraDevice& device)>;
    using SettingsOpener = std::function<void(QWidget* parent)>;
    void setFormatChooser(FormatChooser chooser) { chooseFormat_ = std::move(chooser); }
    void setControlEditor(ControlEditor editor) { editControls_ = std::move(editor); }
    void setSettingsOpener(SettingsOpener opener) { openSettings_ = std::move(opener); }

    // Components, for the Main window's wiring and for tests.
    QGroupBox* groupBox() const { return group_; }
    VideoArea* videoArea() const { return video_; }
    QLabel* failureTitle() const { return failureTitle_; }
    QLabel* failureReasons() const { return failureReason_; }
    QWidget* photoBoard() const { return board_; }
    FrameBar* topBar() const { return top_; }
    FrameBar* bottomBar() const { return bottom_; }
    FrameBar* leftBar() const { return left_; }
    FrameBar* rightBar() const { return right_; }
    QPushButton* sourceButton() const { return source_; }
    QPushButton* formatButton() const { return format_; }
    QPushButton* settingsButton() const { return settings_; }
    QPushButton* upButton() const { return up_; }
    QPushButton* downButton() const { return down_; }
    QPushButton* leftButton() const { return leftMove_; }
    QPushButton* rightButton() const { return rightMove_; }
    QPushButton* shootButton() const { return shoot_; }
    QCheckBox* quickShootBox() const { return quick_; }
    QTimer* moveTimer() const { return timer_; }

  signals:
    // The window closed and let the device go.
    void cameraClosed();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void openCamera();
    bool connectCamera();
    void closeCamera();
    void measureRatio();
    void sizeWindow(const CameraWindowSize& size);
    void layoutCamera(QSize newOuter);
    void centreFrame(QRect video);
    void placeFrameBars();
    void showConnected();
    void showNotConnected();
    void showFrameControls(bool on);
    void storeSizesWhenKept(bool width, bool height);
    void openSettingsWindow();
    void afterDriverDialog();
    void onPreviewFrame(const QImage& frame);
    void onStateChanged(CameraState state);
    void pressMove(NudgeCameraFrame::Direction direction);
    void releaseMove(NudgeCameraFrame::Direction direction);
    void moveFrameBy(QPoint offset);
    QImage previewPicture() const;

    CameraDevice& device_;
    SoundPlayer& sound_;
    OperatorDialogs& dialogs_;
    CameraHost& host_;
    SettingsStore store_;

    QGroupBox* group_;
    VideoArea* video_;
    QLabel* failureTitle_;
    QLabel* failureReason_;
    QWidget* board_;
    FrameBar* top_;
    FrameBar* bottom_;
    FrameBar* left_;
    FrameBar* right_;
    QPushButton* source_;
    QPushButton* format_;
    QPushButton* settings_;
    QPushButton* up_;
    QPushButton* down_;
    QPushButton* leftMove_;
    QPushButton* rightMove_;
    QPushButton* shoot_;
    QCheckBox* quick_;
    QTimer* timer_;

    FormatChooser chooseFormat_;
    ControlEditor editControls_;
    SettingsOpener openSettings_;

    double ratio_ = camera_layout::kDefaultRatio;
    QSize lastSet_;
    QPoint framePos_;
    bool initializing_ = false;
    bool laying_ = false;  // a layout is setting the window's size: its own size change is not laid out again
    bool measurePending_ = false;
    bool closed_ = false;
    NudgeCameraFrame nudge_;
    QPoint dragStartFrame_;
    QPoint dragStartCursor_;
};

inline const QString kCameraCaption = QStringLiteral("摄像预览");
inline const QString kShootCaption = QStringLiteral("拍 照");
inline const QString kRetryCaption = QStringLiteral("重 试");
inline const QString kNoCameraText = QStringLiteral("    无法连接摄像头哦");
QString NoCameraReasonsText();

}  // namespace picura
