#include "batch/BatchSettings.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>

#include "settings/IniFile.h"
#include "settings/SettingsStore.h"
#include "settings/TextNumber.h"

namespace picura {
namespace {

bool IsFolder(const QString& text) {
    return !text.isEmpty() && QFileInfo(text).isDir();
}

QString WithoutTrailingSlash(const QString& text) {
    if (text.size() > 1 && text.endsWith(QLatin1Char('/'))) {
        return text.chopped(1);
    }
    return text;  // "/" stays the root
}

bool OnlySpaces(const QString& text) {
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QChar(0x3000)) {
            return false;
        }
    }
    return true;
}

QString TrimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) {
        ++begin;
    }
    while (end > begin && text[end - 1] == QLatin1Char(' ')) {
        --end;
    }
    return text.mid(begin, end - begin);
}

}  // namespace

bool SameFolder(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) {
        return false;
    }
    if (a == b || WithoutTrailingSlash(a) == WithoutTrailingSlash(b)) {
        return true;
    }
    std::error_code error;
    const bool same =
        std::filesystem::equivalent(std::filesystem::path(QFile::encodeName(a).toStdString()),
                                    std::filesystem::path(QFile::encodeName(b).toStdString()), error);
    return !error && same;
}

std::variant<BatchSettingsRefusal, ConfirmedBatchSettings> ValidateBatchSettings(
    const BatchSettingsForm& form) {
    BatchSettingsRefusal refusal;
    if (!IsFolder(form.sourceFolderText)) {
        refusal.message = QStringLiteral("待截图目录不存在，无法对其图片进行批量截图。");
        return refusal;
    }
    if (!IsFolder(form.saveFolderText)) {
        refusal.message = QStringLiteral("请设置正确的图片保存目录。");
        return refusal;
    }
    const NamingMode mode = ModeAt(BatchNamingEntries(), form.namingIndex).value_or(NamingMode::SourceName);
    if (mode == NamingMode::CustomPrefix && OnlySpaces(form.namingBoxText)) {
        refusal.message = QStringLiteral("自定义命名不能为空。");
        refusal.focusNamingBox = true;
        return refusal;
    }
    ConfirmedBatchSettings confirmed;
    confirmed.sourceFolder = WithoutTrailingSlash(form.sourceFolderText);
    confirmed.saveFolder = WithoutTrailingSlash(form.saveFolderText);
    if (SameFolder(confirmed.sourceFolder, confirmed.saveFolder)) {
        refusal.message = kSameFolderMessage;
        refusal.clearSaveFolderBox = true;
        return refusal;
    }
    confirmed.mode = mode;
    if (mode == NamingMode::CustomPrefix) {
        confirmed.customPrefix = TrimSpaces(form.namingBoxText);
    }
    confirmed.keepSettings = form.keepSettings;
    return confirmed;
}

bool WriteBatchSettings(const SettingsStore& store, const BatchSettingsForm& form,
                        const ConfirmedBatchSettings& confirmed) {
    QFile existing(store.path());
    if (existing.exists() && !existing.open(QIODevice::ReadOnly)) {
        return false;  // never replace a file we could not read: the quick-shoot keys would be lost
    }
    IniDocument doc = IniDocument::Parse(existing.isOpen() ? existing.readAll() : QByteArray());
    const bool keep = confirmed.keepSettings;
    const auto put = [&](const QString& key, const QString& value) {
        doc.setValue(ini::kBatchSection, key, keep ? value : QString());
    };
    const int index = IndexOfMode(BatchNamingEntries(), confirmed.mode);
    put(ini::kNamingMode, QString::number(index < 0 ? 0 : index));
    put(ini::kCustomPrefix, confirmed.customPrefix);
    put(ini::kFormat, FormatText(form.format));
    put(ini::kSaveFolder, confirmed.saveFolder);
    put(ini::kSourceFolder, confirmed.sourceFolder);
    put(ini::kCropSound, FlagToText(form.cropSound));
    put(ini::kKeepSettings, ini::kFlagOn);
    put(ini::kPixelWidth, form.pixelWidthText);
    put(ini::kPixelHeight, form.pixelHeightText);
    put(ini::kJpgSize, form.format == OutputFormat::Jpg ? form.jpgSizeText : QString());
    return doc.save(store.path());
}

JpgSizeOnResume ResumeJpgSize(const QString& storedText, const QString& editBoxText) {
    const double stored = TextToNumber(storedText);
    if (storedText.isEmpty() || NearlyEqual(stored, 0.0)) {
        return {JpgSizeOnResume::Action::StoreEditBoxText, editBoxText};
    }
    if (stored > 0) {
        return {JpgSizeOnResume::Action::SetEditBox, storedText};
    }
    return {};
}

}  // namespace picura
