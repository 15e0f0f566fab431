#pragma once

#include <QDialog>

#include <functional>

#include "output/NamingPrompt.h"

class QLineEdit;
class QPushButton;

namespace picura {

class OperatorDialogs;

// What the naming prompt reads of the Main window when it is created: the two
// modes and the target of each, and the temporary picture just written.
struct NamingPromptInputs {
    bool batchMode = false;
    bool quickShootMode = false;
    QString batchSaveFolder;  // without trailing "/"
    QString batchFormat;      // ".JPG", ".BMP", ".GIF", ".PNG"
    QString quickShootSaveFolder;
    QString quickShootFormat;
    QString temporaryPath;  // settings folder + "/临时C" + extension
};

// The Naming prompt of the AskEachTime naming mode: the operator types a name
// without extension, and the temporary picture is copied to that name in the
// target folder (with "—1", "—2"... when taken), then deleted.
//
// Open it modally with exec(): Accepted when the picture was saved
// (savedPath() tells where), Rejected when the operator closed it. Closing
// saves nothing and leaves the temporary file for the next prompt save.
//
// The navigation keys: `onOpen` runs in the constructor (the Main window passes
// UnregisterNavigationKeys, so A, S, D and F can be typed); `onClose` runs once
// when the window closes, by confirm or by the close box, and only when batch
// mode is on (the Main window passes RegisterNavigationKeys).
class NamingPromptWindow : public QDialog {
    Q_OBJECT
  public:
    NamingPromptWindow(NamingPromptInputs inputs, OperatorDialogs& dialogs, std::function<void()> onOpen,
                       std::function<void()> onClose, QWidget* parent = nullptr);
    ~NamingPromptWindow() override;

    // The caption by mode: crop wording in batch mode, photo wording in quick
    // shoot, empty otherwise.
    static QString CaptionFor(bool batchMode, bool quickShootMode);

    // The final path of the saved picture; empty until a confirm succeeded.
    const QString& savedPath() const { return savedPath_; }

    QLineEdit* nameBox() const { return name_; }
    QPushButton* okButton() const { return ok_; }

    void done(int result) override;

  private:
    void confirm(PromptConfirm how);

    NamingPromptInputs in_;
    OperatorDialogs& dialogs_;
    std::function<void()> onClose_;
    QLineEdit* name_;
    QPushButton* ok_;
    QString savedPath_;
    bool closed_ = false;
};

}  // namespace picura
