#include "app/widgets/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include "app/widgets/CameraController.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/CropPanelController.h"
#include "app/widgets/EditToolsController.h"
#include "app/widgets/EditToolsWindow.h"
#include "app/widgets/HintLine.h"
#include "app/widgets/HintStatusBar.h"
#include "app/widgets/Icons.h"
#include "app/widgets/MainBatchPort.h"
#include "app/widgets/NameListController.h"
#include "app/widgets/ViewPresenter.h"
#include "app/widgets/ViewWidget.h"
#include "help/AboutBox.h"
#include "help/HelpFile.h"
#include "help/HomePage.h"
#include "output/Naming.h"
#include "output/widgets/NamingPromptWindow.h"
#include "platform/MakeGlobalKeyGrabber.h"
#include "platform/OperatorDialogs.h"
#include "session/NavigationKeys.h"
#include "settings/SettingsFolder.h"
#include "settings/TextNumber.h"
#include "view/ViewRenderer.h"

namespace picura {

MainWindow::MainWindow(Services services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      boards_(QSize(411, 279)),
      presenter_(session_, boards_),
      actions_(session_, boards_, *services_.dialogs, presenter_),
      road_(*services_.dialogs,
            BusyPointerSaveHooks([this](const QString& path) { openNamingPrompt(path); })),
      nameList_(std::make_unique<NameListController>(
          *services_.dialogs,
          [this] { return NameListPurposeFor(batch_.active(), camera_ && camera_->quickShootOn()); })),
      batchPort_(std::make_unique<MainBatchPort>(MainBatchPort::Parts{})),
      batch_(session_, boards_, actions_, *services_.dialogs, *batchPort_, road_) {
    setObjectName(QStringLiteral("主窗口"));
    setWindowIcon(MakeAppIcon());
    setMouseTracking(true);
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("客户区"));
    client_->setMouseTracking(true);
    setCentralWidget(client_);

    // The focus box lies under the toolbar: it only takes the keyboard focus.
    focusBox_ = new QLineEdit(client_);
    focusBox_->setObjectName(QStringLiteral("焦点框"));
    focusBox_->setGeometry(364, 16, 216, 20);
    toolbar_ = new QToolBar(client_);
    toolbar_->setObjectName(QStringLiteral("工具条"));
    toolbar_->setGeometry(0, 0, 590, 49);
    toolbar_->setIconSize(QSize(24, 24));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setAutoFillBackground(true);  // the focus box lies hidden under it
    FillToolbar(toolbar_, [this](MainCommand c) { runCommand(c); });
    FillMenuBar(menuBar(), [this](MainCommand c) { runCommand(c); });
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
    presenter_.attach(view_, hbar_, vbar_, panel_);
    status_ = new HintStatusBar(client_);
    status_->setObjectName(QStringLiteral("状态条"));
    status_->setGeometry(0, 340, 588, 20);
    editTools_ = new EditToolsWindow(this);
    editTools_->hide();

    hints_ = new HintLine(status_, session_, HintLine::Watched{client_, editTools_, view_, toolbar_}, this);
    client_->installEventFilter(hints_);
    for (QWidget* w : std::initializer_list<QWidget*>{view_, hbar_, vbar_, toolbar_, status_}) {
        w->setMouseTracking(true);
        w->installEventFilter(hints_);
    }
    for (QToolButton* b : toolbar_->findChildren<QToolButton*>()) {
        b->setMouseTracking(true);
        b->installEventFilter(hints_);
    }
    // A component's mouse moves write its own hint; they must not reach the
    // window's surface, whose handler empties the hint line.
    for (QWidget* w : client_->findChildren<QWidget*>()) {
        w->setAttribute(Qt::WA_NoMousePropagation);
    }
    connect(panel_, &CropPanel::hovered, hints_, &HintLine::showHintOf);

    editTools_->setMouseTracking(true);
    editTools_->installEventFilter(hints_);
    for (QWidget* w : editTools_->findChildren<QWidget*>()) {
        w->setMouseTracking(true);
        w->installEventFilter(hints_);
        w->setAttribute(Qt::WA_NoMousePropagation);
    }

    CropPanelController::Host host;
    host.focusView = [this] { focusView(); };
    host.geometry = [this] {
        WindowGeometry g;
        g.view = view_->size();
        g.widthAllowance = allowances_.width;
        g.heightAllowance = allowances_.height;
        g.screen = screen_;
        g.frameMargins = frameGeometry().size() - size();
        g.cameraWindowOpen = camera_ && camera_->isOpen();
        return g;
    };
    host.frameResized = [this](const FrameSizeChange& change, bool width) { growForFrame(change, width); };
    host.jpgLimitSet = [this](double limitKb) {
        batch_.keepJpgLimit(limitKb);
        camera_->keepJpgLimit(limitKb);
    };
    host.frameColourChanged = [this] { camera_->frameColourChanged(); };
    panelController_ = new CropPanelController(panel_, session_, actions_, *services_.dialogs, host, this);
    connect(panel_->saveButton(), &QPushButton::clicked, this, &MainWindow::cropAndSave);

    camera_ = std::make_unique<CameraController>(
        CameraController::Parts{this, panel_, panelController_, &session_, &actions_, services_.dialogs,
                                services_.sound, services_.camera, [this] { return settingsFolder_; },
                                [this](const QString& path) { openNamingPrompt(path, true); }});
    camera_->useNameList(*nameList_);

    actions_.setClipboard(services_.clipboard);
    batch_.setSoundPlayer(services_.sound);
    navigationKeys_ = std::make_unique<NavigationKeys>(
        this, services_.keyGrabber ? services_.keyGrabber() : MakeGlobalKeyGrabber(),
        [this](bool next) { batch_.onNavigationKey(next); });
    // While one of our dialogs has the keyboard focus, A, S, D and F belong to it.
    navigationKeys_->LendToOtherWindows([this](const QWindow* w) { return w && w == windowHandle(); });
    *batchPort_ = MainBatchPort(MainBatchPort::Parts{this, status_, panel_, panelController_, editTools_,
                                                     navigationKeys_.get(), &session_, services_.dialogs,
                                                     &batch_, [this] { focusView(); }, nameList_.get(),
                                                     [this] { camera_->closeForBatch(); }});
    connectView();
    editController_ = new EditToolsController(*this, boards_, presenter_, *services_.dialogs);
    // The check-box pane ends `allowance` left of the window's outer right edge.
    batchPort_->connectStatusBar([this] { return lastOuter_.width() - allowances_.width; }, hints_);
}

MainWindow::~MainWindow() = default;

void MainWindow::connectView() {
    connect(view_, &ViewWidget::mousePressed, this,
            [this](Qt::MouseButton b, QPoint p, Qt::KeyboardModifiers) {
                if (b == Qt::LeftButton) {  // a right click belongs to the edit tools
                    actions_.onViewLeftDown(p.x(), p.y());
                }
            });
    connect(view_, &ViewWidget::mouseReleased, this, [this](Qt::MouseButton b, QPoint p) {
        if (b == Qt::LeftButton) {
            actions_.onViewLeftUp(p.x(), p.y());
        }
    });
    connect(view_, &ViewWidget::mouseMoved, this, [this](QPoint p, Qt::MouseButtons) {
        actions_.onViewMouseMove(p.x(), p.y());
        showHint(actions_.viewHint(navigationKeys_->IsRegistered(), view_->textInput()->isVisible(),
                                   hints_->current()));
    });
    connect(view_, &ViewWidget::wheelTurned, this, [this](int delta) { actions_.onWheel(delta); });
    connect(view_, &ViewWidget::keyPressed, this,
            [this](int key, Qt::KeyboardModifiers mods) { actions_.onViewKey(key, mods); });
    connect(view_, &ViewWidget::filesDropped, this,
            [this](const QString& list) { actions_.onFilesDropped(list); });
    const auto scrolled = [this] {
        if (!presenter_.syncingBars()) {
            actions_.onScroll(hbar_->value(), vbar_->value());
        }
    };
    for (QScrollBar* bar : {hbar_, vbar_}) {
        connect(bar, &QScrollBar::valueChanged, this, scrolled);
        connect(bar, &QScrollBar::sliderPressed, this, [this] { actions_.onSliderPressed(); });
        connect(bar, &QScrollBar::sliderReleased, this, [this] { focusView(); });
    }
}

void MainWindow::start() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    screen_ = screen.size();

    // Measure the client area at the standard outer size and grow the window by
    // the difference, so that the client area is 586 × 360 under any window frame.
    resize(kOuterWidth, kOuterHeight);
    layout()->activate();
    allowances_ = MeasureAllowances(client_->width(), client_->height());
    resize(width() + allowances_.width, height() + allowances_.height);
    layout()->activate();
    layoutMainWindow(width(), height());

    setWindowTitle(kWindowTitle);
    showHint(kStartHint);
    hbar_->setEnabled(false);
    vbar_->setEnabled(false);
    panel_->presetBox()->setCurrentIndex(0);

    // The frame at its default size, centred in the view.
    session_.viewCentre = QPoint(Trunc(view_->width() * 0.5), Trunc(view_->height() * 0.5));
    session_.frame = CropFrame{Trunc(session_.viewCentre.x() - kDefaultFrameWidth * 0.5),
                               Trunc(session_.viewCentre.y() - kDefaultFrameHeight * 0.5), kDefaultFrameWidth,
                               kDefaultFrameHeight};
    session_.jpgLimitKb = TextToNumber(panel_->jpgBox()->text());

    programFolder_ = services_.programFolder;
    settingsFolder_ = PrepareSettingsFolder(services_.programFolder, services_.fallbackSettingsBase);
    batch_.readSettings(settingsFolder_);
    quickShoot_ =
        ReadQuickShootSettings(SettingsStore(settingsFolder_ + QLatin1Char('/') + ini::kSettingsFileName),
                               int(QuickShootNamingEntries().size()));
    camera_->setStartSettings(quickShoot_);

    editTools_->hide();
    dockEditTools();
}

void MainWindow::layoutMainWindow(int W, int H) {
    lastOuter_ = QSize(W, H);
    const MainLayout l = ComputeMainLayout(W, H, allowances_);
    view_->setGeometry(l.view);
    hbar_->setGeometry(l.horizontalBar);
    vbar_->setGeometry(l.verticalBar);
    panel_->setGeometry(l.cropPanel);
    toolbar_->setGeometry(0, 0, std::max(590, client_->width() + 4), 49);
    status_->setGeometry(0, client_->height() - 20, client_->width() + 2, 20);
    status_->setPane0Width(l.statusPane0Width);

    actions_.onViewResized(l.view.size());
    if (session_.hasPicture()) {
        focusView();
    }
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        move(CentredOnScreen(frameGeometry().size(), s->geometry()));
    }
}

void MainWindow::growForFrame(const FrameSizeChange& change, bool width) {
    if (change.resizeCameraWindow) {
        camera_->frameSideChanged(width);
    }
    if (change.growWindow) {
        resize(width ? change.outerSize : this->width(), width ? this->height() : change.outerSize);
        if (size() != lastOuter_) {
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

void MainWindow::openNamingPrompt(const QString& temporaryPath, bool quickShoot) {
    NamingPromptInputs inputs;
    inputs.batchMode = !quickShoot && batch_.active();
    inputs.batchSaveFolder = batch_.settings().saveFolder;
    inputs.batchFormat = batch_.settings().format;
    inputs.quickShootSaveFolder = camera_->quickShoot().settings.saveFolder;
    inputs.quickShootFormat = camera_->quickShoot().settings.format;
    inputs.temporaryPath = temporaryPath;
    NamingPromptWindow prompt(
        inputs, *services_.dialogs, [this] { navigationKeys_->UnregisterNavigationKeys(); },
        [this] { navigationKeys_->RegisterNavigationKeys(); }, this);
    prompt.exec();
}

void MainWindow::cropAndSave() {
    panelController_->normaliseJpgText();
    actions_.completePicture();  // the crop is always taken from the full picture
    if (batch_.active()) {
        batch_.batchSave();
        return;
    }
    CropAndSaveInteractive(session_, boards_, road_, *services_.dialogs, saveMemory_,
                           SaveStartFolder(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                                           QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
                                           QStandardPaths::writableLocation(QStandardPaths::HomeLocation)));
    focusView();
}

void MainWindow::toggleEditTools() {
    if (!session_.hasPicture()) {
        services_.dialogs->tell(kNoPictureMessage, QStringLiteral("提示"));
        return;
    }
    editToolsShown_ = !editToolsShown_;
    if (editToolsShown_) {
        editTools_->show();
        dockEditTools();
        focusBox_->setFocus();
    } else {
        editTools_->hide();
        session_.tool = EditTool::None;
        presenter_.dropPendingText();
        presenter_.setViewCursor(ViewCursor::Arrow);
    }
    focusView();
}

void MainWindow::startCamera(bool leaveBatchMode) {
    if (leaveBatchMode && batch_.active()) {
        batch_.switchOff();
    }
    camera_->open();
}

void MainWindow::runCommand(MainCommand command) {
    switch (command) {
        case MainCommand::Open:
            actions_.openPictureDialog();
            focusView();
            break;
        case MainCommand::Save: cropAndSave(); break;
        case MainCommand::ZoomIn: actions_.zoomBy(kZoomInFactor); break;
        case MainCommand::ZoomOut: actions_.zoomBy(kZoomOutFactor); break;
        case MainCommand::TurnRight: actions_.rotateCurrentPicture(90); break;
        case MainCommand::TurnLeft: actions_.rotateCurrentPicture(-90); break;
        case MainCommand::EditTools: toggleEditTools(); break;
        case MainCommand::Camera: startCamera(true); break;
        case MainCommand::CameraKeepingBatch: startCamera(false); break;
        case MainCommand::Help:
            ShowHelpFile(programFolder_, settingsFolder_, *services_.opener, *services_.dialogs);
            break;
        case MainCommand::HomePage: ShowHomePage(*services_.opener, *services_.dialogs); break;
        case MainCommand::About: ShowAboutBox(*services_.dialogs); break;
    }
}

void MainWindow::dockEditTools() {
    editTools_->move(EditToolsPosition(frameGeometry().topLeft()));
}

void MainWindow::showHint(const QString& text) {
    hints_->show(text);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!shutDown_ && lastOuter_.width() != 0 && size() != lastOuter_) {
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
    session_.dropPicture();
    navigationKeys_->UnregisterNavigationKeys();
    camera_->closeForBatch();
    editTools_->close();
    // The Name list has no owner: it would keep the program running. Its workbook is released.
    nameList_->close();
}

}  // namespace picura
