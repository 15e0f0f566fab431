#pragma once

#include <QString>

#include <variant>

#include "output/Naming.h"
#include "output/OutputFormat.h"

namespace picura {

class SettingsStore;

// What the batch-crop settings window holds when 确定 is pressed.
struct BatchSettingsForm {
    QString sourceFolderText;  // as typed or picked, maybe with a trailing "/"
    QString saveFolderText;
    OutputFormat format = OutputFormat::Jpg;
    int namingIndex = 0;    // 0-based in BatchNamingEntries()
    QString namingBoxText;  // the naming box's text: the typed prefix for CustomPrefix
    bool cropSound = false;
    bool keepSettings = false;
    // The Main window's pixel width, pixel height and JPG size edit boxes, as text.
    QString pixelWidthText;
    QString pixelHeightText;
    QString jpgSizeText;
};

// A refusal: the message (title "提醒：", information icon); the window stays open.
struct BatchSettingsRefusal {
    QString message;
    QString title = QStringLiteral("提醒：");
    bool focusNamingBox = false;      // empty prefix
    bool clearSaveFolderBox = false;  // same folder for source and save
};

// The accepted entries, ready to go into the batch settings in memory.
struct ConfirmedBatchSettings {
    QString sourceFolder;  // one trailing "/" removed
    QString saveFolder;
    NamingMode mode = NamingMode::SourceName;
    QString customPrefix;  // spaces trimmed at both ends; empty for other modes
    bool keepSettings = false;
};

// The four checks of 确定, in order: source folder exists, save folder exists, a
// prefix that is not only spaces (ordinary or full-width), and source and save
// not the same folder. The last compares the folders themselves, not only their
// texts: another spelling of the source folder ("/a/./b", a link to it) is
// refused too, since SourceName saves would replace the source pictures.
std::variant<BatchSettingsRefusal, ConfirmedBatchSettings> ValidateBatchSettings(
    const BatchSettingsForm& form);

// Writes the ten batch keys of the settings store in one write: the entries when
// keep settings is on, empty values otherwise. False when the file could not be
// written (it is then left as it was).
bool WriteBatchSettings(const SettingsStore& store, const BatchSettingsForm& form,
                        const ConfirmedBatchSettings& confirmed);

// Whether two folder texts name the same folder: the same text, or the same
// folder on disk reached another way ("/a/./b", "/a/b/", a link to it). Batch
// saves must never go into the source folder: SourceName saves would replace
// the source pictures.
bool SameFolder(const QString& a, const QString& b);
inline const QString kSameFolderMessage =
    QStringLiteral("待截图文件夹不可再用于保存截图，请换一个文件夹保存截图。");
inline const QString kSameFolderTitle = QStringLiteral("提醒：");

// The one rule for the JPG size on resume: a stored size above 0 goes into the
// edit box; a stored 0 or empty value is replaced by the edit box's text; any
// other stored value (negative) is left alone, and so is the edit box.
struct JpgSizeOnResume {
    enum class Action { SetEditBox, StoreEditBoxText, Nothing };
    Action action = Action::Nothing;
    QString text;  // for the edit box, or for the store
};
JpgSizeOnResume ResumeJpgSize(const QString& storedText, const QString& editBoxText);

}  // namespace picura
