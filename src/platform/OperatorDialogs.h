// Services of the desktop the program runs on, each behind an interface with a real implementation and a
// fake for tests: the operator's dialogs and messages, and beside it the clipboard, the global keys, the
// desktop opener, the camera device and the sound player.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

namespace picura {

// Everything the program asks or tells the operator goes through this
// interface: the real one shows Qt dialogs, tests script the answers and check
// the exact texts that were shown.
enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    QString title;
    QString filter;                // Qt form: "图片文件 (*.bmp *.jpg)"
    QString startFolder;           // empty: the dialog's own choice
    QString initialName;           // file name (or path) preselected
    QString defaultSuffix;         // added when the operator types no extension, without the dot
    bool confirmOverwrite = true;  // save dialogs only
};

class OperatorDialogs {
  public:
    virtual ~OperatorDialogs() = default;

    virtual MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                                  MessageButtons buttons) = 0;
    virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
    // A folder picker that can create new folders.
    virtual std::optional<QString> pickFolder(const QString& title, const QString& startFolder) = 0;
    virtual std::optional<QColor> pickColour(const QColor& initial, const QString& title) = 0;
    virtual std::optional<QFont> pickFont(const QFont& initial, const QString& title) = 0;

    // A message with an OK button only.
    void tell(const QString& text, const QString& title, MessageIcon icon = MessageIcon::Information) {
        message(text, title, icon, MessageButtons::Ok);
    }
    // A yes/no question; true for yes.
    bool ask(const QString& text, const QString& title, MessageIcon icon = MessageIcon::Question) {
        return message(text, title, icon, MessageButtons::YesNo) == MessageAnswer::Yes;
    }
};

}  // namespace picura
