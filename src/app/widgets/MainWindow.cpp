#include "app/widgets/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include "platform/MakeGlobalKeyGrabber.h"
#include "session/NavigationKeys.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/EditToolsWindow.h"
#include "app/widgets/HintStatusBar.h"
#include "app/widgets/Icons.h"
#include "app/widgets/SpinLineEdit.h"
#include "app/widgets/ViewWidget.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "help/AboutBox.h"
#include "help/HelpFile.h"
#include "help/HomePage.h"
#include "output/widgets/NamingPromptWindow.h"
#include "platform/OperatorDialogs.h"
#include "settings/SettingsFolder.h"
#include "settings/TextNumber.h"
#include "view/FrameSize.h"
#include "view/ViewRenderer.h"

namespace picura {

namespace {

struct ToolbarEntry {
    const char* caption;  // nullptr for a separator
    const char* tooltip;
    ToolbarIcon icon;
};

const ToolbarEntry kToolbarEntries[13] = {
    {nullptr, nullptr, ToolbarIcon::Open},
    {"打开", "打开一幅图片", ToolbarIcon::Open},
    {"保存", "保存采集框内图片", ToolbarIcon::Save},
    {nullptr, nullptr, ToolbarIcon::Open},
    {"放大", "放大显示", ToolbarIcon::Zoom},
    {"缩小", "缩小显示", ToolbarIcon::Zoom},
    {"顺转", "顺时针转90度", ToolbarIcon::RotateRight},
    {"逆转", "逆时针转90度", ToolbarIcon::RotateLeft},
    {"编辑", "编辑图象", ToolbarIcon::Edit},
    {nullptr, nullptr, ToolbarIcon::Open},
    {"拍摄", "启动摄像头", ToolbarIcon::Camera},
    {"帮助", "使用帮助", ToolbarIcon::Help},
    {"主页", "软件主页", ToolbarIcon::Home},
};

}  // namespace

MainWindow::MainWindow(Services services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      boards_(QSize(411, 279)),
      actions_(state_, boards_, *services_.dialogs, *this),
      batch_(state_, boards_, actions_, *services_.dialogs, *this) {
    setObjectName(QStringLiteral("主窗口"));
    setWindowIcon(MakeAppIcon());
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("客户区"));
    client_->setMouseTracking(true);
    client_->installEventFilter(this);
    setCentralWidget(client_);
    setMouseTracking(true);

    // The focus box lies under the toolbar: it only takes the keyboard focus.
    focusBox_ = new QLineEdit(client_);
    focusBox_->setObjectName(QStringLiteral("焦点框"));
    focusBox_->setGeometry(364, 16, 216, 20);

    buildToolbar();
    buildMenu();

    view_ = new ViewWidget(client_);
    view_->setGeometry(4, 48, 411, 279);
    view_->setAcceptDrops(true);

    hbar_ = new QScrollBar(Qt::Horizontal, client_);
    hbar_->setObjectName(QStringLiteral("横向滚动条"));
    hbar_->setGeometry(4, 328, 411, 12);
    vbar_ = new QScrollBar(Qt::Vertical, client_);
    vbar_->setObjectName(QStringLiteral("纵向滚动条"));
    vbar_->setGeometry(416, 48, 12, 279);

    panel_ = new CropPanel(client_);
    panel_->setGeometry(432, 48, 152, 292);

    status_ = new HintStatusBar(client_);
    status_->setObjectName(QStringLiteral("状态条1"));
    status_->setGeometry(0, 340, 588, 20);

    for (QWidget* w : std::initializer_list<QWidget*>{view_, hbar_, vbar_, toolbar_, status_}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    // A component's mouse moves write its own hint; they must not reach the
    // window's surface, whose handler empties the hint line.
    for (QWidget* w : client_->findChildren<QWidget*>()) {
        w->setAttribute(Qt::WA_NoMousePropagation);
    }
    connect(panel_, &CropPanel::hovered, this, [this](QWidget* w) { hoverHint(w); });

    editTools_ = new EditToolsWindow(this);
    editTools_->hide();
    editTools_->setMouseTracking(true);
    editTools_->installEventFilter(this);
    for (QWidget* w : editTools_->findChildren<QWidget*>()) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
        w->setAttribute(Qt::WA_NoMousePropagation);
    }

    cropTimer_ = new QTimer(this);
    cropTimer_->setObjectName(QStringLiteral("截图时钟"));
    cropTimer_->setTimerType(Qt::PreciseTimer);
    cropTimer_->setInterval(MoveRepeat::kIntervalMs);
    connect(cropTimer_, &QTimer::timeout, this, [this] {
        if (moveRepeat_.tick(state_.frame, state_.pictureLoaded)) {
            actions_.showMovedFrame();
        }
        if (!moveRepeat_.timerRunning()) {
            cropTimer_->stop();
        }
    });
    actions_.setClipboard(services_.clipboard);
    connectView();
    connectPanel();

    navigationKeys_ = std::make_unique<NavigationKeys>(
        this, services_.keyGrabber ? services_.keyGrabber() : MakeGlobalKeyGrabber(),
        [this](bool next) { batch_.onNavigationKey(next); });
    // While one of our dialogs has the keyboard focus, A, S, D and F belong to it.
    navigationKeys_->LendToOtherWindows([this](const QWindow* w) { return w && w == windowHandle(); });
    connect(status_, &HintStatusBar::pressed, this, [this](Qt::MouseButton button, int x) {
        const int paneRight = state_.lastOuterWidth - state_.allowances.width;
        if (button == Qt::LeftButton) {
            batch_.onStatusLeftPress(x, paneRight);
        } else if (button == Qt::RightButton) {
            batch_.onStatusRightPress(x, paneRight);
        }
    });
    connect(status_, &HintStatusBar::mouseMoved, this, [this](int x) {
        const int paneRight = state_.lastOuterWidth - state_.allowances.width;
        if (BatchController::InCheckBoxPane(x, paneRight)) {
            showHint(QStringLiteral("勾选、右击此选择框可弹出批量截图设置窗口。"));
        } else if (navigationKeys_->IsRegistered()) {
            showHint(QStringLiteral("A键或S键：下一图片   D键或F键：上一图片"));
        } else if (!state_.pictureLoaded) {
            showHint(kStartHint);
        } else {
            clearHint();
        }
    });
}

void MainWindow::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void MainWindow::setBatchChecked(bool checked) {
    status_->setBatchChecked(checked);
}

void MainWindow::openBatchSettings(bool modal) {
    BatchSettingsInputs inputs;
    inputs.batch = state_.batch;
    inputs.pixelWidthText = panel_->widthBox()->text();
    inputs.pixelHeightText = panel_->heightBox()->text();
    normaliseJpgText();
    inputs.jpgSizeText = panel_->jpgBox()->text();
    BatchSettingsHooks hooks;
    hooks.releaseKeys = [this] { unregisterKeys(); };
    hooks.formatChanged = [this](OutputFormat f) { state_.batch.format = FormatText(f); };
    hooks.namingChanged = [this](int index) { state_.batch.namingIndex = index; };
    hooks.cropSoundChanged = [this](bool on) { state_.batch.sound = on; };
    hooks.apply = [this](const BatchSettingsResult& r) { batch_.applySettings(r); };
    hooks.useNameListForCrop = [this] { openNameList(); };
    hooks.takeKeys = [this] { registerKeys(); };
    hooks.closed = [this](bool confirmed) {
        batch_.settingsClosed(confirmed);
        // Closed without 确定 while batch crop goes on (the check box stays ticked): the keys the
        // window released work again.
        if (!confirmed && state_.batchMode) {
            registerKeys();
        }
        focusView();
    };
    auto* window = new BatchSettingsWindow(inputs, SettingsStore(state_.settingsPath()), *services_.dialogs,
                                           hooks, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (modal) {
        window->exec();
    } else {
        window->show();
    }
}

void MainWindow::setPixelTexts(const QString& width, const QString& height) {
    panel_->widthBox()->setText(width);
    panel_->heightBox()->setText(height);
}

QString MainWindow::jpgText() const {
    // The value in use, even while the box still holds what is being typed.
    const QString text = panel_->jpgBox()->text();
    return NormaliseJpgLimit(text).newText.value_or(text);
}

void MainWindow::setJpgText(const QString& text) {
    panel_->jpgBox()->setText(text);
}

void MainWindow::registerKeys() {
    navigationKeys_->RegisterNavigationKeys();
}

void MainWindow::unregisterKeys() {
    navigationKeys_->UnregisterNavigationKeys();
}

void MainWindow::untickEditTools() {
    state_.penOn = state_.textOn = state_.eyedropperOn = false;
    editTools_->penBox()->setChecked(false);
    editTools_->textBox()->setChecked(false);
    editTools_->eyedropperBox()->setChecked(false);
}

void MainWindow::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void MainWindow::playCropSound() {
    // The sounds come with the camera; nothing plays yet.
}

void MainWindow::openNamingPrompt(const QString& temporaryPath) {
    NamingPromptInputs inputs;
    inputs.batchMode = state_.batchMode;
    inputs.quickShootMode = state_.quickShootMode;
    inputs.batchSaveFolder = state_.batch.saveFolder;
    inputs.batchFormat = state_.batch.format;
    inputs.quickShootSaveFolder = state_.quickShoot.saveFolder;
    inputs.quickShootFormat = state_.quickShoot.format;
    inputs.temporaryPath = temporaryPath;
    NamingPromptWindow prompt(
        inputs, *services_.dialogs, [this] { unregisterKeys(); }, [this] { registerKeys(); }, this);
    prompt.exec();
}

bool MainWindow::openNameList() {
    services_.dialogs->tell(QStringLiteral("名单窗口（导入EXCEL）尚未提供，请选择其他命名方式。"),
                            QStringLiteral("提示"));
    return false;
}

void MainWindow::connectView() {
    connect(view_, &ViewWidget::mousePressed, this,
            [this](Qt::MouseButton b, QPoint p, Qt::KeyboardModifiers) {
                if (b == Qt::LeftButton) {
                    actions_.onViewLeftDown(p.x(), p.y());
                } else if (b == Qt::RightButton) {
                    // A right click switches every editing tool off.
                    untickEditTools();
                    dropPendingText();
                    setViewCursor(ViewCursor::Arrow);
                    actions_.repaintView();
                }
            });
    connect(view_, &ViewWidget::mouseReleased, this, [this](Qt::MouseButton b, QPoint p) {
        if (b == Qt::LeftButton) {
            actions_.onViewLeftUp(p.x(), p.y());
        }
    });
    connect(view_, &ViewWidget::mouseMoved, this, [this](QPoint p, Qt::MouseButtons) {
        actions_.onViewMouseMove(p.x(), p.y());
        showHint(actions_.viewHint(navigationKeys_->IsRegistered(), view_->textInput()->isVisible()));
    });
    connect(view_, &ViewWidget::wheelTurned, this, [this](int delta) { actions_.onWheel(delta); });
    connect(view_, &ViewWidget::keyPressed, this,
            [this](int key, Qt::KeyboardModifiers mods) { actions_.onViewKey(key, mods); });
    connect(view_, &ViewWidget::filesDropped, this,
            [this](const QString& list) { actions_.onFilesDropped(list); });
    const auto scrolled = [this] {
        if (!syncingBars_) {
            actions_.onScroll(hbar_->value(), vbar_->value());
        }
    };
    connect(hbar_, &QScrollBar::valueChanged, this, scrolled);
    connect(vbar_, &QScrollBar::valueChanged, this, scrolled);
    for (QScrollBar* bar : {hbar_, vbar_}) {
        connect(bar, &QScrollBar::sliderPressed, this, [this] { state_.buttonHeld = false; });
        connect(bar, &QScrollBar::sliderReleased, this, [this] { focusView(); });
    }
}

void MainWindow::connectPanel() {
    connect(panel_, &CropPanel::moveButtonPressed, this, [this](int d) { onMoveButton(d, true); });
    connect(panel_, &CropPanel::moveButtonReleased, this, [this](int d) { onMoveButton(d, false); });
    connect(panel_->presetBox(), &QComboBox::activated, this, &MainWindow::applySizePreset);
    connect(panel_->widthBox(), &QLineEdit::textChanged, this, [this] { applyFrameSide(true); });
    connect(panel_->heightBox(), &QLineEdit::textChanged, this, [this] { applyFrameSide(false); });
    connect(panel_->widthBox(), &SpinLineEdit::spun, this, [this](int step) { spinPixelBox(true, step); });
    connect(panel_->heightBox(), &SpinLineEdit::spun, this, [this](int step) { spinPixelBox(false, step); });
    for (SpinLineEdit* box : {panel_->widthBox(), panel_->heightBox()}) {
        connect(box, &SpinLineEdit::characterTyped, this,
                [this] { panel_->presetBox()->setCurrentIndex(kCustomSizePreset); });
    }
    connect(panel_->jpgBox(), &QLineEdit::textChanged, this, &MainWindow::applyJpgLimit);
    connect(panel_->jpgBox(), &QLineEdit::editingFinished, this, &MainWindow::normaliseJpgText);
    connect(panel_, &CropPanel::jpgSpun, this, [this](int step) {
        panel_->jpgBox()->setText(SpinJpgLimitText(panel_->jpgBox()->text(), step));
    });
    connect(panel_, &CropPanel::frameColourClicked, this, &MainWindow::chooseFrameColour);
    connect(panel_->saveButton(), &QPushButton::clicked, this, &MainWindow::cropAndSave);
}

void MainWindow::applySizePreset(int index) {
    const std::optional<PresetTexts> texts = SizePresetTexts(index);
    if (!texts) {
        focusView();
        return;
    }
    panel_->widthBox()->setText(texts->width);
    panel_->heightBox()->setText(texts->height);
    // The arrow keys that follow move the frame, not the preset.
    focusView();
}

void MainWindow::spinPixelBox(bool width, int step) {
    panel_->presetBox()->setCurrentIndex(kCustomSizePreset);
    SpinLineEdit* box = width ? panel_->widthBox() : panel_->heightBox();
    box->setText(SpinPixelText(box->text(), step));
}

void MainWindow::applyFrameSide(bool width) {
    WindowGeometry geometry;
    geometry.view = view_->size();
    geometry.widthAllowance = state_.allowances.width;
    geometry.heightAllowance = state_.allowances.height;
    geometry.screen = QSize(state_.screenWidth, state_.screenHeight);
    geometry.frameMargins = frameGeometry().size() - size();
    geometry.cameraWindowOpen = state_.cameraOpen;
    const QString text = (width ? panel_->widthBox() : panel_->heightBox())->text();
    const FrameSizeChange change =
        ApplyFrameSide(state_.frame, width ? FrameSide::Width : FrameSide::Height, text, geometry);
    growForFrame(change, width);
}

void MainWindow::growForFrame(const FrameSizeChange& change, bool width) {
    if (change.growWindow) {
        const int newWidth = width ? change.outerSize : this->width();
        const int newHeight = width ? this->height() : change.outerSize;
        resize(newWidth, newHeight);
        if (this->width() != state_.lastOuterWidth || this->height() != state_.lastOuterHeight) {
            layoutMainWindow(this->width(), this->height());
        } else {
            // The window already has that size (it never shrinks): no layout runs, so the
            // outline must be drawn at the new frame size here.
            actions_.repaintView();
        }
        if (change.showScreenTooSmall) {
            services_.dialogs->tell(QString::fromUtf8(kScreenTooSmallMessage),
                                    QString::fromUtf8(kScreenTooSmallTitle));
        }
    } else if (change.placeAndRepaint) {
        actions_.repaintView();
    }
}

void MainWindow::applyJpgLimit() {
    // The text stays as typed ("12." on the way to "12.5", an empty box before new digits); its
    // normal form is written when the box loses the focus or the limit is used.
    const JpgLimitResult r = NormaliseJpgLimit(panel_->jpgBox()->text());
    state_.jpgLimitKb = r.limit;
    if (r.newText) {
        return;  // stored once the text is normal
    }
    const SettingsStore store(state_.settingsPath());
    const QString value = NumberText(r.limit);
    if (state_.batchMode && state_.batch.keepSettings && state_.batch.format == QStringLiteral(".JPG")) {
        store.write(ini::kBatchSection, ini::kJpgSize, value);
    }
    if (state_.quickShootMode && state_.quickShoot.keepSettings &&
        state_.quickShoot.format == QStringLiteral(".JPG")) {
        store.write(ini::kQuickSection, ini::kJpgSize, value);
    }
}

void MainWindow::normaliseJpgText() {
    const JpgLimitResult r = NormaliseJpgLimit(panel_->jpgBox()->text());
    if (r.newText) {
        panel_->jpgBox()->setText(*r.newText);  // raises applyJpgLimit with the normal text
    }
}

void MainWindow::chooseFrameColour() {
    const std::optional<QColor> colour =
        services_.dialogs->pickColour(panel_->frameColour(), QStringLiteral("采集框颜色"));
    if (!colour) {
        return;
    }
    panel_->setFrameColour(*colour);
    actions_.repaintView();
    focusView();
}

void MainWindow::cropAndSave() {
    normaliseJpgText();
    if (state_.batchMode) {
        batch_.batchSave();
        return;
    }
    CropAndSaveInteractive(state_, boards_, *services_.dialogs, saveMemory_,
                           SaveStartFolder(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                                           QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
                                           QStandardPaths::writableLocation(QStandardPaths::HomeLocation)));
    focusView();
}

void MainWindow::toggleEditTools() {
    if (!state_.pictureLoaded) {
        services_.dialogs->tell(kNoPictureMessage, QStringLiteral("提示"));
        return;
    }
    if (!state_.editToolsShown) {
        state_.editToolsShown = true;
        editTools_->show();
        dockEditTools();
        focusBox_->setFocus();
        focusView();
        return;
    }
    state_.editToolsShown = false;
    editTools_->hide();
    state_.penOn = state_.textOn = state_.eyedropperOn = false;
    dropPendingText();
    setViewCursor(ViewCursor::Arrow);
    focusView();
}

void MainWindow::showHelp() {
    ShowHelpFile(state_.programFolder, state_.settingsFolder, *services_.opener, *services_.dialogs);
}

void MainWindow::startCamera(bool leaveBatchMode) {
    if (leaveBatchMode && state_.batchMode) {
        batch_.switchOff();
    }
    services_.dialogs->tell(QStringLiteral("未找到可用的摄像头，拍摄功能暂不可用。"), QStringLiteral("提示"));
}

void MainWindow::onMoveButton(int direction, bool pressed) {
    const auto d = static_cast<MoveDirection>(direction);
    if (!pressed) {
        moveRepeat_.release(d);
        cropTimer_->stop();
        focusView();
        return;
    }
    if (!state_.pictureLoaded) {
        services_.dialogs->tell(kNoPictureMessage, QStringLiteral("提示"));
        return;
    }
    moveRepeat_.press(state_.frame, d);
    actions_.showMovedFrame();
    cropTimer_->start();
}

QColor MainWindow::frameColour() const {
    return panel_->frameColour();
}

void MainWindow::showView() {
    view_->setImage(boards_.visible.image());
    syncingBars_ = true;
    const auto sync = [](QScrollBar* bar, const ScrollBarState& s) {
        bar->setEnabled(s.enabled);
        bar->setRange(0, s.enabled ? s.range : 0);
        bar->setValue(s.enabled ? s.position : 0);
        bar->setPageStep(std::max(1, s.range / 10));
    };
    sync(hbar_, state_.view.horizontal);
    sync(vbar_, state_.view.vertical);
    syncingBars_ = false;
}

void MainWindow::focusView() {
    view_->setFocus();
}

void MainWindow::dropPendingText() {
    view_->textInput()->hide();
    view_->textInput()->clear();
}

void MainWindow::setViewCursor(ViewCursor cursor) {
    switch (cursor) {
        case ViewCursor::Arrow: view_->setCursor(Qt::ArrowCursor); break;
        case ViewCursor::Move: view_->setCursor(Qt::SizeAllCursor); break;
        case ViewCursor::IBeam: view_->setCursor(Qt::IBeamCursor); break;
        case ViewCursor::Pen: view_->setCursor(MakePenCursor()); break;
        case ViewCursor::Eyedropper: view_->setCursor(MakeEyedropperCursor()); break;
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::buildToolbar() {
    toolbar_ = new QToolBar(client_);
    toolbar_->setObjectName(QStringLiteral("工具条1"));
    toolbar_->setGeometry(0, 0, 590, 49);
    toolbar_->setIconSize(QSize(24, 24));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar_->setMovable(false);
    toolbar_->setAutoFillBackground(true);  // the focus box lies hidden under it
    toolbar_->setFloatable(false);
    for (int i = 0; i < 13; ++i) {
        const ToolbarEntry& e = kToolbarEntries[i];
        if (!e.caption) {
            toolbar_->addSeparator();
            continue;
        }
        QAction* a = toolbar_->addAction(MakeToolbarIcon(e.icon), QString::fromUtf8(e.caption));
        a->setToolTip(QString::fromUtf8(e.tooltip));
        connect(a, &QAction::triggered, this, [this, i] { onToolbarClick(i); });
    }
    for (QToolButton* b : toolbar_->findChildren<QToolButton*>()) {
        b->setMouseTracking(true);
        b->installEventFilter(this);
        b->setFocusPolicy(Qt::NoFocus);
    }
}

void MainWindow::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件"));
    file->addAction(QStringLiteral("打开"), this, [this] {
        actions_.openPictureDialog();
        focusView();
    });
    file->addAction(QStringLiteral("编辑"), this, [this] { toggleEditTools(); });
    file->addAction(QStringLiteral("拍摄"), this, [this] { startCamera(false); });
    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助"));
    help->addAction(QStringLiteral("关于"), this, [this] { ShowAboutBox(*services_.dialogs); });
    help->addAction(QStringLiteral("使用帮助"), this, [this] { showHelp(); });
}

void MainWindow::start() {
    // 1. The primary screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    state_.screenWidth = screen.width();
    state_.screenHeight = screen.height();

    // 2-3. Measure the client area at the designed outer size and grow the
    // window by the difference, so that the client area is 586 × 360.
    resize(kDesignedOuterWidth, kDesignedOuterHeight);
    layout()->activate();
    state_.allowances = MeasureAllowances(client_->width(), client_->height());
    resize(width() + state_.allowances.width, height() + state_.allowances.height);
    layout()->activate();
    layoutMainWindow(width(), height());

    // 4-6. Title, hint, scroll bars, size type.
    setWindowTitle(kWindowTitle);
    state_.currentHint = kStartHint;
    status_->setHint(kStartHint);
    hbar_->setEnabled(false);
    vbar_->setEnabled(false);
    panel_->presetBox()->setCurrentIndex(0);

    // 7-8. The frame, centred in the view.
    state_.viewCentre = QPoint(Trunc(view_->width() * 0.5), Trunc(view_->height() * 0.5));
    state_.frame = CropFrame{Trunc(state_.viewCentre.x() - kDefaultFrameWidth * 0.5),
                             Trunc(state_.viewCentre.y() - kDefaultFrameHeight * 0.5), kDefaultFrameWidth,
                             kDefaultFrameHeight};

    // 9-10. Text metrics, camera aspect and the JPG limit.
    state_.textCharWidth = 6;
    state_.textLineHeight = 12;
    state_.cameraAspect = 0.75;
    state_.jpgLimitKb = TextToNumber(panel_->jpgBox()->text());

    // 11-13. Folders and settings.
    state_.programFolder = services_.programFolder;
    state_.settingsFolder = PrepareSettingsFolder(services_.programFolder, services_.fallbackSettingsBase);
    ReadStartupSettings(state_);

    // 15. The Edit tools window, hidden and docked.
    editTools_->hide();
    dockEditTools();
}

void MainWindow::layoutMainWindow(int W, int H) {
    state_.lastOuterWidth = W;
    state_.lastOuterHeight = H;
    const MainLayout l = ComputeMainLayout(W, H, state_.allowances);
    view_->setGeometry(l.view);
    hbar_->setGeometry(l.horizontalBar);
    vbar_->setGeometry(l.verticalBar);
    panel_->setGeometry(l.cropPanel);
    toolbar_->setGeometry(0, 0, std::max(590, client_->width() + 4), 49);
    status_->setGeometry(0, client_->height() - 20, client_->width() + 2, 20);
    status_->setPane0Width(l.statusPane0Width);

    actions_.onViewResized(l.view.size());
    if (state_.pictureLoaded) {
        focusView();
    }
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        move(CentredOnScreen(frameGeometry().size(), s->geometry()));
    }
}

void MainWindow::dockEditTools() {
    const QPoint p = EditToolsPosition(frameGeometry().topLeft());
    editTools_->move(p);
}

void MainWindow::onToolbarClick(int index) {
    switch (index) {
        case 1: actions_.openPictureDialog(); break;
        case 2: cropAndSave(); break;
        case 4: actions_.zoomBy(kZoomInFactor); break;
        case 5: actions_.zoomBy(kZoomOutFactor); break;
        case 6: actions_.rotateCurrentPicture(90); break;
        case 7: actions_.rotateCurrentPicture(-90); break;
        case 8: toggleEditTools(); break;
        case 10: startCamera(true); break;
        case 11: showHelp(); break;
        case 12: ShowHomePage(*services_.opener, *services_.dialogs); break;
        default: break;  // separators
    }
}

void MainWindow::showHint(const QString& text) {
    if (ShowHint(state_, text)) {
        status_->setHint(text);
    }
}

void MainWindow::hoverHint(QObject* component) {
    const QString name = component->objectName();
    static const QHash<QString, QString> kHints = {
        {QStringLiteral("截图保存按钮"), QStringLiteral("保存采集框内图片")},
        {QStringLiteral("截图上移按钮"), QStringLiteral("上移采集框")},
        {QStringLiteral("截图下移按钮"), QStringLiteral("下移采集框")},
        {QStringLiteral("截图左移按钮"), QStringLiteral("左移采集框")},
        {QStringLiteral("截图右移按钮"), QStringLiteral("右移采集框")},
        {QStringLiteral("像素宽编辑框"), QStringLiteral("设置输出图片宽度")},
        {QStringLiteral("宽度标签"), QStringLiteral("设置输出图片宽度")},
        {QStringLiteral("像素高编辑框"), QStringLiteral("设置输出图片高度")},
        {QStringLiteral("高度标签"), QStringLiteral("设置输出图片高度")},
        {QStringLiteral("JPG体积标签"), QStringLiteral("预设JPG图片输出体积")},
        {QStringLiteral("小于编辑框"), QStringLiteral("预设JPG图片输出体积")},
        {QStringLiteral("JPG体积编辑框"), QStringLiteral("预设JPG图片输出体积")},
        {QStringLiteral("采集框颜色选择器"), QStringLiteral("采集框颜色不会影响输出图片颜色")},
        {QStringLiteral("颜色选择标签"), QStringLiteral("采集框颜色不会影响输出图片颜色")},
        {QStringLiteral("横向滚动条"), QStringLiteral("左右移动图片")},
        {QStringLiteral("纵向滚动条"), QStringLiteral("上下移动图片")},
        // The Edit tools window.
        {QStringLiteral("画笔选择框"), QStringLiteral("画笔工具")},
        {QStringLiteral("文字选择框"), QStringLiteral("文字工具，右击文字工具按钮可设置字体。")},
        {QStringLiteral("吸管选择框"), QStringLiteral("吸取颜色")},
        {QStringLiteral("颜色选择器1"), QStringLiteral("设置画笔及文字颜色")},
        {QStringLiteral("图片框1"), QStringLiteral("选取画笔文字颜色")},
        {QStringLiteral("线宽编辑框"), QStringLiteral("设置画笔粗细")},
    };
    const auto it = kHints.constFind(name);
    if (it != kHints.constEnd()) {
        showHint(*it);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        if (watched == editTools_) {
            // The Edit tools window's own surface empties the hint line unconditionally.
            state_.currentHint.clear();
            status_->setHint(QString());
        } else if (watched == client_) {
            clearHint();
        } else if (watched == view_ || (watched->parent() == toolbar_) || watched == toolbar_) {
            if (!state_.pictureLoaded) {
                showHint(kStartHint);
            } else if (watched != view_) {
                clearHint();
            }
        } else {
            hoverHint(watched);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!shutDown_ && state_.lastOuterWidth != 0 &&
        (width() != state_.lastOuterWidth || height() != state_.lastOuterHeight)) {
        layoutMainWindow(width(), height());
    }
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    dockEditTools();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    shutDown();
    event->accept();
}

void MainWindow::shutDown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    state_.picture = Picture();
    navigationKeys_->UnregisterNavigationKeys();
    editTools_->close();
}

}  // namespace picura
