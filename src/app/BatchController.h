#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "app/AfterRepaint.h"
#include "app/MainActions.h"
#include "app/PicturePrefetch.h"
#include "batch/BatchTask.h"
#include "output/Naming.h"
#include "output/SaveRoad.h"
#include "session/Session.h"
#include "settings/SettingsStore.h"
#include "view/ViewBoards.h"

namespace picura {

class OperatorDialogs;
class SoundPlayer;
struct BatchSettingsResult;

// What batch-crop mode needs from the Main window's widgets and windows.
class BatchPort {
  public:
    virtual ~BatchPort() = default;
    virtual void setCaption(const QString& caption) = 0;
    virtual void setBatchChecked(bool checked) = 0;
    // The Batch-crop settings window, modal (or not, from the Excel question).
    virtual void openBatchSettings(bool modal) = 0;
    virtual void setPixelTexts(const QString& width, const QString& height) = 0;
    virtual QString jpgText() const = 0;
    virtual void setJpgText(const QString& text) = 0;
    virtual void registerKeys() = 0;
    virtual void unregisterKeys() = 0;
    virtual void untickEditTools() = 0;
    // The Name list window (rosters from a workbook), not modal: opened when it is closed, given the
    // crop wording when it is open. False where there is none.
    virtual bool openNameList() = 0;
    // The Name list's window, workbook and current name, for the names of the crops.
    virtual NameListState nameList() const { return {}; }
    // Whether the Name list's auto-next-row box is ticked.
    virtual bool nameListAutoNextRow() const { return false; }
    // The Name list's next row, after a crop was saved under its current name.
    virtual void advanceNameRow() {}
    // Raises the Name list window and gives it the keyboard focus.
    virtual void focusNameList() {}
};

// Number of entries in the batch naming list.
inline constexpr int kBatchNamingCount = 6;

// Batch-crop mode: switching it on and off from the status bar, resuming the
// task of the last run, stepping through the folder with the navigation keys,
// and the batch save. It keeps the batch settings in memory.
class BatchController {
  public:
    BatchController(Session& session, ViewBoards& boards, MainActions& actions, OperatorDialogs& dialogs,
                    BatchPort& port, SaveRoad& road);
    ~BatchController();

    // Reads the batch section of the settings in `settingsFolder`, where the task file lives too.
    void readSettings(const QString& settingsFolder);
    void setSettingsFolder(const QString& settingsFolder) { settingsFolder_ = settingsFolder; }
    const QString& settingsFolder() const { return settingsFolder_; }
    ModeSettings& settings() { return settings_; }
    const ModeSettings& settings() const { return settings_; }
    bool active() const { return active_; }
    void setActive(bool active) { active_ = active; }
    // A JPG limit in its normal form was set: kept in the batch settings when they keep a JPG format.
    void keepJpgLimit(double limitKb);
    // The crop sound plays here when the batch settings switch it on.
    void setSoundPlayer(SoundPlayer* player) { sound_ = player; }

    // Left press on the status bar at x; `paneRight` is R (outer width − width allowance).
    void onStatusLeftPress(int x, int paneRight);
    // Right press: the settings window when x lies in the check-box pane.
    void onStatusRightPress(int x, int paneRight);
    static bool InCheckBoxPane(int x, int paneRight);

    // An accepted navigation key (A, S: next; D, F: previous). The task file takes the new position once
    // the picture is on the screen.
    void onNavigationKey(bool next);
    // The settings window's 确定.
    void applySettings(const BatchSettingsResult& result);
    // The settings window closed.
    void settingsClosed(bool confirmed);
    // Switching batch-crop mode off (status bar, or "拍摄").
    void switchOff();

    // The batch save of "截图" (batch-crop mode on). Returns the path written.
    QString batchSave();

    BatchCropTask* task() const { return task_.get(); }
    PicturePrefetch& prefetch() { return prefetch_; }

  private:
    void switchOn();
    void show(BatchDirection direction);
    void apply(const BatchView& view);
    // Writes what a navigation key left for the task file, and tells the operator when that fails.
    void writePendingTask();
    void ensureTask();
    void prefetchNeighbours();
    std::optional<SaveTarget> nameCrop();
    QString settingsPath() const;

    Session& session_;
    ViewBoards& boards_;
    MainActions& actions_;
    OperatorDialogs& dialogs_;
    BatchPort& port_;
    SaveRoad& road_;
    SoundPlayer* sound_ = nullptr;
    ModeSettings settings_;
    QString settingsFolder_;
    bool active_ = false;
    std::unique_ptr<BatchCropTask> task_;
    PicturePrefetch prefetch_;
    AfterRepaint afterRepaint_;
};

}  // namespace picura
