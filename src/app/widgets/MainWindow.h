#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>

#include "app/BatchController.h"
#include "app/CropAndSave.h"
#include "app/MainActions.h"
#include "app/MainWindowState.h"
#include "view/CropFrame.h"
#include "view/ViewBoards.h"

class QAction;
class QLineEdit;
class QScrollBar;
class QTimer;
class QToolBar;

namespace picura {

class CropPanel;
class EditToolsWindow;
class HintStatusBar;
class ClipboardPort;
class DesktopOpener;
class GlobalKeyGrabber;
class NavigationKeys;
class OperatorDialogs;
class ViewWidget;

// The Main window: lays its components out, forwards their events to the
// operations and shows the state they leave behind.
class MainWindow : public QMainWindow, private MainWindowPort, private BatchPort {
    Q_OBJECT
  public:
    struct Services {
        OperatorDialogs* dialogs = nullptr;
        DesktopOpener* opener = nullptr;  // help file and home page
        ClipboardPort* clipboard = nullptr;
        // The system-wide keys A, S, D, F; empty: the platform's (X11 grab, else focus only).
        std::function<std::unique_ptr<GlobalKeyGrabber>()> keyGrabber;
        QString programFolder;         // the folder of the program file
        QString fallbackSettingsBase;  // where settings go when the program folder is read-only
    };

    explicit MainWindow(Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; call once, before show().
    void start();

    MainActions& actions() { return actions_; }
    BatchController& batch() { return batch_; }
    NavigationKeys& navigationKeys() { return *navigationKeys_; }
    const ViewBoards& boards() const { return boards_; }
    MainWindowState& state() { return state_; }
    const MainWindowState& state() const { return state_; }

    ViewWidget* view() const { return view_; }
    QScrollBar* horizontalBar() const { return hbar_; }
    QScrollBar* verticalBar() const { return vbar_; }
    CropPanel* cropPanel() const { return panel_; }
    HintStatusBar* hintBar() const { return status_; }
    QToolBar* toolbar() const { return toolbar_; }
    EditToolsWindow* editTools() const { return editTools_; }
    QWidget* clientArea() const { return client_; }

    // Lays the window out for a new outer size (called on every size change).
    void layoutMainWindow(int outerWidth, int outerHeight);
    // Moves the Edit tools window along with the Main window.
    void dockEditTools();
    // Runs the command of toolbar entry `index` (separators do nothing).
    void onToolbarClick(int index);

    void showHint(const QString& text);
    void clearHint() { showHint(QString()); }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // MainWindowPort
    QColor frameColour() const override;
    void showView() override;
    void focusView() override;
    void dropPendingText() override;
    void setViewCursor(ViewCursor cursor) override;

    // BatchPort
    void setCaption(const QString& caption) override;
    void setBatchChecked(bool checked) override;
    void openBatchSettings(bool modal) override;
    void setPixelTexts(const QString& width, const QString& height) override;
    QString jpgText() const override;
    void setJpgText(const QString& text) override;
    void registerKeys() override;
    void unregisterKeys() override;
    void untickEditTools() override;
    void setBusy(bool busy) override;
    void playCropSound() override;
    void openNamingPrompt(const QString& temporaryPath) override;
    bool openNameList() override;

    void connectView();
    void connectPanel();
    void onMoveButton(int direction, bool pressed);
    // The crop panel's boxes.
    void applySizePreset(int index);
    void applyFrameSide(bool width);
    void applyJpgLimit();
    // Writes the normal form of the JPG limit's text (empty, zero or invalid: "50").
    void normaliseJpgText();
    void spinPixelBox(bool width, int step);
    void chooseFrameColour();
    void growForFrame(const struct FrameSizeChange& change, bool width);
    // Commands.
    void cropAndSave();
    void toggleEditTools();
    void startCamera(bool leaveBatchMode);
    void showHelp();
    void buildToolbar();
    void buildMenu();
    void hoverHint(QObject* component);
    void shutDown();

    Services services_;
    MainWindowState state_;
    ViewBoards boards_;
    MainActions actions_;
    BatchController batch_;
    std::unique_ptr<NavigationKeys> navigationKeys_;
    MoveRepeat moveRepeat_;
    QTimer* cropTimer_ = nullptr;  // 截图时钟
    SaveDialogMemory saveMemory_;
    bool shutDown_ = false;
    bool syncingBars_ = false;

    QWidget* client_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    ViewWidget* view_ = nullptr;
    QScrollBar* hbar_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    CropPanel* panel_ = nullptr;
    HintStatusBar* status_ = nullptr;
    QLineEdit* focusBox_ = nullptr;
    EditToolsWindow* editTools_ = nullptr;
};

}  // namespace picura
