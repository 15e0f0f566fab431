#pragma once

#include <QComboBox>
#include <QDialog>

#include <functional>

#include "batch/BatchSettings.h"
#include "settings/SettingsStore.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace picura {

class OperatorDialogs;

// What the window reads of the Main window when it opens.
struct BatchSettingsInputs {
    // The batch settings in memory: naming index, prefix, format, folders, crop sound, keep flag.
    ModeSettings batch;
    // The Main window's pixel width, pixel height and JPG size edit boxes, as text:
    // stored with the settings by 确定.
    QString pixelWidthText;
    QString pixelHeightText;
    QString jpgSizeText;
};

// What 确定 accepted, for the batch settings in memory.
struct BatchSettingsResult {
    QString sourceFolder;  // without trailing "/"
    QString saveFolder;    // without trailing "/"
    OutputFormat format = OutputFormat::Jpg;
    QString formatText;   // ".JPG" ...
    int namingIndex = 0;  // in BatchNamingEntries()
    NamingMode mode = NamingMode::SourceName;
    QString customPrefix;  // trimmed; empty unless CustomPrefix
    bool cropSound = false;
    bool keepSettings = false;
    bool settingsWritten = false;  // the ten keys reached the settings file (the operator was told if not)
};

// How the window acts on the Main window. Every member may be empty.
struct BatchSettingsHooks {
    // Creation: UnregisterNavigationKeys.
    std::function<void()> releaseKeys;
    // These three change the batch settings in memory at once, even when the window is
    // then closed without 确定. The format also arrives at creation when the
    // stored one is not one of the four (it becomes ".JPG").
    std::function<void(OutputFormat format)> formatChanged;
    // The batch naming index (and so the mode). When the new mode is not
    // ExcelCell and the Name list window is open, the Main window closes it and
    // forgets the workbook and the current name.
    std::function<void(int namingIndex)> namingChanged;
    std::function<void(bool on)> cropSoundChanged;
    // 确定, after the checks and the write of the ten keys, calls these three in turn.
    // apply: take the result into the batch settings in memory; delete the task
    //    file and start a new task over the source folder
    //    (BatchCropTask::startOver); show its first picture, or set the picture
    //    count to 0 and tell kNoPicturesMessage when it has none; switch batch
    //    mode on and tick the status bar's check-box pane.
    std::function<void(const BatchSettingsResult&)> apply;
    // useNameListForCrop, only for ExcelCell: open the Name list window (not modal) with the crop
    //    wording, or set its purpose to crops when it is open.
    std::function<void()> useNameListForCrop;
    // takeKeys: RegisterNavigationKeys.
    std::function<void()> takeKeys;
    // The window closes, by 确定 (confirmed = true) or by its close box. When
    // not confirmed and batch mode is off, the Main window unticks the status
    // bar's pane, sets its caption to kProgramCaption and calls
    // UnregisterNavigationKeys. Either way it takes the keyboard focus back.
    std::function<void(bool confirmed)> closed;
};

// The naming combo box; tells when its list closes.
class NamingComboBox : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;
    void hidePopup() override;
  signals:
    void listClosed();
};

// The Batch-crop settings window. Modal with exec() from the status bar's
// batch check box, the resume question and the resume checks; not modal with
// show() after the answer No to the Excel naming question of a batch save
// (set Qt::WA_DeleteOnClose then).
class BatchSettingsWindow : public QDialog {
    Q_OBJECT
  public:
    BatchSettingsWindow(const BatchSettingsInputs& inputs, SettingsStore store, OperatorDialogs& dialogs,
                        BatchSettingsHooks hooks, QWidget* parent = nullptr);
    // The combo boxes report a last index change while Qt deletes them, after
    // this window's own part is gone: they are disconnected first.
    ~BatchSettingsWindow() override;

    // Whether 确定 succeeded during this opening.
    bool confirmed() const { return confirmed_; }

    // 确定: the four checks, the ten keys, then the hooks; closes on success.
    void confirmSettings();

    QLineEdit* sourceFolderBox() const { return source_; }
    QLineEdit* saveFolderBox() const { return save_; }
    QPushButton* browseSourceButton() const { return browseSource_; }
    QPushButton* browseSaveButton() const { return browseSave_; }
    QComboBox* formatBox() const { return format_; }
    NamingComboBox* namingBox() const { return naming_; }
    QCheckBox* cropSoundBox() const { return sound_; }
    QCheckBox* keepSettingsBox() const { return keep_; }
    QPushButton* okButton() const { return ok_; }

    void done(int result) override;

  private:
    void pickInto(QLineEdit* box, const QString& title);
    void onFormatChanged(int index);
    void onNamingChanged(int index);
    // Editable and emptied for CustomPrefix, a plain list otherwise.
    void shapeNamingBox();
    OutputFormat currentFormat() const;

    SettingsStore store_;
    OperatorDialogs& dialogs_;
    BatchSettingsHooks hooks_;
    QString pixelWidthText_;
    QString pixelHeightText_;
    QString jpgSizeText_;

    QLineEdit* source_;
    QPushButton* browseSource_;
    QLineEdit* save_;
    QPushButton* browseSave_;
    QComboBox* format_;
    NamingComboBox* naming_;
    QCheckBox* sound_;
    QCheckBox* keep_;
    QPushButton* ok_;

    bool confirmed_ = false;
    bool closed_ = false;
};

// Folder picker titles and the texts of the window.
inline const QString kBatchSettingsCaption = QStringLiteral("批量截图设置");
inline const QString kPickSourceTitle =
    QStringLiteral("选择待截图文件夹，以便对文件夹中的图片进行批量截图。");
inline const QString kPickSaveTitle = QStringLiteral("请选择或者新建一个文件夹");

}  // namespace picura
