#include "app/BatchController.h"

#include <QDateTime>
#include <QFileInfo>

#include "batch/BatchSettings.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "output/EncodePicture.h"
#include "output/Naming.h"
#include "output/OutputFile.h"
#include "output/OutputFormat.h"
#include "output/SizeMessage.h"
#include "platform/OperatorDialogs.h"
#include "settings/TextNumber.h"
#include "view/ViewRenderer.h"

namespace picura {

BatchController::BatchController(MainWindowState& state, ViewBoards& boards, MainActions& actions,
                                 OperatorDialogs& dialogs, BatchPort& port)
    : state_(state),
      boards_(boards),
      actions_(actions),
      dialogs_(dialogs),
      port_(port),
      encode_([](const QImage& crop, OutputFormat format, double limitKb) {
          return EncodePicture(crop, format, limitKb);
      }) {
    actions_.setPrefetch(&prefetch_);
}

BatchController::~BatchController() = default;

bool BatchController::InCheckBoxPane(int x, int paneRight) {
    return LessOrEqual(paneRight - 160, x) && LessOrEqual(x, paneRight - 45);
}

void BatchController::onStatusLeftPress(int x, int paneRight) {
    if (!InCheckBoxPane(x, paneRight)) {
        return;
    }
    if (state_.batchMode) {
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
    if (!task_ || task_->sourceFolder() != state_.batch.sourceFolder) {
        task_ = std::make_unique<BatchCropTask>(BatchCropTask::PathIn(state_.settingsFolder),
                                                state_.batch.sourceFolder);
    }
}

void BatchController::switchOn() {
    port_.setBatchChecked(true);
    if (!state_.batch.keepSettings) {
        port_.openBatchSettings(true);
        return;
    }
    if (!dialogs_.ask(kResumeQuestion, kResumeQuestionTitle)) {
        port_.openBatchSettings(true);
        return;
    }
    state_.batchMode = true;
    const SettingsStore store(state_.settingsPath());
    port_.setPixelTexts(store.read(ini::kBatchSection, ini::kPixelWidth),
                        store.read(ini::kBatchSection, ini::kPixelHeight));
    if (state_.batch.format == QStringLiteral(".JPG")) {
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
    const ResumeCheck check = CheckResume(state_.batch.sourceFolder, state_.batch.saveFolder);
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
    if (ModeAt(BatchNamingEntries(), state_.batch.namingIndex) == NamingMode::ExcelCell &&
        !state_.nameListOpen) {
        port_.openNameList();
    }
}

void BatchController::switchOff() {
    state_.batchMode = false;
    port_.setBatchChecked(false);
    port_.setCaption(kProgramCaption);
    if (task_) {
        task_->end();
    }
    prefetch_.want({});  // the pictures decoded ahead and kept give their memory back
    shownPath_.clear();
    port_.unregisterKeys();
}

void BatchController::onNavigationKey(bool next) {
    state_.source = PictureSource::BatchPicture;
    ensureTask();
    apply(task_->navigate(next ? BatchDirection::Next : BatchDirection::Previous));
}

void BatchController::show(BatchDirection direction) {
    apply(task_->show(direction));
}

void BatchController::apply(const BatchView& view) {
    switch (view.outcome) {
        case BatchView::Outcome::Shown:
            state_.source = PictureSource::BatchPicture;
            port_.setCaption(view.caption);
            // The picture being left is kept for a step back only while it is still
            // the one decoded from its file: not once it was turned, marked, or
            // replaced by a pasted, opened or dropped picture.
            if (state_.pictureLoaded && !shownPath_.isEmpty() &&
                state_.picture.image().cacheKey() == shownKey_) {
                prefetch_.remember(shownPath_, state_.picture);
            }
            shownPath_.clear();
            if (actions_.loadPictureFile(view.picturePath)) {
                shownPath_ = view.picturePath;
                shownKey_ = state_.picture.image().cacheKey();
            }
            prefetchNeighbours();
            break;
        case BatchView::Outcome::Missing:
            state_.source = PictureSource::BatchPicture;
            actions_.clearView();
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
    state_.batch.sourceFolder = result.sourceFolder;
    state_.batch.saveFolder = result.saveFolder;
    state_.batch.format = result.formatText;
    state_.batch.namingIndex = result.namingIndex;
    state_.batch.customPrefix = result.customPrefix;
    state_.batch.sound = result.cropSound;
    state_.batch.keepSettings = result.keepSettings;
    ensureTask();
    if (task_->startOver() == 0) {
        dialogs_.tell(kNoPicturesMessage, kBatchMessageTitle);
    } else {
        show(BatchDirection::Current);
    }
    state_.batchMode = true;
    port_.setBatchChecked(true);
}

void BatchController::settingsClosed(bool confirmed) {
    if (!confirmed && !state_.batchMode) {
        port_.setBatchChecked(false);
        port_.setCaption(kProgramCaption);
        port_.unregisterKeys();
    }
}

QString BatchController::batchSave() {
    const OutputFormat format = FormatFromExtension(state_.batch.format).value_or(OutputFormat::Jpg);
    NamingInputs in;
    in.flow = NamingFlow::BatchCrop;
    in.mode = ModeAt(BatchNamingEntries(), state_.batch.namingIndex).value_or(NamingMode::SourceName);
    in.folder = state_.batch.saveFolder;
    in.extension = FormatExtension(format);
    in.prefix = state_.batch.customPrefix.trimmed();
    in.sourceFileName = state_.source == PictureSource::OpenedFile ? FileNameOfPath(state_.openedPath)
                        : task_                                    ? task_->currentName()
                                                                   : QString();
    in.nameList = NameListState{state_.nameListOpen, state_.workbookLoaded, state_.currentName};
    in.settingsFolder = state_.settingsFolder;
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
            case ExcelCellStep::EmptyName: dialogs_.tell(target.stop.text, target.stop.title); break;
            case ExcelCellStep::UseCurrentName:
                // No folder to save in.
                dialogs_.tell(QStringLiteral("批量截图保存目录尚未设置，请先设置。"),
                              QStringLiteral("提示："));
                break;
        }
        return {};
    }

    // With SourceName naming a save into the source folder would replace the photo.
    if (SameFolder(state_.batch.sourceFolder, state_.batch.saveFolder)) {
        dialogs_.tell(kSameFolderMessage, kSameFolderTitle);
        return {};
    }

    port_.setBusy(true);
    if (state_.batch.sound) {
        port_.playCropSound();
    }
    const QImage crop = CropFromView(boards_, state_.frame);
    const EncodeResult encoded = encode_(crop, format, state_.jpgLimitKb);
    QString error;
    if (crop.isNull()) {
        error = QStringLiteral("采集框的宽度或高度为0，没有可保存的图象。");
    } else if (encoded.failed || encoded.bytes.isEmpty()) {
        error = QStringLiteral("无法生成图片文件：%1").arg(target.path);  // nothing is written
    } else {
        error = WriteOutputFile(target.path, encoded.bytes);
    }
    QString taskError;
    if (error.isEmpty() && task_ && task_->count() > 0) {
        port_.setCaption(task_->markCropped(state_.source, state_.openedPath));
        taskError = task_->writeError();
    }
    port_.setBusy(false);
    if (!error.isEmpty()) {
        dialogs_.tell(error, QStringLiteral("提示"), MessageIcon::Warning);
        return {};
    }
    if (!taskError.isEmpty()) {
        // The picture is saved, but the task file still says 未截图.
        dialogs_.tell(taskError, QStringLiteral("提示"), MessageIcon::Warning);
    }
    if (format == OutputFormat::Jpg && !encoded.ok) {
        dialogs_.message(SizeLimitMessage(encoded.lastSize), kSizeLimitTitle, MessageIcon::None,
                         MessageButtons::Ok);
    }
    if (target.temporary) {
        port_.openNamingPrompt(target.path);
    }
    return target.path;
}

}  // namespace picura
