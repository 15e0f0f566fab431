#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include "camera/CameraHost.h"
#include "output/Naming.h"
#include "output/SaveRoad.h"
#include "settings/SettingsStore.h"

namespace picura {

class CameraDevice;
class CameraWindow;
class CropPanel;
class CropPanelController;
class MainActions;
class NameListController;
class OperatorDialogs;
class Session;
class SoundPlayer;

// The Main window's side of the camera: opens and raises the Camera window, keeps it in step with the
// capture frame, and takes its photos into the session (ordinary photos) or through the save road
// (quick-shoot photos, cropped by the camera frame and named by the quick-shoot naming).
class CameraController final : public QObject, public CameraHost {
    Q_OBJECT
  public:
    struct Parts {
        QWidget* mainWindow = nullptr;  // its position places the Camera window
        CropPanel* panel = nullptr;     // pixel boxes, JPG box and frame colour
        CropPanelController* panelController = nullptr;
        Session* session = nullptr;
        MainActions* actions = nullptr;
        OperatorDialogs* dialogs = nullptr;
        SoundPlayer* sound = nullptr;  // the shutter sound; none: silent
        // Made once, on the first open; none: a camera with no device.
        std::function<std::unique_ptr<CameraDevice>()> makeDevice;
        std::function<QString()> settingsFolder;
        std::function<void(const QString& temporaryPath)> namingPrompt;  // modal
    };
    // The Name list (rosters from a workbook) as quick shoot uses it; unset parts act as no window.
    struct NameListHooks {
        std::function<NameListState()> state;
        std::function<void()> openForPhotos;
        std::function<void()> focus;
        std::function<void()> close;
        std::function<bool()> autoNextRow;  // the auto-next-row box is ticked
        std::function<void()> advanceRow;
    };

    explicit CameraController(Parts parts, QObject* parent = nullptr);
    ~CameraController() override;

    void setNameListHooks(NameListHooks hooks) { nameList_ = std::move(hooks); }
    // The same, from the program's Name list.
    void useNameList(NameListController& list);
    // The quick-shoot settings read at start-up; quick-shoot mode starts off.
    void setStartSettings(const ModeSettings& settings);

    // "拍摄": opens the Camera window, or raises the one already open.
    void open();
    // Batch-crop mode went on: the Camera window and the Quick-shoot settings window close and
    // quick-shoot mode ends.
    void closeForBatch();
    bool isOpen() const { return open_; }
    // Quick-shoot mode is on in the open Camera window.
    bool quickShootOn() const { return open_ && state_.settings.mode; }
    // The JPG limit changed: kept under the quick-shoot keys while quick shoot is on with its settings kept
    // and JPG output.
    void keepJpgLimit(double limitKb);
    CameraWindow* window() const;
    CameraDevice* device() const { return device_.get(); }

    // The capture frame changed while the Camera window may be open.
    void frameSideChanged(bool width);
    void frameColourChanged();

    // CameraHost.
    QSize frameSize() const override;
    QColor frameColour() const override;
    QPoint mainWindowPosition() const override;
    QString pixelWidthText() const override;
    QString pixelHeightText() const override;
    QString jpgSizeText() const override;
    void setPixelSizeTexts(const QString& width, const QString& height) override;
    void setJpgSizeText(const QString& text) override;
    QuickShootState& quickShoot() override { return state_; }
    bool nameListOpen() const override;
    void openNameListForPhotos() override;
    void closeNameList() override;
    void takePhoto(const QImage& preview) override;
    QuickShootTarget quickShootTarget() override;
    void saveQuickShootPhoto(const QString& target, const QImage& photo) override;

  private:
    NameListState nameListState() const;
    QString settingsPath() const;

    Parts p_;
    NameListHooks nameList_;
    SaveRoad road_;
    std::unique_ptr<SoundPlayer> silence_;
    std::unique_ptr<CameraDevice> device_;
    QPointer<CameraWindow> window_;
    bool open_ = false;
    QuickShootState state_;
    bool targetTemporary_ = false;  // the last target is the naming prompt's temporary file
};

}  // namespace picura
