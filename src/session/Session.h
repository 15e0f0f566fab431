// The session: the current picture and where it came from, the view over it, the capture frame and the
// active editing tool. Every road that changes the picture goes through it, and it tells its listeners.
#pragma once

#include <QPoint>
#include <QString>

#include <functional>
#include <vector>

#include "imaging/Picture.h"
#include "session/EditTool.h"
#include "view/CropFrame.h"
#include "view/ViewState.h"

namespace picura {

// Where the current picture came from.
struct PictureOrigin {
    enum class Kind { None, OpenedFile, BatchPicture, Pasted, CameraPhoto };
    Kind kind = Kind::None;
    QString path;  // the file, for OpenedFile and BatchPicture

    bool isFile() const { return kind == Kind::OpenedFile || kind == Kind::BatchPicture; }
};

// What happened to the picture, as told to the listeners.
enum class PictureChange {
    Replaced,   // a new picture from its origin (file, drop, paste, batch step, photo)
    Edited,     // the same picture with changed pixels (turned, marked)
    Dropped,    // no picture any more (a failed load, a batch picture gone, shutting down)
    Completed,  // the full picture took the place of its reduced stand-in: same picture, same size
};

class Session {
  public:
    using Listener = std::function<void(PictureChange)>;

    const Picture& picture() const { return picture_; }
    bool hasPicture() const { return hasPicture_; }
    const PictureOrigin& origin() const { return origin_; }
    // Whether the pixels are still exactly those decoded from the origin's file (not turned or marked),
    // so that a cache may keep them under the file's path.
    bool pixelsAsDecoded() const {
        return hasPicture_ && origin_.isFile() && !edited_ && !picture_.isReduced();
    }

    // The only ways to change the picture; each tells the listeners.
    void replacePicture(const Picture& picture, PictureOrigin origin);
    // Same origin, new pixels. Does nothing without a picture.
    void editPicture(const Picture& picture);
    // The full picture of the reduced stand-in shown (Picture::Reduced), of the same size. Does nothing
    // unless a reduced picture is shown.
    void completePicture(const Picture& full);
    // No picture; `origin` says what should have been shown (a batch picture that is gone).
    void dropPicture(PictureOrigin origin = {});

    // Called on every picture change, in the order added.
    void addListener(Listener listener) { listeners_.push_back(std::move(listener)); }

    // The view over the picture, the capture frame and the JPG limit of its output.
    ViewState view;
    QPoint viewCentre;  // half the visible board's size
    CropFrame frame{0, 0, kDefaultFrameWidth, kDefaultFrameHeight};
    double jpgLimitKb = 500;
    EditTool tool = EditTool::None;

  private:
    void tell(PictureChange change);

    Picture picture_;
    bool hasPicture_ = false;
    bool edited_ = false;
    PictureOrigin origin_;
    std::vector<Listener> listeners_;
};

}  // namespace picura
