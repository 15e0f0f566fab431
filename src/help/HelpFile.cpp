#include "help/HelpFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "help/HelpDigest.h"
#include "platform/DesktopOpener.h"
#include "platform/OperatorDialogs.h"
#include "settings/AtomicFile.h"

// The resource lives in this static library; naming its initialiser makes the
// linker keep it in every program that uses the help.
static void InitHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace picura {

namespace {

const QString kCarriedHelpResource = QStringLiteral(":/help/picura-help.html");

QString HelpPathIn(const QString& folder) {
    return QDir(folder).filePath(kHelpFileName);
}

}  // namespace

QByteArray CarriedHelpDocument() {
    InitHelpResource();
    QFile file(kCarriedHelpResource);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QString Md5Hex(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

bool IsCurrentHelpFile(const QString& path) {
    const QFileInfo info(path);
    // Only a regular file of the right size is read at all: a folder, a pipe or
    // a device of that name counts as different without blocking on it.
    if (!info.isFile() || info.size() != kCarriedHelpSize) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file)) {
        return false;
    }
    return QString::fromLatin1(hash.result().toHex()) == QLatin1String(kCarriedHelpMd5);
}

HelpCopyResult PutHelpFile(const QString& folder) {
    if (folder.isEmpty()) {
        return HelpCopyResult::Failed;
    }
    const QString path = HelpPathIn(folder);
    if (IsCurrentHelpFile(path)) {
        return HelpCopyResult::AlreadyCurrent;
    }
    const QByteArray carried = CarriedHelpDocument();
    if (carried.isEmpty()) {
        return HelpCopyResult::Failed;
    }
    return WriteFileAtomically(path, carried).isEmpty() ? HelpCopyResult::Written : HelpCopyResult::Failed;
}

HelpOpenResult OpenHelpFile(const QString& programFolder, const QString& fallbackFolder,
                            DesktopOpener& opener) {
    HelpOpenResult result;
    QString folder = programFolder;
    HelpCopyResult copy = PutHelpFile(folder);
    if (copy == HelpCopyResult::Failed && !fallbackFolder.isEmpty() &&
        QDir(fallbackFolder) != QDir(programFolder)) {
        folder = fallbackFolder;
        copy = PutHelpFile(folder);
    }
    if (copy == HelpCopyResult::Failed) {
        result.status = HelpOpenStatus::WriteFailed;
        return result;
    }
    result.path = HelpPathIn(folder);
    result.written = copy == HelpCopyResult::Written;
    result.status = opener.openLocalFile(result.path) ? HelpOpenStatus::Opened : HelpOpenStatus::OpenFailed;
    return result;
}

QString HelpFailureMessage(const HelpOpenResult& result) {
    switch (result.status) {
        case HelpOpenStatus::Opened: return {};
        case HelpOpenStatus::WriteFailed: return kHelpWriteFailedText;
        case HelpOpenStatus::OpenFailed:
            return kHelpOpenFailedText + QStringLiteral("\r\n") + QDir::toNativeSeparators(result.path);
    }
    return {};
}

void ShowHelpFile(const QString& programFolder, const QString& fallbackFolder, DesktopOpener& opener,
                  OperatorDialogs& dialogs) {
    const QString message = HelpFailureMessage(OpenHelpFile(programFolder, fallbackFolder, opener));
    if (!message.isEmpty()) {
        dialogs.tell(message, kHelpMessageTitle, MessageIcon::Information);
    }
}

}  // namespace picura
