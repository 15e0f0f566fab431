#include "settings/SettingsStore.h"

#include <cmath>

#include "settings/IniFile.h"
#include "settings/TextNumber.h"

namespace picura {

QString SettingsStore::read(const QString& section, const QString& key) const {
    return ReadIniValue(path_, section, key);
}

bool SettingsStore::write(const QString& section, const QString& key, const QString& value) const {
    return WriteIniValue(path_, section, key, value);
}

namespace {

int NamingIndex(const QString& text, int listSize) {
    const double n = std::trunc(TextToNumber(text));
    if (!(n >= 0 && n < listSize)) {
        return 0;  // outside the list: the first entry
    }
    return static_cast<int>(n);
}

ModeSettings ReadMode(const SettingsStore& store, const QString& section, const QString& soundKey,
                      bool hasSourceFolder, int namingListSize) {
    ModeSettings s;
    s.namingIndex = NamingIndex(store.read(section, ini::kNamingMode), namingListSize);
    s.customPrefix = store.read(section, ini::kCustomPrefix);
    s.format = FormatFromText(store.read(section, ini::kFormat));
    s.saveFolder = store.read(section, ini::kSaveFolder);
    if (hasSourceFolder) {
        s.sourceFolder = store.read(section, ini::kSourceFolder);
    }
    s.sound = FlagFromText(store.read(section, soundKey));
    s.keepSettings = FlagFromText(store.read(section, ini::kKeepSettings));
    return s;
}

}  // namespace

ModeSettings ReadBatchSettings(const SettingsStore& store, int namingListSize) {
    return ReadMode(store, ini::kBatchSection, ini::kCropSound, true, namingListSize);
}

ModeSettings ReadQuickShootSettings(const SettingsStore& store, int namingListSize) {
    return ReadMode(store, ini::kQuickSection, ini::kShutterSound, false, namingListSize);
}

}  // namespace picura
