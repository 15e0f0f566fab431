#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

#include "app/BatchController.h"
#include "app/CropAndSave.h"
#include "app/MainActions.h"
#include "app/MainLayout.h"
#include "app/widgets/MainTables.h"
#include "app/widgets/ViewPresenter.h"
#include "output/SaveRoad.h"
#include "session/Session.h"
#include "view/FrameSize.h"
#include "view/ViewBoards.h"

class QLineEdit;
class QScrollBar;
class QToolBar;

namespace picura {

class CameraController;
class CameraDevice;
class ClipboardPort;
class CropPanel;
class CropPanelController;
class DesktopOpener;
class EditToolsController;
class EditToolsWindow;
class GlobalKeyGrabber;
class HintLine;
class HintStatusBar;
class MainBatchPort;
class NameListController;
class NavigationKeys;
class OperatorDialogs;
class SoundPlayer;
class ViewWidget;

// The Main window: lays its components out, forwards their events to the
// operations and shows the state they leave behind.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    struct Services {
        OperatorDialogs* dialogs = nullptr;
        DesktopOpener* opener = nullptr;  // help file and home page
        ClipboardPort* clipboard = nullptr;
        SoundPlayer* sound = nullptr;  // the batch crop sound and the shutter sound; none: silent
        // The camera, made when the Camera window first opens; empty: no camera device.
        std::function<std::unique_ptr<CameraDevice>()> camera;
        // The system-wide keys A, S, D, F; empty: the platform's (X11 grab, else focus only).
        std::function<std::unique_ptr<GlobalKeyGrabber>()> keyGrabber;
        QString programFolder;         // the folder of the program file
        QString fallbackSettingsBase;  // where settings go when the program folder is read-only
    };

    explicit MainWindow(Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Sizes the window, centres the frame, finds the settings folder and reads the settings; call once,
    // before show().
    void start();

    Session& session() { return session_; }
    const Session& session() const { return session_; }
    MainActions& actions() { return actions_; }
    BatchController& batch() { return batch_; }
    NavigationKeys& navigationKeys() { return *navigationKeys_; }
    CameraController& camera() { return *camera_; }
    const ViewBoards& boards() const { return boards_; }
    const QString& settingsFolder() const { return settingsFolder_; }
    const ModeSettings& quickShootSettings() const { return quickShoot_; }
    Allowances allowances() const { return allowances_; }
    QSize lastOuterSize() const { return lastOuter_; }
    // The primary screen's size, measured at start-up.
    QSize screenSize() const { return screen_; }
    void setScreenSize(QSize size) { screen_ = size; }
    bool editToolsShown() const { return editToolsShown_; }

    ViewWidget* view() const { return view_; }
    QScrollBar* horizontalBar() const { return hbar_; }
    QScrollBar* verticalBar() const { return vbar_; }
    CropPanel* cropPanel() const { return panel_; }
    HintStatusBar* hintBar() const { return status_; }
    QToolBar* toolbar() const { return toolbar_; }
    EditToolsWindow* editTools() const { return editTools_; }
    EditToolsController* editController() const { return editController_; }
    QWidget* clientArea() const { return client_; }

    // Lays the window out for a new outer size (called on every size change).
    void layoutMainWindow(int outerWidth, int outerHeight);
    // Moves the Edit tools window along with the Main window.
    void dockEditTools();
    void runCommand(MainCommand command);

    void showHint(const QString& text);
    void clearHint() { showHint(QString()); }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void focusView() { presenter_.focusView(); }

    void connectView();
    void growForFrame(const FrameSizeChange& change, bool width);
    void openNamingPrompt(const QString& temporaryPath, bool quickShoot = false);
    void cropAndSave();
    void toggleEditTools();
    void startCamera(bool leaveBatchMode);
    void shutDown();

    Services services_;
    Session session_;
    ViewBoards boards_;
    ViewPresenter presenter_;
    MainActions actions_;
    SaveRoad road_;
    std::unique_ptr<NameListController> nameList_;
    std::unique_ptr<MainBatchPort> batchPort_;
    BatchController batch_;
    std::unique_ptr<NavigationKeys> navigationKeys_;
    CropPanelController* panelController_ = nullptr;
    SaveDialogMemory saveMemory_;

    // Settings and folders of this run.
    QString programFolder_;
    QString settingsFolder_;
    ModeSettings quickShoot_;
    std::unique_ptr<CameraController> camera_;

    // Window metrics.
    QSize screen_;
    Allowances allowances_;
    QSize lastOuter_;
    bool editToolsShown_ = false;
    bool shutDown_ = false;

    QWidget* client_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    ViewWidget* view_ = nullptr;
    QScrollBar* hbar_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    CropPanel* panel_ = nullptr;
    HintStatusBar* status_ = nullptr;
    QLineEdit* focusBox_ = nullptr;
    HintLine* hints_ = nullptr;
    EditToolsWindow* editTools_ = nullptr;
    EditToolsController* editController_ = nullptr;
};

}  // namespace picura
