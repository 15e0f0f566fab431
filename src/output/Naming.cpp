#include "output/Naming.h"

#include <QFileInfo>

namespace picura {

const QList<NamingEntry>& BatchNamingEntries() {
    static const QList<NamingEntry> entries{
        {NamingMode::SourceName, QStringLiteral("与原图片文件名同名")},
        {NamingMode::CaptureTime, QStringLiteral("根据截图时刻命名  如：2022-1-10 11-45-23")},
        {NamingMode::Sequence, QStringLiteral("根据截图先后用序号命名  如： 0001   0002 ")},
        {NamingMode::CustomPrefix, QStringLiteral("自定义：如XXX 输出名称为XXX0001  XXX0002")},
        {NamingMode::AskEachTime, QStringLiteral("每次截图后都弹出命名框")},
        {NamingMode::ExcelCell, QStringLiteral("导入EXCEL，按选中单元格内文字命名")},
    };
    return entries;
}

const QList<NamingEntry>& QuickShootNamingEntries() {
    static const QList<NamingEntry> entries{
        {NamingMode::CaptureTime, QStringLiteral("根据拍照时间命名  如：2022-1-10 11-45-23")},
        {NamingMode::Sequence, QStringLiteral("根据拍照先后用序号命名  如： 0001   0002")},
        {NamingMode::CustomPrefix, QStringLiteral("自定义：如XXX 输出名称为XXX0001  XXX0002")},
        {NamingMode::AskEachTime, QStringLiteral("每次拍照后都弹出命名框")},
        {NamingMode::ExcelCell, QStringLiteral("导入EXCEL，按选中单元格内文字命名")},
    };
    return entries;
}

std::optional<NamingMode> ModeAt(const QList<NamingEntry>& entries, int index) {
    if (index < 0 || index >= entries.size()) {
        return std::nullopt;
    }
    return entries[index].mode;
}

int IndexOfMode(const QList<NamingEntry>& entries, NamingMode mode) {
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].mode == mode) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<NamingMode> ModeFromEntryText(const QString& text) {
    for (const auto* list : {&BatchNamingEntries(), &QuickShootNamingEntries()}) {
        for (const NamingEntry& e : *list) {
            if (e.text == text) {
                return e.mode;
            }
        }
    }
    return std::nullopt;
}

QString TimeName(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    return QStringLiteral("%1-%2-%3 %4-%5-%6")
        .arg(d.year())
        .arg(d.month())
        .arg(d.day())
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second());
}

QString PadSequence(qint64 n) {
    QString digits = QString::number(n);
    if (n >= 0 && digits.size() < 4) {
        digits.prepend(QString(4 - digits.size(), QLatin1Char('0')));
    }
    return digits;
}

bool NameTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString SafeNamePart(const QString& part) {
    QString safe;
    safe.reserve(part.size());
    qsizetype utf8Bytes = 0;
    for (qsizetype i = 0; i < part.size();) {
        // One whole character: a surrogate pair stays together.
        const qsizetype len =
            (part[i].isHighSurrogate() && i + 1 < part.size() && part[i + 1].isLowSurrogate()) ? 2 : 1;
        QString ch = part.mid(i, len);
        i += len;
        if (ch == QLatin1String("/") || ch == QLatin1String("\\") || ch == QChar(u'\0')) {
            ch = QStringLiteral("_");
        }
        const qsizetype chBytes = ch.toUtf8().size();
        if (utf8Bytes + chBytes > kMaxNamePartBytes) {
            break;
        }
        utf8Bytes += chBytes;
        safe += ch;
    }
    return safe;
}

namespace {

// folder + "/" + name part + ext, where the name part has been made safe and the
// file name can never be "." or "..", which name folders.
QString JoinName(const QString& folder, const QString& safePart, const QString& ext) {
    QString name = safePart + ext;
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        name.prepend(QLatin1Char('_'));
    }
    return folder + QLatin1Char('/') + name;
}

QString FirstFreeNumbered(const QString& folder, const QString& safePrefix, const QString& ext) {
    for (qint64 n = 1;; ++n) {
        const QString path = JoinName(folder, safePrefix + PadSequence(n), ext);
        if (!NameTaken(path)) {
            return path;
        }
    }
}

}  // namespace

QString NextSequencePath(const QString& folder, const QString& ext) {
    return FirstFreeNumbered(folder, QString(), ext);
}

QString NextPrefixedPath(const QString& folder, const QString& prefix, const QString& ext) {
    return FirstFreeNumbered(folder, SafeNamePart(prefix), ext);
}

QString NextTextPath(const QString& folder, const QString& text, const QString& ext) {
    const QString safe = SafeNamePart(text);
    const QString plain = JoinName(folder, safe, ext);
    if (!NameTaken(plain)) {
        return plain;
    }
    for (qint64 k = 1;; ++k) {
        const QString path = JoinName(folder, safe + QChar(0x2014) + QString::number(k), ext);
        if (!NameTaken(path)) {
            return path;
        }
    }
}

QString SourceBaseName(const QString& sourceFileName) {
    const qsizetype dot = sourceFileName.indexOf(QLatin1Char('.'));
    return dot < 0 ? sourceFileName : sourceFileName.left(dot);
}

QString FileNameOfPath(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

ExcelCellCheck CheckExcelCell(const NameListState& nameList, NamingFlow flow) {
    if (!nameList.windowOpen) {
        return {ExcelCellStep::AskToKeepMode,
                QStringLiteral("当前批量命名方式需导入EXCEL文件，是否沿用此命名方式？"),
                QStringLiteral("询问")};
    }
    if (!nameList.workbookLoaded) {
        return {ExcelCellStep::NoWorkbook, QStringLiteral("请先导入EXCEL文件。"), QStringLiteral("提示")};
    }
    if (nameList.currentName.isEmpty()) {
        return {ExcelCellStep::EmptyName,
                flow == NamingFlow::BatchCrop
                    ? QStringLiteral("请先点击有文字的单元格作为图片命名，再截图。")
                    : QStringLiteral("请点击有文字的单元格以其文字命名即将拍照的图片。"),
                QStringLiteral("提示")};
    }
    return {};
}

QString PromptTemporaryPath(const QString& settingsFolder, const QString& ext) {
    return settingsFolder + QStringLiteral("/临时C") + ext;
}

OutputTarget MakeOutputPath(const NamingInputs& in) {
    OutputTarget target;
    switch (in.mode) {
        case NamingMode::SourceName:
            target.path = JoinName(in.folder, SafeNamePart(SourceBaseName(in.sourceFileName)), in.extension);
            break;
        case NamingMode::CaptureTime:
            target.path = NextTextPath(in.folder, TimeName(in.now), in.extension);
            break;
        case NamingMode::Sequence: target.path = NextSequencePath(in.folder, in.extension); break;
        case NamingMode::CustomPrefix:
            target.path = NextPrefixedPath(in.folder, in.prefix, in.extension);
            break;
        case NamingMode::AskEachTime:
            target.path = PromptTemporaryPath(in.settingsFolder, in.extension);
            target.temporary = true;
            break;
        case NamingMode::ExcelCell:
            target.stop = CheckExcelCell(in.nameList, in.flow);
            if (target.stop.step == ExcelCellStep::UseCurrentName) {
                target.path = NextTextPath(in.folder, in.nameList.currentName, in.extension);
            }
            break;
    }
    return target;
}

}  // namespace picura
