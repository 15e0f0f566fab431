#include "app/MainActions.h"

#include "app/FullPictureDecode.h"
#include "app/MainLayout.h"
#include "app/PictureBudget.h"
#include "app/PicturePrefetch.h"
#include "imaging/Decode.h"
#include "imaging/Rotate.h"
#include "platform/ClipboardPort.h"
#include "platform/OperatorDialogs.h"
#include "tools/ClipboardPicture.h"
#include "view/ViewRenderer.h"

#include <utility>

namespace picura {

QString ManyFilesDroppedMessage(int count) {
    return QStringLiteral("您同时拖放了%1个文件，请每次只拖放一个文件。").arg(count);
}

MainActions::MainActions(Session& session, ViewBoards& boards, OperatorDialogs& dialogs, MainWindowPort& port)
    : session_(session), boards_(boards), dialogs_(dialogs), port_(port) {}

MainActions::~MainActions() = default;

bool MainActions::loadPictureFile(const QString& path, PictureOrigin::Kind kind) {
    fullDecode_.reset();
    boards_.display().clear();
    boards_.visible.clear();
    // The picture shown goes before the next one is decoded, so that both never take memory together.
    session_.dropPicture(PictureOrigin{kind, path});
    DecodeResult decoded;
    if (kind == PictureOrigin::Kind::OpenedFile && !(prefetch_ && prefetch_->holds(path))) {
        decoded = decodeOpenedFile(path);
    } else {
        decoded = prefetch_ ? prefetch_->load(path)
                            : DecodePictureFileChecked(path, PictureBudget().maxShownPixels(0));
    }
    if (decoded.picture.isNull()) {
        fullDecode_.reset();
        fullBytes_.clear();
        port_.showView();
        if (decoded.error == DecodeError::TooLarge) {
            dialogs_.tell(PictureTooLargeMessage(decoded.declaredSize), QStringLiteral("提示"));
        }
        return false;
    }
    present(decoded.picture, PictureOrigin{kind, path});
    startFullDecode();
    return true;
}

void MainActions::startFullDecode() {
    if (fullBytes_.isEmpty()) {
        return;
    }
    // Not before: on two cores it would take one from drawing the reduced picture.
    fullDecode_ = std::make_unique<FullPictureDecode>(std::exchange(fullBytes_, QByteArray()), fullMaxPixels_,
                                                      [this] { onFullDecodeEnded(); });
}

DecodeResult MainActions::decodeOpenedFile(const QString& path) {
    PictureFileBytes file = ReadPictureFileBytes(path);
    if (file.error != DecodeError::None) {
        return {{}, file.error, {}};
    }
    const std::int64_t maxPixels = PictureBudget().maxShownPixels(prefetch_ ? prefetch_->countedBytes() : 0);
    const QSize full = JpegShownSize(file.bytes);
    const int reduction =
        full.isEmpty() ? 1
                       : JpegReduction(full, ScaledSize(full, FitZoom(full.width(), full.height(),
                                                                      boards_.width(), boards_.height())));
    if (reduction <= 1) {
        return DecodePictureChecked(file.bytes, maxPixels);
    }
    DecodeResult reduced = DecodeJpegReduced(file.bytes, reduction, maxPixels);
    if (!reduced.picture.isNull()) {
        fullBytes_ = std::move(file.bytes);
        fullMaxPixels_ = maxPixels;
    }
    return reduced;
}

void MainActions::onFullDecodeEnded() {
    if (fullDecode_ && session_.picture().isReduced()) {
        takeFullPicture();
    }
}

bool MainActions::completePicture() {
    if (!session_.picture().isReduced()) {
        return session_.hasPicture();
    }
    if (!fullDecode_) {
        return false;
    }
    const bool waiting = !fullDecode_->ended();
    if (waiting) {
        port_.showBusy(true);
    }
    const bool taken = takeFullPicture();
    if (waiting) {
        port_.showBusy(false);
    }
    return taken;
}

bool MainActions::takeFullPicture() {
    const DecodeResult result = fullDecode_->wait();
    fullDecode_.reset();
    if (result.picture.isNull() || result.picture.size() != session_.picture().size()) {
        // The reduced decode read the same data, so this is a picture the memory cannot hold in full.
        const PictureOrigin origin = session_.origin();
        boards_.display().clear();
        boards_.visible.clear();
        session_.dropPicture(origin);
        port_.showView();
        if (result.error == DecodeError::TooLarge) {
            dialogs_.tell(PictureTooLargeMessage(result.declaredSize), QStringLiteral("提示"));
        }
        return false;
    }
    session_.completePicture(result.picture);
    // Same size, so the zoom and the scroll positions stay: only the pixels in view are drawn again.
    if (RenderView(session_.picture(), session_.view, boards_, session_.frame, port_.frameColour())) {
        port_.showView();
    }
    return true;
}

void MainActions::showNewPicture(const Picture& picture, PictureOrigin origin) {
    fullDecode_.reset();
    present(picture, std::move(origin));
}

void MainActions::present(const Picture& picture, PictureOrigin origin) {
    session_.replacePicture(picture, std::move(origin));
    port_.dropPendingText();
    ShowNewPicture(session_.picture(), session_.view, boards_, session_.frame, port_.frameColour());
    port_.showView();
    port_.focusView();
}

void MainActions::showLost(const QString& path) {
    fullDecode_.reset();
    session_.dropPicture(PictureOrigin{PictureOrigin::Kind::BatchPicture, path});
    boards_.display().clear();
    boards_.visible.clear();
    port_.showView();
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
}

void MainActions::rotateCurrentPicture(int angle) {
    if (!session_.hasPicture() || !completePicture()) {
        return;
    }
    const QImage turned = RotatePicture(session_.picture().image(), angle, 0xFFFFFF);
    if (turned.isNull()) {
        dialogs_.tell(kRotateFailedMessage, QStringLiteral("提示："));
        return;
    }
    session_.editPicture(Picture(turned));
    renderView();
}

void MainActions::renderView() {
    const Picture& picture = session_.picture();
    if (picture.isReduced()) {
        // Beyond what the reduced pixels hold the full picture is waited for (it draws the view itself).
        const QSize scaled = ScaledSize(picture.size(), session_.view.zoom);
        if (scaled.width() > picture.sharpWidth() || scaled.height() > picture.pixels().height()) {
            completePicture();
            return;
        }
    }
    if (RenderView(session_.picture(), session_.view, boards_, session_.frame, port_.frameColour())) {
        port_.showView();
    }
}

void MainActions::zoomBy(double factor) {
    if (!session_.hasPicture()) {
        return;
    }
    buttonHeld_ = false;
    StepZoom(session_.view, session_.picture().size(), factor);
    renderView();
    port_.focusView();
}

void MainActions::onWheel(int delta) {
    if (!session_.hasPicture()) {
        return;
    }
    zoomBy(WheelZoomFactor(delta));
}

void MainActions::onScroll(int horizontalPosition, int verticalPosition) {
    if (ApplyScroll(session_.picture(), session_.view, boards_, session_.frame, port_.frameColour(),
                    horizontalPosition, verticalPosition)) {
        port_.showView();
    }
}

void MainActions::repaintView() {
    if (!session_.hasPicture()) {
        return;
    }
    RepaintView(boards_, session_.frame, port_.frameColour());
    port_.showView();
}

void MainActions::showMovedFrame() {
    repaintView();
}

void MainActions::onViewLeftDown(int x, int y) {
    port_.focusView();
    if (!session_.hasPicture()) {
        return;
    }
    if (cursor_ == ViewCursor::Move) {
        buttonHeld_ = true;
        lastMouse_ = QPoint(x, y);
    }
}

void MainActions::onViewMouseMove(int x, int y) {
    if (!session_.hasPicture()) {
        return;
    }
    if (buttonHeld_) {
        if (cursor_ == ViewCursor::Move) {
            DragFrame(session_.frame, lastMouse_, x, y);
            showMovedFrame();
        }
        return;
    }
    const ViewCursor wanted = HitsFrame(session_.frame, x, y) ? ViewCursor::Move : ViewCursor::Arrow;
    if (wanted != cursor_) {
        cursor_ = wanted;
        port_.setViewCursor(cursor_);
    }
}

void MainActions::onViewLeftUp(int, int) {
    if (!session_.hasPicture()) {
        return;
    }
    buttonHeld_ = false;
}

bool MainActions::copyFrame() {
    if (!clipboard_ || !session_.hasPicture() || !completePicture()) {
        return false;
    }
    const QImage crop = CropFromView(boards_, session_.frame);
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
    showNewPicture(*pasted, PictureOrigin{PictureOrigin::Kind::Pasted, {}});
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
            if (!session_.hasPicture()) {
                return true;
            }
            const MoveDirection d = key == Qt::Key_Left    ? MoveDirection::Left
                                    : key == Qt::Key_Right ? MoveDirection::Right
                                    : key == Qt::Key_Up    ? MoveDirection::Up
                                                           : MoveDirection::Down;
            MoveFrame(session_.frame, d);
            showMovedFrame();
            return true;
        }
        default: return false;
    }
}

void MainActions::onViewResized(QSize viewSize) {
    boards_.resize(viewSize);
    session_.viewCentre = ViewCentre(viewSize);
    const QPoint topLeft =
        CentredFrameTopLeft(session_.viewCentre, session_.frame.width, session_.frame.height);
    session_.frame.left = topLeft.x();
    session_.frame.top = topLeft.y();
    if (session_.hasPicture()) {
        renderView();
    } else {
        port_.showView();
    }
}

QString MainActions::viewHint(bool navigationKeysRegistered, bool textInputVisible,
                              const QString& currentHint) const {
    if (!session_.hasPicture()) {
        return kStartHint;
    }
    if (textInputVisible) {
        return currentHint;
    }
    return navigationKeysRegistered
               ? QStringLiteral("A键或S键：下一图片   D键或F键：上一图片        滚动鼠标滚轮可缩放图片")
               : QStringLiteral("滚动鼠标滚轮可缩放图片");
}

}  // namespace picura
