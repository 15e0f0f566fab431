#include "output/OutputFile.h"

#include <QFile>
#include <QFileInfo>
#include "settings/AtomicFile.h"

namespace picura {
namespace {

QString WriteFailure(const QString& path, const QString& reason) {
    return QStringLiteral("图片未能保存到“") + path + QStringLiteral("”：") + reason;
}

QString Reason(const QString& path, const QString& qtReason) {
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists()) {
        return QStringLiteral("保存目录不存在。");
    }
    if (!folder.isDir()) {
        return QStringLiteral("保存位置不是文件夹。");
    }
    if (target.isDir()) {
        return QStringLiteral("已有同名文件夹。");
    }
    return qtReason;
}

}  // namespace

QString WriteOutputFile(const QString& path, const QByteArray& bytes) {
    const QString reason = WriteFileAtomically(path, bytes);
    return reason.isEmpty() ? QString() : WriteFailure(path, Reason(path, reason));
}

QString FinishNamingPrompt(const QString& temporaryPath, const QString& finalPath) {
    QFile temporary(temporaryPath);
    if (!temporary.open(QIODevice::ReadOnly)) {
        return QStringLiteral("找不到刚才保存的临时图片“") + temporaryPath + QStringLiteral("”：") +
               temporary.errorString();
    }
    const QByteArray bytes = temporary.readAll();
    if (temporary.error() != QFileDevice::NoError) {
        return QStringLiteral("无法读取临时图片“") + temporaryPath + QStringLiteral("”：") +
               temporary.errorString();
    }
    temporary.close();
    const QString failure = WriteOutputFile(finalPath, bytes);
    if (!failure.isEmpty()) {
        return failure + QStringLiteral("\r\n刚才的图片仍保存在“") + temporaryPath + QStringLiteral("”。");
    }
    // A temporary file that cannot be removed is replaced by the next prompt save.
    QFile::remove(temporaryPath);
    return QString();
}

}  // namespace picura
