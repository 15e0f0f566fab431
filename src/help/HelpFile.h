#pragma once

#include <QByteArray>
#include <QString>

namespace picura {

class DesktopOpener;
class OperatorDialogs;

// The user manual is one HTML page carried inside the program. Before it is
// opened, a copy is kept next to the program under this name, so the manual is
// there even when only the program file was copied to another computer.
inline const QString kHelpFileName = QStringLiteral("Picura使用帮助.html");

// Texts of the two failures of the help command, shown with the title
// kHelpMessageTitle and an OK button.
inline const QString kHelpMessageTitle = QStringLiteral("提示");
inline const QString kHelpWriteFailedText =
    QStringLiteral("无法写出使用帮助文件：程序所在文件夹和设置文件夹都不能写入。");
// Followed by the path of the file that was written, after a line break (CR LF).
inline const QString kHelpOpenFailedText = QStringLiteral("无法打开使用帮助，请用网页浏览器打开以下文件：");

// The carried document, exactly as built in. Never empty in a correct build.
QByteArray CarriedHelpDocument();
// MD5 of the bytes as 32 lower-case hexadecimal digits.
QString Md5Hex(const QByteArray& bytes);
// Whether `path` is a regular file holding exactly the carried document (its
// size, then its MD5, compared with the digests taken at build time). A file
// that cannot be read counts as different. Streams the file: a huge file put
// in its place is not loaded into memory.
bool IsCurrentHelpFile(const QString& path);

enum class HelpCopyResult {
    AlreadyCurrent,  // the file was there with the right contents and was left alone
    Written,         // written (or rewritten) atomically from the carried document
    Failed,          // could not be written; nothing there was changed
};
// Makes folder/kHelpFileName hold the carried document.
HelpCopyResult PutHelpFile(const QString& folder);

enum class HelpOpenStatus { Opened, WriteFailed, OpenFailed };
struct HelpOpenResult {
    HelpOpenStatus status = HelpOpenStatus::WriteFailed;
    QString path;          // the copy handed to the opener; empty with WriteFailed
    bool written = false;  // whether that copy was written just now
};

// The help command: puts the carried document next to the program, in
// programFolder, when it is missing there or differs from the carried one, then
// opens it with the desktop's default program. An up-to-date copy is opened
// without being touched. When the program folder cannot be written (an
// installed program), the copy goes to fallbackFolder instead (the caller
// passes the settings folder; empty for none). Failing both, nothing is opened.
HelpOpenResult OpenHelpFile(const QString& programFolder, const QString& fallbackFolder,
                            DesktopOpener& opener);

// The message for a failed help command; empty for Opened.
QString HelpFailureMessage(const HelpOpenResult& result);

// OpenHelpFile, then the failure message, if any, through the dialogs.
void ShowHelpFile(const QString& programFolder, const QString& fallbackFolder, DesktopOpener& opener,
                  OperatorDialogs& dialogs);

}  // namespace picura
