#include "app/MainActions.h"

#include "app/PictureBudget.h"
#include "app/PicturePrefetch.h"
#include "imaging/Decode.h"
#include "imaging/Rotate.h"
#include "platform/OperatorDialogs.h"
#include "tools/ClipboardPicture.h"
#include "platform/ClipboardPort.h"
#include "view/ViewRenderer.h"

namespace picura {

QString ManyFilesDroppedMessage(int count) {
    return QStringLiteral("您同时拖放了%1个文件，请每次只拖放一个文件。").arg(count);
}

MainActions::MainActions(MainWindowState& state, ViewBoards& boards, OperatorDialogs& dialogs,
                         MainWindowPort& port)
    : state_(state), boards_(boards), dialogs_(dialogs), port_(port) {}

bool MainActions::loadPictureFile(const QString& path) {
    boards_.display.clear();
    boards_.visible.clear();
    state_.picture = Picture();
    const DecodeResult decoded =
        prefetch_ ? prefetch_->load(path) : DecodePictureFileChecked(path, PictureBudget().maxShownPixels(0));
    if (decoded.picture.isNull()) {
        state_.pictureLoaded = false;
        state_.view.horizontal = ScrollBarState{};
        state_.view.vertical = ScrollBarState{};
        port_.showView();
        if (decoded.error == DecodeError::TooLarge) {
            dialogs_.tell(PictureTooLargeMessage(decoded.declaredSize), QStringLiteral("提示"));
        }
        return false;
    }
    showNewPicture(decoded.picture);
    return true;
}

void MainActions::showNewPicture(const Picture& picture) {
    state_.picture = picture;
    state_.pictureLoaded = true;
    if (prefetch_) {
        prefetch_->setShown(picture);  // cached pictures give way to it
    }
    port_.dropPendingText();
    ShowNewPicture(state_.picture, state_.view, boards_, state_.frame, port_.frameColour());
    port_.showView();
    port_.focusView();
}

void MainActions::openPictureDialog() {
    FileDialogRequest request;
    request.title = QStringLiteral("打开图片文件");
    request.filter = QStringLiteral("图片文件 (*.bmp *.jpg *.gif *.png *.jpeg)");
    const std::optional<QString> path = dialogs_.openFile(request);
    if (!path) {
        return;
    }
    loadPictureFile(*path);
    if (state_.batchMode) {
        state_.source = PictureSource::OpenedFile;
        state_.openedPath = *path;
    }
}

void MainActions::onFilesDropped(const QString& list) {
    if (list.contains(QStringLiteral("\r\n"))) {
        dialogs_.tell(ManyFilesDroppedMessage(list.split(QStringLiteral("\r\n")).size()),
                      QStringLiteral("提示"));
        return;
    }
    const qsizetype dot = list.lastIndexOf(QLatin1Char('.'));
    QString ext = dot < 0 ? list : list.mid(dot + 1);
    for (QChar& c : ext) {
        if (c.unicode() < 128) {
            c = c.toLower();
        }
    }
    static const QStringList kAccepted = {QStringLiteral("bmp"), QStringLiteral("jpg"), QStringLiteral("gif"),
                                          QStringLiteral("png"), QStringLiteral("jpeg")};
    if (!kAccepted.contains(ext)) {
        dialogs_.tell(kWrongDropMessage, QStringLiteral("提示"));
        return;
    }
    loadPictureFile(list);
    if (state_.batchMode) {
        state_.source = PictureSource::OpenedFile;
        state_.openedPath = list;
    }
}

void MainActions::rotateCurrentPicture(int angle) {
    if (!state_.pictureLoaded) {
        return;
    }
    const QImage turned = RotatePicture(state_.picture.image(), angle, 0xFFFFFF);
    if (turned.isNull()) {
        dialogs_.tell(kRotateFailedMessage, QStringLiteral("提示："));
        return;
    }
    state_.picture = Picture(turned);
    renderView();
}

void MainActions::renderView() {
    if (RenderView(state_.picture, state_.view, boards_, state_.frame, port_.frameColour())) {
        port_.showView();
    }
}

void MainActions::zoomBy(double factor) {
    if (!state_.pictureLoaded) {
        return;
    }
    state_.buttonHeld = false;
    StepZoom(state_.view, state_.picture.size(), factor);
    renderView();
    port_.focusView();
}

void MainActions::onWheel(int delta) {
    if (!state_.pictureLoaded) {
        return;
    }
    zoomBy(WheelZoomFactor(delta));
}

void MainActions::onScroll(int horizontalPosition, int verticalPosition) {
    if (ApplyScroll(state_.picture, state_.view, boards_, state_.frame, port_.frameColour(),
                    horizontalPosition, verticalPosition)) {
        port_.showView();
    }
}

void MainActions::repaintView() {
    if (!state_.pictureLoaded) {
        return;
    }
    RepaintView(boards_, state_.frame, port_.frameColour());
    port_.showView();
}

void MainActions::showMovedFrame() {
    repaintView();
}

void MainActions::onViewLeftDown(int x, int y) {
    port_.focusView();
    if (!state_.pictureLoaded) {
        return;
    }
    if (cursor_ == ViewCursor::Move) {
        state_.buttonHeld = true;
        state_.lastMouse = QPoint(x, y);
    }
}

void MainActions::onViewMouseMove(int x, int y) {
    if (!state_.pictureLoaded) {
        return;
    }
    if (state_.buttonHeld) {
        if (cursor_ == ViewCursor::Move) {
            DragFrame(state_.frame, state_.lastMouse, x, y);
            showMovedFrame();
        }
        return;
    }
    const ViewCursor wanted = HitsFrame(state_.frame, x, y) ? ViewCursor::Move : ViewCursor::Arrow;
    if (wanted != cursor_) {
        cursor_ = wanted;
        port_.setViewCursor(cursor_);
    }
}

void MainActions::onViewLeftUp(int, int) {
    if (!state_.pictureLoaded) {
        return;
    }
    state_.buttonHeld = false;
}

bool MainActions::copyFrame() {
    if (!clipboard_ || !state_.pictureLoaded) {
        return false;
    }
    const QImage crop = CropFromView(boards_, state_.frame);
    return !crop.isNull() && CopyPictureToClipboard(*clipboard_, crop);
}

bool MainActions::pastePicture() {
    if (!clipboard_) {
        return false;
    }
    std::optional<Picture> pasted = PastePicture(*clipboard_);
    if (!pasted) {
        return false;  // keep the picture we have
    }
    showNewPicture(*pasted);
    return true;
}

bool MainActions::onViewKey(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers mods =
        modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (key == Qt::Key_V || key == Qt::Key_C) {
        if (mods != Qt::ControlModifier) {
            return false;
        }
        if (key == Qt::Key_V) {
            pastePicture();
        } else {
            copyFrame();
        }
        return true;
    }
    switch (key) {
        case Qt::Key_Minus: zoomBy(kZoomOutFactor); return true;
        case Qt::Key_Equal:
        case Qt::Key_Plus: zoomBy(kZoomInFactor); return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: {
            if (!state_.pictureLoaded) {
                return true;
            }
            const MoveDirection d = key == Qt::Key_Left    ? MoveDirection::Left
                                    : key == Qt::Key_Right ? MoveDirection::Right
                                    : key == Qt::Key_Up    ? MoveDirection::Up
                                                           : MoveDirection::Down;
            MoveFrame(state_.frame, d);
            showMovedFrame();
            return true;
        }
        default: return false;
    }
}

void MainActions::onViewResized(QSize viewSize) {
    boards_.resize(viewSize);
    state_.viewCentre = ViewCentre(viewSize);
    const QPoint topLeft = CentredFrameTopLeft(state_.viewCentre, state_.frame.width, state_.frame.height);
    state_.frame.left = topLeft.x();
    state_.frame.top = topLeft.y();
    if (state_.pictureLoaded) {
        renderView();
    } else {
        port_.showView();
    }
}

QString MainActions::viewHint(bool navigationKeysRegistered, bool textInputVisible) const {
    if (!state_.pictureLoaded) {
        return kStartHint;
    }
    if (textInputVisible) {
        return state_.currentHint;
    }
    return navigationKeysRegistered
               ? QStringLiteral("A键或S键：下一图片   D键或F键：上一图片        滚动鼠标滚轮可缩放图片")
               : QStringLiteral("滚动鼠标滚轮可缩放图片");
}

}  // namespace picura

namespace picura {

void MainActions::clearView() {
    boards_.display.clear();
    boards_.visible.clear();
    port_.showView();
}

}  // namespace picura
