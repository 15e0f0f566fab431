// What the Camera window needs from the main program: the capture frame and the pixel boxes, the quick-shoot
// state, the Name list, and the roads a photo takes. The Main window implements it.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

#include "camera/QuickShoot.h"

namespace picura {

// Where a quick-shoot photo goes, as the naming of the main program decided.
struct QuickShootTarget {
    std::optional<QString> path;  // nullopt: no photo (the host told the operator why)
    bool openSettings = false;    // with no path: the operator asked for the Quick-shoot settings window
};

class CameraHost {
  public:
    virtual ~CameraHost() = default;

    // The capture frame: its size is the output size in pixels; its colour paints the camera frame bars.
    virtual QSize frameSize() const = 0;
    virtual QColor frameColour() const = 0;
    // The Main window's top-left corner on the screen; the Camera window opens at +100, +60 from it.
    virtual QPoint mainWindowPosition() const = 0;

    // The texts of the Main window's pixel width, pixel height and JPG size edit boxes.
    virtual QString pixelWidthText() const = 0;
    virtual QString pixelHeightText() const = 0;
    virtual QString jpgSizeText() const = 0;
    // Puts texts into those boxes; the frame follows them as when the operator types (and the host then
    // tells the Camera window through frameWidthChanged / frameHeightChanged).
    virtual void setPixelSizeTexts(const QString& width, const QString& height) = 0;
    virtual void setJpgSizeText(const QString& text) = 0;

    // The quick-shoot settings and the run's quick-shoot state.
    virtual QuickShootState& quickShoot() = 0;

    // The Name list window: whether it is open; open it for photo names (or switch an open one to them);
    // close it and forget the workbook and the current name.
    virtual bool nameListOpen() const = 0;
    virtual void openNameListForPhotos() = 0;
    virtual void closeNameList() = 0;

    // An ordinary photo: `preview` (the preview as shown, at the video area's size) becomes the current
    // picture, fitted in the view; any pending typed text is dropped.
    virtual void takePhoto(const QImage& preview) = 0;
    // A quick-shoot photo, in two steps around the shutter sound: first the target path by the quick-shoot
    // naming mode (the save folder exists when this is called), then, with `photo` exactly the frame's
    // size, encoding, writing, the size message, the naming prompt and the next roster row.
    virtual QuickShootTarget quickShootTarget() = 0;
    virtual void saveQuickShootPhoto(const QString& target, const QImage& photo) = 0;
};

}  // namespace picura
