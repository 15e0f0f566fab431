#include "app/widgets/CameraController.h"

#include <QDateTime>
#include <QLineEdit>

#include "app/MainActions.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/CropPanelController.h"
#include "app/widgets/NameListController.h"
#include "app/widgets/SpinLineEdit.h"
#include "camera/QuickShoot.h"
#include "camera/widgets/CameraWindow.h"
#include "camera/widgets/QuickShootSettingsWindow.h"
#include "imaging/Picture.h"
#include "output/OutputFormat.h"
#include "platform/CameraDevice.h"
#include "platform/OperatorDialogs.h"
#include "platform/SoundPlayer.h"
#include "session/Session.h"
#include "settings/SettingsStore.h"
#include "settings/TextNumber.h"
#include "view/ViewBoards.h"

namespace picura {

namespace {

// Where no sound player was given the shutter stays silent.
class SilentPlayer final : public SoundPlayer {
  public:
    void playWaveBytes(const QByteArray&) override {}
};

// A device with nothing attached, for a program given no camera.
class NoCameraDevice final : public CameraDevice {
  public:
    int deviceCount() override { return 0; }
    bool connectLast() override { return false; }
    void disconnectDevice() override {}
    CameraState state() const override { return CameraState::Disconnected; }
    void setPreview(bool, int) override {}
    void setPreviewSize(QSize) override {}
    QImage currentFrame() override { return {}; }
    QList<CameraFormat> formats() override { return {}; }
    CameraFormat currentFormat() const override { return {}; }
    bool setFormat(const CameraFormat&) override { return false; }
    QList<CameraControl> controls() override { return {}; }
    bool setControl(const QString&, int) override { return false; }
};

// After a photo saved under the roster's current name: the roster's next row, when the operator ticked
// the auto-next-row box and the list still holds a workbook and a name.
class AdvanceRosterAfterPhoto final : public AfterSaveStep {
  public:
    explicit AdvanceRosterAfterPhoto(const CameraController::NameListHooks& list) : list_(list) {}
    void afterSave(const SaveTarget&) override {
        if (!list_.state || !list_.autoNextRow || !list_.advanceRow) {
            return;
        }
        const NameListState state = list_.state();
        if (state.windowOpen && state.workbookLoaded && !state.currentName.isEmpty() && list_.autoNextRow()) {
            list_.advanceRow();
        }
    }

  private:
    const CameraController::NameListHooks& list_;
};

}  // namespace

CameraController::CameraController(Parts parts, QObject* parent)
    : QObject(parent), p_(std::move(parts)), road_(*p_.dialogs, SaveRoad::Hooks{{}, p_.namingPrompt}) {
    if (!p_.sound) {
        silence_ = std::make_unique<SilentPlayer>();
    }
}

CameraController::~CameraController() {
    // The window uses the device and this host: it goes first.
    delete window_.data();
}

CameraWindow* CameraController::window() const {
    return window_.data();
}

void CameraController::setStartSettings(const ModeSettings& settings) {
    QuickShootSettings& s = state_.settings;
    s.mode = false;
    s.saveFolder = settings.saveFolder;
    s.format = settings.format;
    s.namingIndex = settings.namingIndex;
    s.customPrefix = settings.customPrefix;
    s.shutterSound = settings.sound;
    s.keepSettings = settings.keepSettings;
}

void CameraController::useNameList(NameListController& list) {
    NameListController* l = &list;
    setNameListHooks(NameListHooks{[l] { return l->state(); }, [l] { l->open(); }, [l] { l->focus(); },
                                   [l] { l->close(); }, [l] { return l->autoNextRow(); },
                                   [l] { l->advanceRow(); }});
}

void CameraController::keepJpgLimit(double limitKb) {
    const QuickShootSettings& s = state_.settings;
    if (quickShootOn() && s.keepSettings && s.format == QStringLiteral(".JPG")) {
        StoreQuickShootSizes(SettingsStore(settingsPath()), std::nullopt, std::nullopt, NumberText(limitKb));
    }
}

QString CameraController::settingsPath() const {
    const QString folder = p_.settingsFolder ? p_.settingsFolder() : QString();
    return folder + QLatin1Char('/') + ini::kSettingsFileName;
}

void CameraController::open() {
    if (window_ && open_) {
        window_->showNormal();
        window_->raise();
        window_->activateWindow();
        return;
    }
    if (!device_) {
        device_ = p_.makeDevice ? p_.makeDevice() : nullptr;
        if (!device_) {
            device_ = std::make_unique<NoCameraDevice>();
        }
    }
    // Not modal and without owner: it stays open beside the Main window until the operator closes it.
    auto* window = new CameraWindow(*device_, p_.sound ? *p_.sound : *silence_, *p_.dialogs, *this,
                                    SettingsStore(settingsPath()));
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &CameraWindow::cameraClosed, this, [this] { open_ = false; });
    window_ = window;
    open_ = true;
    window->show();
}

void CameraController::closeForBatch() {
    state_.settings.mode = false;
    if (!window_) {
        return;
    }
    for (QuickShootSettingsWindow* settings : window_->findChildren<QuickShootSettingsWindow*>()) {
        settings->reject();
    }
    if (open_) {
        window_->close();
    }
}

void CameraController::frameSideChanged(bool width) {
    if (!window_ || !open_) {
        return;
    }
    if (width) {
        window_->frameWidthChanged();
    } else {
        window_->frameHeightChanged();
    }
}

void CameraController::frameColourChanged() {
    if (window_ && open_) {
        window_->frameColourChanged();
    }
}

QSize CameraController::frameSize() const {
    return QSize(p_.session->frame.width, p_.session->frame.height);
}

QColor CameraController::frameColour() const {
    return p_.panel->frameColour();
}

QPoint CameraController::mainWindowPosition() const {
    return p_.mainWindow->frameGeometry().topLeft();
}

QString CameraController::pixelWidthText() const {
    return p_.panel->widthBox()->text();
}

QString CameraController::pixelHeightText() const {
    return p_.panel->heightBox()->text();
}

QString CameraController::jpgSizeText() const {
    return p_.panelController->jpgText();
}

void CameraController::setPixelSizeTexts(const QString& width, const QString& height) {
    p_.panel->widthBox()->setText(width);
    p_.panel->heightBox()->setText(height);
}

void CameraController::setJpgSizeText(const QString& text) {
    p_.panel->jpgBox()->setText(text);
}

NameListState CameraController::nameListState() const {
    return nameList_.state ? nameList_.state() : NameListState{};
}

bool CameraController::nameListOpen() const {
    return nameListState().windowOpen;
}

void CameraController::openNameListForPhotos() {
    if (nameList_.openForPhotos) {
        nameList_.openForPhotos();
    }
}

void CameraController::closeNameList() {
    if (nameList_.close) {
        nameList_.close();
    }
}

void CameraController::takePhoto(const QImage& preview) {
    if (preview.isNull()) {
        return;
    }
    // Like an opened file: fitted into the view, a pending typed text dropped.
    p_.actions->showNewPicture(Picture(preview.convertToFormat(QImage::Format_RGB32)),
                               PictureOrigin{PictureOrigin::Kind::CameraPhoto, QString()});
}

QuickShootTarget CameraController::quickShootTarget() {
    const QuickShootSettings& s = state_.settings;
    NamingInputs in;
    in.flow = NamingFlow::QuickShoot;
    in.mode = s.namingMode();
    in.folder = s.saveFolder;
    in.extension = FormatExtension(s.outputFormat());
    in.prefix = s.customPrefix.trimmed();
    in.nameList = nameListState();
    in.settingsFolder = p_.settingsFolder ? p_.settingsFolder() : QString();
    in.now = QDateTime::currentDateTime();
    const OutputTarget target = MakeOutputPath(in);
    if (!target.stopped()) {
        targetTemporary_ = target.temporary;
        return QuickShootTarget{target.path, false};
    }
    OperatorDialogs& dialogs = *p_.dialogs;
    switch (target.stop.step) {
        case ExcelCellStep::AskToKeepMode:
            if (dialogs.message(target.stop.text, target.stop.title, MessageIcon::None,
                                MessageButtons::YesNo) == MessageAnswer::Yes) {
                openNameListForPhotos();
                return {};
            }
            return QuickShootTarget{std::nullopt, true};
        case ExcelCellStep::NoWorkbook:
            dialogs.tell(target.stop.text, target.stop.title);
            if (nameList_.focus) {
                nameList_.focus();
            }
            return {};
        case ExcelCellStep::EmptyName: dialogs.tell(target.stop.text, target.stop.title); return {};
        case ExcelCellStep::UseCurrentName: break;
    }
    // No folder to save in (the Camera window checks it before asking).
    if (const std::optional<QString> missing = MissingSaveFolderMessage(s.saveFolder)) {
        dialogs.message(*missing, kMissingFolderTitle, MessageIcon::None, MessageButtons::Ok);
    }
    return QuickShootTarget{std::nullopt, true};
}

void CameraController::saveQuickShootPhoto(const QString& target, const QImage& photo) {
    if (photo.isNull()) {
        return;
    }
    // The photo is exactly the frame's size: it goes down the save road as a board holding only it,
    // cropped whole.
    ViewBoards boards(photo.size());
    boards.visible.drawPicture(Picture(photo.convertToFormat(QImage::Format_RGB32)), 0, 0);
    const CropFrame whole{0, 0, photo.width(), photo.height()};
    p_.panelController->normaliseJpgText();
    const SaveTarget saveTarget{target, state_.settings.outputFormat(), targetTemporary_};
    AdvanceRosterAfterPhoto advance(nameList_);
    std::vector<AfterSaveStep*> after;
    if (state_.settings.namingMode() == NamingMode::ExcelCell) {
        after.push_back(&advance);
    }
    road_.save(
        boards, whole, p_.session->jpgLimitKb, [&] { return std::optional<SaveTarget>(saveTarget); }, after);
    targetTemporary_ = false;
}

}  // namespace picura
