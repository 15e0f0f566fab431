#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "app/MainActions.h"
#include "app/MainWindowState.h"
#include "app/PicturePrefetch.h"
#include "batch/BatchTask.h"
#include "output/JpegSizeSearch.h"
#include "output/OutputFormat.h"
#include "view/ViewBoards.h"

namespace picura {

class OperatorDialogs;
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
    virtual void setBusy(bool busy) = 0;
    virtual void playCropSound() = 0;
    // The Naming prompt, modal, for the picture saved at `temporaryPath`.
    virtual void openNamingPrompt(const QString& temporaryPath) = 0;
    // The Name list window (rosters from a workbook); false where there is none yet.
    virtual bool openNameList() = 0;
};

// Batch-crop mode: switching it on and off from the status bar, resuming the
// task of the last run, stepping through the folder with the navigation keys,
// and the batch save.
class BatchController {
  public:
    BatchController(MainWindowState& state, ViewBoards& boards, MainActions& actions,
                    OperatorDialogs& dialogs, BatchPort& port);
    ~BatchController();

    // Left press on the status bar at x; `paneRight` is R (outer width − width allowance).
    void onStatusLeftPress(int x, int paneRight);
    // Right press: the settings window when x lies in the check-box pane.
    void onStatusRightPress(int x, int paneRight);
    static bool InCheckBoxPane(int x, int paneRight);

    // An accepted navigation key (A, S: next; D, F: previous).
    void onNavigationKey(bool next);
    // The settings window's 确定.
    void applySettings(const BatchSettingsResult& result);
    // The settings window closed.
    void settingsClosed(bool confirmed);
    // Switching batch-crop mode off (status bar, or "拍摄").
    void switchOff();

    // The batch save of "截图" (batch-crop mode on). Returns the path written.
    QString batchSave();

    // The encoder of the batch save (tests put a failing one in its place).
    using Encoder = std::function<EncodeResult(const QImage& crop, OutputFormat format, double limitKb)>;
    void setEncoder(Encoder encoder) { encode_ = std::move(encoder); }

    BatchCropTask* task() const { return task_.get(); }
    PicturePrefetch& prefetch() { return prefetch_; }

  private:
    void switchOn();
    void show(BatchDirection direction);
    void apply(const BatchView& view);
    void ensureTask();
    void prefetchNeighbours();

    MainWindowState& state_;
    ViewBoards& boards_;
    MainActions& actions_;
    OperatorDialogs& dialogs_;
    BatchPort& port_;
    std::unique_ptr<BatchCropTask> task_;
    Encoder encode_;
    PicturePrefetch prefetch_;
    QString shownPath_;    // the batch picture shown, kept decoded when we move on
    qint64 shownKey_ = 0;  // its pixels as decoded (QImage::cacheKey), to tell them from a changed picture
};

}  // namespace picura
