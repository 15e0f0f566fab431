#include "camera/widgets/CameraWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "batch/BatchSettings.h"
#include "camera/CameraHost.h"
#include "camera/widgets/QuickShootSettingsWindow.h"
#include "platform/OperatorDialogs.h"
#include "platform/SoundPlayer.h"

namespace picura {

using namespace camera_layout;

namespace {

constexpr int kPreviewIntervalMs = 60;

QString FormatLabel(const CameraFormat& f) {
    return QStringLiteral("%1 × %2  %3 fps%4")
        .arg(f.size.width())
        .arg(f.size.height())
        .arg(f.framesPerSecond(), 0, 'g', 4)
        .arg(f.encoding == CameraFormat::Encoding::Jpeg ? QStringLiteral("  MJPG") : QString());
}

// Our own format dialog over the device's list of formats.
std::optional<CameraFormat> ChooseFormatInDialog(QWidget* parent, const QList<CameraFormat>& formats,
                                                 const CameraFormat& current) {
    if (formats.isEmpty()) {
        return std::nullopt;
    }
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("视频格式"));
    auto* box = new QComboBox(&dialog);
    for (const CameraFormat& f : formats) {
        box->addItem(FormatLabel(f));
    }
    box->setCurrentIndex(std::max(0, int(formats.indexOf(current))));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(box);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || box->currentIndex() < 0) {
        return std::nullopt;
    }
    return formats[box->currentIndex()];
}

// Our own source dialog: one box per picture control, applied as it changes. Nothing without controls.
void EditControlsInDialog(QWidget* parent, CameraDevice& device) {
    const QList<CameraControl> controls = device.controls();
    if (controls.isEmpty()) {
        return;
    }
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("设备参数"));
    auto* form = new QFormLayout(&dialog);
    for (const CameraControl& c : controls) {
        auto* spin = new QSpinBox(&dialog);
        spin->setRange(c.minimum, c.maximum);
        spin->setValue(c.value);
        const QString name = c.name;
        QObject::connect(spin, &QSpinBox::valueChanged, &dialog,
                         [&device, name](int value) { device.setControl(name, value); });
        form->addRow(c.name, spin);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    dialog.exec();
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& at) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromUtf8(name));
    b->setGeometry(at);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

QString NoCameraReasonsText() {
    return QStringLiteral(
        "\n  1、您的摄像头没有安装驱动程序？\n\n  2、您的摄像头没有连接到电脑？\n\n"
        "  3、您打开了别的摄像头软件？请关闭qq视频等软件。\n\n  4、你还没有摄像头？");
}

void VideoArea::setFrame(const QImage& frame) {
    frame_ = frame;
    update();
}

QImage VideoArea::shownPicture() const {
    if (frame_.isNull() || size().isEmpty()) {
        return {};
    }
    QImage shown = frame_.size() == size()
                       ? frame_
                       : frame_.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return shown.convertToFormat(QImage::Format_RGB32);
}

void VideoArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (frame_.isNull()) {
        painter.fillRect(rect(), Qt::black);
    } else {
        painter.drawImage(rect(), frame_);
    }
}

FrameBar::FrameBar(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(true);
    setCursor(Qt::SizeAllCursor);
}

void FrameBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        grabMouse();  // the drag follows the mouse anywhere on the screen until the button is up
        emit dragStarted(event->globalPosition().toPoint());
    }
}

void FrameBar::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        emit dragMoved(event->globalPosition().toPoint());
    }
}

void FrameBar::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        releaseMouse();
        emit dragEnded();
    }
}

CameraWindow::CameraWindow(CameraDevice& device, SoundPlayer& sound, OperatorDialogs& dialogs,
                           CameraHost& host, SettingsStore store, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      device_(device),
      sound_(sound),
      dialogs_(dialogs),
      host_(host),
      store_(std::move(store)),
      group_(new QGroupBox(QStringLiteral("摄像"), this)),
      video_(new VideoArea(group_)),
      failureTitle_(new QLabel(kNoCameraText, group_)),
      failureReason_(new QLabel(NoCameraReasonsText(), group_)),
      board_(new QWidget(group_)),
      top_(new FrameBar(group_)),
      bottom_(new FrameBar(group_)),
      left_(new FrameBar(group_)),
      right_(new FrameBar(this)),
      source_(MakeButton(this, "设备参数按钮", QStringLiteral("设备参数"), {445, 11, 116, 24})),
      format_(MakeButton(this, "视频格式按钮", QStringLiteral("视频格式"), {445, 39, 116, 24})),
      settings_(MakeButton(this, "速拍设置按钮", QStringLiteral("速拍设置"), {445, 67, 116, 24})),
      up_(MakeButton(this, "拍图上移按钮", QStringLiteral("↑"), {489, 137, 28, 32})),
      down_(MakeButton(this, "拍图下移按钮", QStringLiteral("↓"), {489, 199, 28, 32})),
      leftMove_(MakeButton(this, "拍图左移按钮", QStringLiteral("←"), {457, 170, 32, 28})),
      rightMove_(MakeButton(this, "拍图右移按钮", QStringLiteral("→"), {518, 170, 32, 28})),
      shoot_(MakeButton(this, "拍照按钮", kShootCaption, {445, 280, 116, 78})),
      quick_(new QCheckBox(QStringLiteral("使用批量速拍模式"), this)),
      timer_(new QTimer(this)),
      chooseFormat_(ChooseFormatInDialog),
      editControls_(EditControlsInDialog),
      openSettings_([this](QWidget* parent) {
          QuickShootSettingsWindow window(host_, store_, dialogs_, parent);
          window.exec();
      }) {
    setObjectName(QStringLiteral("摄像窗口"));
    setWindowTitle(kCameraCaption);
    setGeometry(QRect(kWindowPos, kWindowSize));
    group_->setObjectName(QStringLiteral("摄像分组框"));
    group_->setGeometry(kGroupBox);
    video_->setObjectName(QStringLiteral("视频区"));
    video_->setGeometry(kVideo);
    failureTitle_->setObjectName(QStringLiteral("失败标题标签"));
    failureTitle_->setGeometry(1, 15, 427, 33);
    failureReason_->setObjectName(QStringLiteral("失败原因标签"));
    failureReason_->setGeometry(1, 48, 427, 282);
    failureReason_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    board_->setObjectName(QStringLiteral("拍图画板"));
    board_->setGeometry(164, 90, 120, 144);
    board_->setAttribute(Qt::WA_TransparentForMouseEvents);
    top_->setObjectName(QStringLiteral("拍图框上标签"));
    top_->setGeometry(184, 58, 80, 9);
    bottom_->setObjectName(QStringLiteral("拍图框下标签"));
    bottom_->setGeometry(180, 272, 80, 9);
    left_->setObjectName(QStringLiteral("拍图框左标签"));
    left_->setGeometry(144, 70, 9, 200);
    right_->setObjectName(QStringLiteral("拍图框右标签"));
    right_->setGeometry(356, 72, 9, 200);
    quick_->setObjectName(QStringLiteral("启用速拍选择框"));
    quick_->setGeometry(7, 343, 137, 20);
    timer_->setObjectName(QStringLiteral("拍图时钟"));

    connect(&device_, &CameraDevice::previewFrame, this, &CameraWindow::onPreviewFrame);
    connect(&device_, &CameraDevice::stateChanged, this, &CameraWindow::onStateChanged);
    connect(shoot_, &QPushButton::clicked, this, &CameraWindow::shoot);
    connect(quick_, &QCheckBox::clicked, this, &CameraWindow::toggleQuickShoot);
    connect(format_, &QPushButton::clicked, this, &CameraWindow::showFormatDialog);
    connect(source_, &QPushButton::clicked, this, &CameraWindow::showSourceDialog);
    connect(settings_, &QPushButton::clicked, this, &CameraWindow::openSettingsWindow);
    using D = NudgeCameraFrame::Direction;
    for (auto [button, direction] : {std::pair{up_, D::Up}, std::pair{down_, D::Down},
                                     std::pair{leftMove_, D::Left}, std::pair{rightMove_, D::Right}}) {
        const D d = direction;
        connect(button, &QPushButton::pressed, this, [this, d] { pressMove(d); });
        connect(button, &QPushButton::released, this, [this, d] { releaseMove(d); });
    }
    connect(timer_, &QTimer::timeout, this, [this] {
        bool keep = false;
        moveFrameBy(nudge_.tick(&keep));
        if (!keep) {
            timer_->stop();
        }
    });
    for (FrameBar* bar : {top_, bottom_, left_, right_}) {
        connect(bar, &FrameBar::dragStarted, this, [this](QPoint cursor) {
            dragStartFrame_ = framePos_;
            dragStartCursor_ = cursor;
        });
        connect(bar, &FrameBar::dragMoved, this, [this](QPoint cursor) {
            framePos_ =
                DragCameraFrame(dragStartFrame_, dragStartCursor_, cursor, group_->size(), host_.frameSize());
            placeFrameBars();
        });
    }

    openCamera();
}

CameraWindow::~CameraWindow() {
    closeCamera();
}

bool CameraWindow::connectCamera() {
    return device_.deviceCount() > 0 && device_.connectLast();
}

void CameraWindow::openCamera() {
    initializing_ = true;
    frameColourChanged();
    if (connectCamera()) {
        measureRatio();
        sizeWindow(SizeCameraWindow(host_.frameSize(), ratio_));
        move(host_.mainWindowPosition() + QPoint(100, 60));
        shoot_->setText(kShootCaption);
        quick_->show();
        const QuickShootState& q = host_.quickShoot();
        showFrameControls(q.settings.mode);
        quick_->setChecked(q.settings.mode);
        if (q.settings.mode) {
            storeSizesWhenKept(true, true);
        }
        centreFrame(video_->geometry());
        failureTitle_->hide();
        failureReason_->hide();
        video_->show();
        source_->show();
        format_->show();
        device_.setPreviewSize(video_->size());
        device_.setPreview(true, kPreviewIntervalMs);
    } else {
        sizeWindow(SizeCameraWindow(host_.frameSize(), ratio_));
        move(host_.mainWindowPosition() + QPoint(100, 60));
        showNotConnected();
    }
    initializing_ = false;
}

void CameraWindow::measureRatio() {
    // Right after connecting (or a format change) the device may not have sent a frame yet: the ratio is
    // then measured on the first one.
    if (device_.currentFrame().isNull()) {
        measurePending_ = true;
        return;
    }
    measurePending_ = false;
    ratio_ = MeasureVideoRatio(device_, ratio_);
}

void CameraWindow::sizeWindow(const CameraWindowSize& size) {
    lastSet_ = size.outer;
    resize(size.outer);
}

void CameraWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (initializing_ || laying_ || !SizeChangeNeedsLayout(size(), lastSet_)) {
        return;
    }
    layoutCamera(size());
}

void CameraWindow::layoutCamera(QSize newOuter) {
    if (laying_) {
        return;
    }
    laying_ = true;
    const CameraLayout l = LayoutCamera(newOuter, lastSet_, ratio_);
    lastSet_ = l.outer;
    resize(l.outer);
    video_->setGeometry(l.video);
    group_->setGeometry(l.groupBox);
    quick_->move(quick_->x(), l.checkBoxTop);
    for (QPushButton* b : {source_, format_, settings_, shoot_}) {
        b->move(l.buttonsLeft, b->y());
    }
    shoot_->move(l.buttonsLeft, l.shootButtonTop);
    leftMove_->move(l.moveLeft);
    rightMove_->move(l.moveRight);
    up_->move(l.moveUp);
    down_->move(l.moveDown);
    device_.setPreviewSize(l.video.size());
    centreFrame(l.video);
    laying_ = false;
}

void CameraWindow::centreFrame(QRect video) {
    framePos_ = CentreCameraFrame(video, host_.frameSize());
    placeFrameBars();
}

void CameraWindow::placeFrameBars() {
    const FrameBars b = PlaceFrameBars(framePos_, host_.frameSize(), group_->pos());
    board_->setGeometry(b.board);
    left_->setGeometry(b.left);
    top_->setGeometry(b.top);
    bottom_->setGeometry(b.bottom);
    right_->setGeometry(b.rightInWindow);
    right_->raise();
}

void CameraWindow::frameColourChanged() {
    for (FrameBar* bar : {top_, bottom_, left_, right_}) {
        QPalette p = bar->palette();
        p.setColor(QPalette::Window, host_.frameColour());
        bar->setPalette(p);
    }
}

void CameraWindow::frameWidthChanged() {
    const CameraWindowSize s = SizeCameraWindowForFrameWidth(host_.frameSize(), ratio_, lastSet_);
    lastSet_ = s.outer;
    layoutCamera(s.outer);
    if (host_.quickShoot().settings.mode) {
        centreFrame(QRect(video_->pos(), s.video));
        storeSizesWhenKept(true, false);
    } else {
        placeFrameBars();
    }
}

void CameraWindow::frameHeightChanged() {
    const CameraWindowSize s = SizeCameraWindowForFrameHeight(host_.frameSize(), ratio_, lastSet_);
    lastSet_ = s.outer;
    layoutCamera(s.outer);
    if (host_.quickShoot().settings.mode) {
        centreFrame(QRect(video_->pos(), s.video));
        storeSizesWhenKept(false, true);
    } else {
        placeFrameBars();
    }
}

void CameraWindow::storeSizesWhenKept(bool width, bool height) {
    const QuickShootSettings& s = host_.quickShoot().settings;
    if (!s.keepSettings) {
        return;
    }
    const bool jpg = s.format == QStringLiteral(".JPG");
    StoreQuickShootSizes(store_, width ? std::optional(host_.pixelWidthText()) : std::nullopt,
                         height ? std::optional(host_.pixelHeightText()) : std::nullopt,
                         jpg && width && height ? std::optional(host_.jpgSizeText()) : std::nullopt);
}

void CameraWindow::showFrameControls(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{top_, bottom_, left_, right_, settings_, up_, down_,
                                                      leftMove_, rightMove_}) {
        w->setVisible(on);
    }
}

void CameraWindow::showConnected() {
    shoot_->setText(kShootCaption);
    failureTitle_->hide();
    failureReason_->hide();
    video_->show();
    source_->show();
    format_->show();
    quick_->show();
    const bool on = host_.quickShoot().settings.mode;
    showFrameControls(on);
    quick_->setChecked(on);
}

void CameraWindow::showNotConnected() {
    video_->hide();
    failureTitle_->show();
    failureReason_->show();
    source_->hide();
    format_->hide();
    quick_->hide();
    showFrameControls(false);
    shoot_->setText(kRetryCaption);
}

void CameraWindow::onPreviewFrame(const QImage& frame) {
    video_->setFrame(frame);
    if (measurePending_) {
        const double before = ratio_;
        measureRatio();
        if (ratio_ != before) {
            layoutCamera(size());
        }
    }
}

void CameraWindow::onStateChanged(CameraState state) {
    // A camera pulled out while streaming: the window shows the failure state, ready for 重 试.
    if (state == CameraState::Failed && !closed_) {
        device_.setPreview(false);
        showNotConnected();
    }
}

void CameraWindow::shoot() {
    const QString caption = shoot_->text();
    if (caption == kShootCaption) {
        if (host_.quickShoot().settings.mode) {
            quickShoot();
        } else {
            takePhoto();
        }
    } else if (caption == kRetryCaption) {
        retryCamera();
    }
}

QImage CameraWindow::previewPicture() const {
    QImage shown = video_->shownPicture();
    if (shown.isNull()) {
        const QImage frame = device_.currentFrame();
        if (!frame.isNull()) {
            shown = frame.scaled(video_->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGB32);
        }
    }
    return shown;
}

void CameraWindow::takePhoto() {
    const QImage shown = previewPicture();
    if (shown.isNull()) {
        return;  // the device lost: no picture to load
    }
    host_.takePhoto(shown);
}

void CameraWindow::quickShoot() {
    QuickShootState& q = host_.quickShoot();
    if (const std::optional<QString> missing = MissingSaveFolderMessage(q.settings.saveFolder)) {
        dialogs_.message(*missing, kMissingFolderTitle, MessageIcon::None, MessageButtons::Ok);
        openSettingsWindow();
        return;
    }
    const QuickShootTarget target = host_.quickShootTarget();
    if (!target.path) {
        if (target.openSettings) {
            openSettingsWindow();
        }
        return;
    }
    const QImage shown = previewPicture();
    if (shown.isNull()) {
        return;  // no picture from the device: nothing is written
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (q.settings.shutterSound) {
        sound_.play(BuiltInSound::Shutter);
    }
    const QImage photo = CropQuickShoot(shown, QRect(framePos_ - video_->pos(), host_.frameSize()));
    host_.saveQuickShootPhoto(*target.path, photo);
    QApplication::restoreOverrideCursor();
}

void CameraWindow::retryCamera() {
    if (connectCamera()) {
        showConnected();
        device_.setPreviewSize(video_->size());
        device_.setPreview(true, kPreviewIntervalMs);
        if (measurePending_) {
            measureRatio();
        }
    } else {
        showNotConnected();
    }
}

void CameraWindow::toggleQuickShoot(bool ticked) {
    QuickShootState& q = host_.quickShoot();
    q.settings.mode = ticked;
    if (!ticked) {
        showFrameControls(false);
        host_.closeNameList();
        return;
    }
    if (q.settings.keepSettings) {
        if (!q.asked) {
            q.asked = true;
            if (dialogs_.ask(QStringLiteral("是否沿用之前的速拍设置？"), QStringLiteral("询问："))) {
                host_.setPixelSizeTexts(store_.read(ini::kQuickSection, ini::kPixelWidth),
                                        store_.read(ini::kQuickSection, ini::kPixelHeight));
                if (q.settings.format == QStringLiteral(".JPG")) {
                    const JpgSizeOnResume jpg =
                        ResumeJpgSize(store_.read(ini::kQuickSection, ini::kJpgSize), host_.jpgSizeText());
                    if (jpg.action == JpgSizeOnResume::Action::StoreEditBoxText) {
                        StoreQuickShootSizes(store_, std::nullopt, std::nullopt, jpg.text);
                    } else if (jpg.action == JpgSizeOnResume::Action::SetEditBox) {
                        host_.setJpgSizeText(jpg.text);
                    }
                }
                if (q.settings.namingMode() == NamingMode::ExcelCell && !host_.nameListOpen()) {
                    host_.openNameListForPhotos();
                }
            } else {
                openSettingsWindow();
            }
        } else {
            storeSizesWhenKept(true, true);
        }
    }
    q.asked = true;
    centreFrame(video_->geometry());
    showFrameControls(shoot_->text() == kShootCaption);
}

void CameraWindow::openSettingsWindow() {
    if (openSettings_) {
        openSettings_(this);
    }
}

void CameraWindow::showFormatDialog() {
    if (const std::optional<CameraFormat> chosen =
            chooseFormat_ ? chooseFormat_(this, device_.formats(), device_.currentFormat()) : std::nullopt) {
        device_.setFormat(*chosen);
    }
    afterDriverDialog();
}

void CameraWindow::showSourceDialog() {
    if (editControls_) {
        editControls_(this, device_);
    }
    afterDriverDialog();
}

void CameraWindow::afterDriverDialog() {
    measureRatio();
    layoutCamera(size());
}

void CameraWindow::pressMove(NudgeCameraFrame::Direction direction) {
    moveFrameBy(nudge_.press(direction));
    timer_->start(NudgeCameraFrame::kIntervalMs);
}

void CameraWindow::releaseMove(NudgeCameraFrame::Direction direction) {
    nudge_.release(direction);
    timer_->stop();
}

void CameraWindow::moveFrameBy(QPoint offset) {
    if (!offset.isNull()) {
        framePos_ += offset;
        placeFrameBars();
    }
}

void CameraWindow::closeEvent(QCloseEvent* event) {
    closeCamera();
    QWidget::closeEvent(event);
}

void CameraWindow::closeCamera() {
    if (closed_) {
        return;
    }
    closed_ = true;
    timer_->stop();
    host_.closeNameList();
    device_.setPreview(false);
    device_.disconnectDevice();
    emit cameraClosed();
}

}  // namespace picura
