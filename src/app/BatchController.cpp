#include "app/BatchController.h"

#include <QDateTime>
#include <QFileInfo>

#include "batch/BatchSettings.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "output/Naming.h"
#include "output/OutputFormat.h"
#include "platform/OperatorDialogs.h"
#include "settings/TextNumber.h"
#include "view/FrameSize.h"
#include "view/ViewRenderer.h"

namespace picura {

namespace {

// Marks the saved picture as cropped in the task file and shows the new caption.
class MarkTaskAfterSave final : public AfterSaveStep {
  public:
    MarkTaskAfterSave(BatchCropTask* task, const PictureOrigin& origin, BatchPort& port,
                      OperatorDialogs& dialogs)
        : task_(task), origin_(origin), port_(port), dialogs_(dialogs) {}
    void afterSave(const SaveTarget&) override {
        if (!task_ || task_->count() == 0) {
            return;
        }
        const bool opened = origin_.kind == PictureOrigin::Kind::OpenedFile;
        port_.setCaption(task_->markCropped(opened ? PictureSource::OpenedFile : PictureSource::BatchPicture,
                                            opened ? origin_.path : QString()));
        if (!task_->writeError().isEmpty()) {
            // The picture is saved, but the task file still says 未截图.
            dialogs_.tell(task_->writeError(), QStringLiteral("提示"), MessageIcon::Warning);
        }
    }

  private:
    BatchCropTask* task_;
    PictureOrigin origin_;
    BatchPort& port_;
    OperatorDialogs& dialogs_;
};

// After a crop saved under the roster's current name: the roster's next row, when the operator ticked
// the auto-next-row box and the list still holds a workbook and a name.
class AdvanceRosterAfterSave final : public AfterSaveStep {
  public:
    AdvanceRosterAfterSave(bool rosterNaming, BatchPort& port) : rosterNaming_(rosterNaming), port_(port) {}
    void afterSave(const SaveTarget&) override {
        if (!rosterNaming_) {
            return;
        }
        const NameListState list = port_.nameList();
        if (list.windowOpen && list.workbookLoaded && !list.currentName.isEmpty() &&
            port_.nameListAutoNextRow()) {
            port_.advanceNameRow();
        }
    }

  private:
    bool rosterNaming_;
    BatchPort& port_;
};

}  // namespace

BatchController::BatchController(Session& session, ViewBoards& boards, MainActions& actions,
                                 OperatorDialogs& dialogs, BatchPort& port, SaveRoad& road)
    : session_(session), boards_(boards), actions_(actions), dialogs_(dialogs), port_(port), road_(road) {
    actions_.setPrefetch(&prefetch_);
    // Cached pictures give way to whatever the session shows now.
    session_.addListener([this](PictureChange) { prefetch_.setShown(session_.picture()); });
}

BatchController::~BatchController() = default;

void BatchController::readSettings(const QString& settingsFolder) {
    settingsFolder_ = settingsFolder;
    settings_ = ReadBatchSettings(SettingsStore(settingsPath()), kBatchNamingCount);
}

void BatchController::keepJpgLimit(double limitKb) {
    if (active_ && settings_.keepSettings && settings_.format == QStringLiteral(".JPG")) {
        SettingsStore(settingsPath()).write(ini::kBatchSection, ini::kJpgSize, NumberText(limitKb));
    }
}

QString BatchController::settingsPath() const {
    return settingsFolder_ + QLatin1Char('/') + ini::kSettingsFileName;
}

bool BatchController::InCheckBoxPane(int x, int paneRight) {
    return LessOrEqual(paneRight - 160, x) && LessOrEqual(x, paneRight - 45);
}

void BatchController::onStatusLeftPress(int x, int paneRight) {
    if (!InCheckBoxPane(x, paneRight)) {
        return;
    }
    if (active_) {
        switchOff();
    } else {
        switchOn();
    }
}

void BatchController::onStatusRightPress(int x, int paneRight) {
    if (InCheckBoxPane(x, paneRight)) {
        port_.openBatchSettings(true);
    }
}

void BatchController::ensureTask() {
    if (!task_ || task_->sourceFolder() != settings_.sourceFolder) {
        task_ =
            std::make_unique<BatchCropTask>(BatchCropTask::PathIn(settingsFolder_), settings_.sourceFolder);
    }
}

void BatchController::switchOn() {
    port_.setBatchChecked(true);
    if (!settings_.keepSettings) {
        port_.openBatchSettings(true);
        return;
    }
    if (!dialogs_.ask(kResumeQuestion, kResumeQuestionTitle)) {
        port_.openBatchSettings(true);
        return;
    }
    active_ = true;
    const SettingsStore store(settingsPath());
    port_.setPixelTexts(store.read(ini::kBatchSection, ini::kPixelWidth),
                        store.read(ini::kBatchSection, ini::kPixelHeight));
    if (settings_.format == QStringLiteral(".JPG")) {
        const JpgSizeOnResume jpg =
            ResumeJpgSize(store.read(ini::kBatchSection, ini::kJpgSize), port_.jpgText());
        switch (jpg.action) {
            case JpgSizeOnResume::Action::SetEditBox: port_.setJpgText(jpg.text); break;
            case JpgSizeOnResume::Action::StoreEditBoxText:
                store.write(ini::kBatchSection, ini::kJpgSize, jpg.text);
                break;
            case JpgSizeOnResume::Action::Nothing: break;
        }
    }
    const ResumeCheck check = CheckResume(settings_.sourceFolder, settings_.saveFolder);
    if (check.step == ResumeCheck::Step::SaveFolder || check.step == ResumeCheck::Step::SameFolder) {
        dialogs_.tell(check.message, check.title);
    }
    if (check.step != ResumeCheck::Step::Resume) {
        port_.openBatchSettings(true);
        return;
    }
    port_.registerKeys();
    port_.untickEditTools();
    ensureTask();
    task_->resume();
    show(BatchDirection::Current);
    if (ModeAt(BatchNamingEntries(), settings_.namingIndex) == NamingMode::ExcelCell &&
        !port_.nameList().windowOpen) {
        port_.openNameList();
    }
}

void BatchController::switchOff() {
    active_ = false;
    port_.setBatchChecked(false);
    port_.setCaption(kProgramCaption);
    if (task_) {
        task_->end();
    }
    prefetch_.want({});  // the pictures decoded ahead and kept give their memory back
    port_.unregisterKeys();
}

void BatchController::onNavigationKey(bool next) {
    ensureTask();
    // The task file's write ends with a flush to the disk, which may take tens of milliseconds: it waits
    // until the picture is shown.
    apply(task_->navigate(next ? BatchDirection::Next : BatchDirection::Previous, TaskWrite::Later));
    afterRepaint_.post([this] { writePendingTask(); });
}

void BatchController::writePendingTask() {
    if (task_ && task_->writePending() && !task_->writeError().isEmpty()) {
        dialogs_.tell(task_->writeError(), QStringLiteral("提示"), MessageIcon::Warning);
    }
}

void BatchController::show(BatchDirection direction) {
    apply(task_->show(direction));
}

void BatchController::apply(const BatchView& view) {
    switch (view.outcome) {
        case BatchView::Outcome::Shown:
            port_.setCaption(view.caption);
            // The picture being left is kept for a step back only while it is still
            // the one decoded from its batch file: not once it was turned, marked, or
            // replaced by a pasted, opened or dropped picture.
            if (session_.origin().kind == PictureOrigin::Kind::BatchPicture && session_.pixelsAsDecoded()) {
                prefetch_.remember(session_.origin().path, session_.picture());
            }
            actions_.loadPictureFile(view.picturePath, PictureOrigin::Kind::BatchPicture);
            prefetchNeighbours();
            break;
        case BatchView::Outcome::Missing:
            actions_.showLost(task_->sourceFolder() + QLatin1Char('/') + task_->currentName());
            port_.setCaption(view.caption);
            break;
        case BatchView::Outcome::AtFirst:
        case BatchView::Outcome::AtLast: dialogs_.tell(view.message, view.title); break;
        case BatchView::Outcome::Unchanged: break;
    }
    if (!task_->writeError().isEmpty()) {
        dialogs_.tell(task_->writeError(), QStringLiteral("提示"), MessageIcon::Warning);
    }
}

void BatchController::prefetchNeighbours() {
    QStringList paths;
    const int p = task_->position();
    for (int neighbour : {p + 1, p - 1}) {
        if (neighbour >= 1 && neighbour <= task_->count()) {
            const QString name = task_->storedName(neighbour);
            if (!name.isEmpty()) {
                paths << task_->sourceFolder() + QLatin1Char('/') + name;
            }
        }
    }
    prefetch_.want(paths);
}

void BatchController::applySettings(const BatchSettingsResult& result) {
    if (SameFolder(result.sourceFolder, result.saveFolder)) {
        dialogs_.tell(kSameFolderMessage, kSameFolderTitle);
        return;
    }
    settings_.sourceFolder = result.sourceFolder;
    settings_.saveFolder = result.saveFolder;
    settings_.format = result.formatText;
    settings_.namingIndex = result.namingIndex;
    settings_.customPrefix = result.customPrefix;
    settings_.sound = result.cropSound;
    settings_.keepSettings = result.keepSettings;
    ensureTask();
    if (task_->startOver() == 0) {
        dialogs_.tell(kNoPicturesMessage, kBatchMessageTitle);
    } else {
        show(BatchDirection::Current);
    }
    active_ = true;
    port_.setBatchChecked(true);
}

void BatchController::settingsClosed(bool confirmed) {
    if (!confirmed && !active_) {
        port_.setBatchChecked(false);
        port_.setCaption(kProgramCaption);
        port_.unregisterKeys();
    }
}

QString BatchController::batchSave() {
    MarkTaskAfterSave mark(task_.get(), session_.origin(), port_, dialogs_);
    PlaySoundAfterSave cutSound(sound_, settings_.sound, BuiltInSound::Cut);
    AdvanceRosterAfterSave nextRow(
        ModeAt(BatchNamingEntries(), settings_.namingIndex) == NamingMode::ExcelCell, port_);
    return road_.save(boards_, session_.frame, session_.jpgLimitKb, [this] { return nameCrop(); },
                      {&mark, &cutSound, &nextRow});
}

std::optional<SaveTarget> BatchController::nameCrop() {
    const OutputFormat format = FormatFromExtension(settings_.format).value_or(OutputFormat::Jpg);
    NamingInputs in;
    in.flow = NamingFlow::BatchCrop;
    in.mode = ModeAt(BatchNamingEntries(), settings_.namingIndex).value_or(NamingMode::SourceName);
    in.folder = settings_.saveFolder;
    in.extension = FormatExtension(format);
    in.prefix = settings_.customPrefix.trimmed();
    // An opened or dropped picture is named after its own file; any other after the batch picture.
    const PictureOrigin& origin = session_.origin();
    in.sourceFileName = origin.kind == PictureOrigin::Kind::OpenedFile ? FileNameOfPath(origin.path)
                        : task_                                        ? task_->currentName()
                                                                       : QString();
    in.nameList = port_.nameList();
    in.settingsFolder = settingsFolder_;
    in.now = QDateTime::currentDateTime();
    const OutputTarget target = MakeOutputPath(in);
    if (target.stopped()) {
        switch (target.stop.step) {
            case ExcelCellStep::AskToKeepMode:
                if (dialogs_.message(target.stop.text, target.stop.title, MessageIcon::None,
                                     MessageButtons::YesNo) == MessageAnswer::Yes) {
                    port_.openNameList();
                } else {
                    port_.openBatchSettings(false);
                }
                break;
            case ExcelCellStep::NoWorkbook:
                dialogs_.tell(target.stop.text, target.stop.title);
                port_.focusNameList();
                break;
            case ExcelCellStep::EmptyName: dialogs_.tell(target.stop.text, target.stop.title); break;
            case ExcelCellStep::UseCurrentName:
                // No folder to save in.
                dialogs_.tell(QStringLiteral("批量截图保存目录尚未设置，请先设置。"),
                              QStringLiteral("提示："));
                break;
        }
        return std::nullopt;
    }
    // With SourceName naming a save into the source folder would replace the photo.
    if (SameFolder(settings_.sourceFolder, settings_.saveFolder)) {
        dialogs_.tell(kSameFolderMessage, kSameFolderTitle);
        return std::nullopt;
    }
    return SaveTarget{target.path, format, target.temporary};
}

}  // namespace picura
