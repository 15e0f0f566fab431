#pragma once

#include <QPoint>
#include <QString>

#include "app/MainLayout.h"
#include "batch/BatchTask.h"
#include "imaging/Picture.h"
#include "settings/SettingsStore.h"
#include "view/CropFrame.h"
#include "view/ViewState.h"

namespace picura {

// The one record of state the Main window's parts share. Fields are grouped as
// their owners use them; every start value is the value after start-up.
struct MainWindowState {
    // Picture and view.
    Picture picture;             // the current picture; null when none
    bool pictureLoaded = false;  // set by a load, a photo or a paste; cleared only by a failed load
    ViewState view;
    QPoint viewCentre;  // half the visible board's size

    // Capture frame.
    CropFrame frame{0, 0, kDefaultFrameWidth, kDefaultFrameHeight};
    double jpgLimitKb = 500;

    // Interaction and tools.
    bool buttonHeld = false;
    QPoint lastMouse;
    bool penOn = false;
    bool textOn = false;
    bool eyedropperOn = false;
    bool editToolsShown = false;
    int textCharWidth = 6;
    int textLineHeight = 12;

    // Modes and windows. (The navigation keys keep their own registered and
    // last-key flags.)
    bool batchMode = false;
    PictureSource source = PictureSource::BatchPicture;
    QString openedPath;  // the opened file, when source is OpenedFile
    bool cameraOpen = false;
    bool quickShootMode = false;
    double cameraAspect = 0.75;  // video height / video width
    bool workbookLoaded = false;
    // The Name list window (rosters from a workbook) and its selected cell's text.
    bool nameListOpen = false;
    QString currentName;

    // Settings kept in memory, read from the settings store at start-up.
    ModeSettings batch;
    ModeSettings quickShoot;

    // Window metrics.
    QString programFolder;
    QString settingsFolder;
    int screenWidth = 0;
    int screenHeight = 0;
    Allowances allowances;
    int lastOuterWidth = 0;
    int lastOuterHeight = 0;

    // The hint line's current text.
    QString currentHint;

    QString settingsPath() const { return settingsFolder + QLatin1Char('/') + ini::kSettingsFileName; }
};

// Number of entries in the two naming lists.
inline constexpr int kBatchNamingCount = 6;
inline constexpr int kQuickShootNamingCount = 5;

// The hint shown at start-up and whenever there is no picture.
inline const QString kStartHint = QStringLiteral("您可以打开一图片文件或通过拍照来采集头像");
inline const QString kWindowTitle = QStringLiteral("Picura V2.8");

// Reads the start-up keys of both sections into `state` (the size keys are not
// read at start-up).
void ReadStartupSettings(MainWindowState& state);

// Whether the hint line must be rewritten: only when the text differs.
bool ShowHint(MainWindowState& state, const QString& text);

}  // namespace picura
