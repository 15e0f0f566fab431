#pragma once

#include <QDialog>

#include "settings/SettingsStore.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace picura {

class CameraHost;
class NamingComboBox;
class OperatorDialogs;

// The Quick-shoot settings window, opened modally. The format, the naming mode and the shutter sound take
// effect as soon as they are chosen; 确定 checks the folder and the prefix, applies the rest and stores the
// nine quick-shoot keys (or empties them when the settings are not to be kept).
class QuickShootSettingsWindow : public QDialog {
    Q_OBJECT
  public:
    QuickShootSettingsWindow(CameraHost& host, SettingsStore store, OperatorDialogs& dialogs,
                             QWidget* parent = nullptr);
    ~QuickShootSettingsWindow() override;

    void confirmSettings();
    bool confirmed() const { return confirmed_; }

    QLineEdit* saveFolderBox() const { return folder_; }
    QPushButton* browseButton() const { return browse_; }
    QComboBox* formatBox() const { return format_; }
    NamingComboBox* namingBox() const { return naming_; }
    QCheckBox* shutterSoundBox() const { return sound_; }
    QCheckBox* keepSettingsBox() const { return keep_; }
    QPushButton* okButton() const { return ok_; }

  private:
    void onNamingChanged(int index);
    void shapeNamingBox();

    CameraHost& host_;
    SettingsStore store_;
    OperatorDialogs& dialogs_;
    QLineEdit* folder_;
    QPushButton* browse_;
    QComboBox* format_;
    NamingComboBox* naming_;
    QCheckBox* sound_;
    QCheckBox* keep_;
    QPushButton* ok_;
    bool confirmed_ = false;
};

inline const QString kQuickShootSettingsCaption = QStringLiteral("批量速拍设置");
inline const QString kQuickShootPickTitle = QStringLiteral("请选择或者新建一个文件夹");

}  // namespace picura
