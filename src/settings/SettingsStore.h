#pragma once

#include <QString>

namespace picura {

// The operator's settings file "set.dll" in the settings folder: two sections,
// batch crop and quick shoot. Every read uses the empty text as default; every
// write replaces one value and keeps the rest of the file.
class SettingsStore {
  public:
    explicit SettingsStore(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }
    QString read(const QString& section, const QString& key) const;
    // Failures are silent for the operator; the caller keeps using its value in memory.
    bool write(const QString& section, const QString& key, const QString& value) const;

  private:
    QString path_;
};

namespace ini {
inline const QString kSettingsFileName = QStringLiteral("set.dll");
inline const QString kBatchSection = QStringLiteral("批量截图");
inline const QString kQuickSection = QStringLiteral("批量速拍");
inline const QString kNamingMode = QStringLiteral("命名方式");
inline const QString kCustomPrefix = QStringLiteral("自定义命名");
inline const QString kFormat = QStringLiteral("保存格式");
inline const QString kSaveFolder = QStringLiteral("保存目录");
inline const QString kSourceFolder = QStringLiteral("待截图目录");
inline const QString kCropSound = QStringLiteral("发裁切声");
inline const QString kShutterSound = QStringLiteral("发快门声");
inline const QString kKeepSettings = QStringLiteral("是否保存设置");
inline const QString kPixelWidth = QStringLiteral("像素宽");
inline const QString kPixelHeight = QStringLiteral("像素高");
inline const QString kJpgSize = QStringLiteral("JPG体积");
inline const QString kFlagOn = QStringLiteral("真");
}  // namespace ini

// Settings of one mode (batch crop or quick shoot) as read at start-up.
struct ModeSettings {
    int namingIndex = 0;  // position in the mode's naming list; 0 when outside it
    QString customPrefix;
    QString format = QStringLiteral(".JPG");
    QString saveFolder;
    QString sourceFolder;  // batch crop only
    bool sound = false;    // crop sound (batch) or shutter sound (quick shoot)
    bool keepSettings = false;
};

// Reads the start-up keys of the batch-crop section, one after the other;
// `namingListSize` bounds the naming index.
ModeSettings ReadBatchSettings(const SettingsStore& store, int namingListSize);
ModeSettings ReadQuickShootSettings(const SettingsStore& store, int namingListSize);

// Flag and format conventions of the store.
inline bool FlagFromText(const QString& text) {
    return text == ini::kFlagOn;
}
inline QString FlagToText(bool on) {
    return on ? ini::kFlagOn : QString();
}
inline QString FormatFromText(const QString& text) {
    return text.isEmpty() ? QStringLiteral(".JPG") : text;
}

}  // namespace picura
