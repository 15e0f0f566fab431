#include "camera/QuickShoot.h"

#include <QFile>
#include <QFileInfo>

#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

namespace picura {
namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QChar(0x3000);
}

bool OnlyBlanks(const QString& text) {
    return std::all_of(text.begin(), text.end(), IsBlank);
}

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

// Applies `edit` to the settings file in one atomic write; an unreadable file is left alone, so that the
// other section is never lost.
template <typename Edit>
bool EditSettingsFile(const SettingsStore& store, Edit edit) {
    QFile existing(store.path());
    if (existing.exists() && !existing.open(QIODevice::ReadOnly)) {
        return false;
    }
    IniDocument doc = IniDocument::Parse(existing.isOpen() ? existing.readAll() : QByteArray());
    existing.close();
    edit(doc);
    return doc.save(store.path());
}

}  // namespace

NamingMode QuickShootSettings::namingMode() const {
    return ModeAt(QuickShootNamingEntries(), namingIndex).value_or(NamingMode::CaptureTime);
}

OutputFormat QuickShootSettings::outputFormat() const {
    const std::optional<OutputFormat> f = FormatFromExtension(format);
    return f && FormatText(*f) == format ? *f : OutputFormat::Jpg;
}

std::optional<QString> MissingSaveFolderMessage(const QString& saveFolder) {
    if (saveFolder.isEmpty()) {
        return QStringLiteral("批量速拍图片保存目录尚未设置，请先设置。");
    }
    if (!QFileInfo(saveFolder).isDir()) {
        return QStringLiteral("批量速拍图片保存目录不存在，请重新设置。");
    }
    return std::nullopt;
}

std::variant<QuickShootRefusal, QuickShootSettings> ConfirmQuickShootSettings(const QuickShootForm& form) {
    if (form.saveFolderText.isEmpty() || !QFileInfo(form.saveFolderText).isDir()) {
        return QuickShootRefusal{QStringLiteral("请设置正确的图片保存目录。"), false};
    }
    const NamingMode mode =
        ModeAt(QuickShootNamingEntries(), form.namingIndex).value_or(NamingMode::CaptureTime);
    if (mode == NamingMode::CustomPrefix && OnlyBlanks(form.namingBoxText)) {
        return QuickShootRefusal{QStringLiteral("自定义命名不能为空。"), true};
    }
    QuickShootSettings s;
    s.mode = true;
    s.saveFolder = form.saveFolderText;
    if (s.saveFolder.size() > 1 && s.saveFolder.endsWith(QLatin1Char('/'))) {
        s.saveFolder.chop(1);  // "/" alone stays the root
    }
    s.format = FormatText(form.format);
    s.namingIndex = ModeAt(QuickShootNamingEntries(), form.namingIndex) ? form.namingIndex : 0;
    s.customPrefix = mode == NamingMode::CustomPrefix ? TrimBlanks(form.namingBoxText) : QString();
    s.shutterSound = form.shutterSound;
    s.keepSettings = form.keepSettings;
    return s;
}

bool WriteQuickShootSettings(const SettingsStore& store, const QuickShootSettings& s,
                             const QuickShootForm& form) {
    return EditSettingsFile(store, [&](IniDocument& doc) {
        const auto put = [&](const QString& key, const QString& value) {
            doc.setValue(ini::kQuickSection, key, s.keepSettings ? value : QString());
        };
        put(ini::kNamingMode, QString::number(s.namingIndex));
        put(ini::kCustomPrefix, s.customPrefix);
        put(ini::kFormat, s.format);
        put(ini::kSaveFolder, s.saveFolder);
        put(ini::kShutterSound, FlagToText(s.shutterSound));
        put(ini::kKeepSettings, ini::kFlagOn);
        put(ini::kPixelWidth, form.pixelWidthText);
        put(ini::kPixelHeight, form.pixelHeightText);
        put(ini::kJpgSize, s.outputFormat() == OutputFormat::Jpg ? form.jpgSizeText : QString());
    });
}

void StoreQuickShootSizes(const SettingsStore& store, const std::optional<QString>& pixelWidth,
                          const std::optional<QString>& pixelHeight, const std::optional<QString>& jpgSize) {
    EditSettingsFile(store, [&](IniDocument& doc) {
        if (pixelWidth) {
            doc.setValue(ini::kQuickSection, ini::kPixelWidth, *pixelWidth);
        }
        if (pixelHeight) {
            doc.setValue(ini::kQuickSection, ini::kPixelHeight, *pixelHeight);
        }
        if (jpgSize) {
            doc.setValue(ini::kQuickSection, ini::kJpgSize, *jpgSize);
        }
    });
}

}  // namespace picura
