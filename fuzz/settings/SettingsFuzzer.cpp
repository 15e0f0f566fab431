// The settings file: whatever an existing file holds, a value written reads back, and every other value
// that could be read before reads the same afterwards.
#include <cstddef>
#include <cstdint>

#include <QStringList>

#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

namespace {

const QStringList& Sections() {
    static const QStringList s = {picura::ini::kBatchSection, picura::ini::kQuickSection, QStringLiteral("A"),
                                  QStringLiteral("a")};
    return s;
}

const QStringList& Keys() {
    static const QStringList k = {picura::ini::kNamingMode, picura::ini::kCustomPrefix, picura::ini::kFormat,
                                  picura::ini::kSaveFolder, picura::ini::kKeepSettings, QStringLiteral("k"),
                                  QStringLiteral("K")};
    return k;
}

const QStringList& Values() {
    static const QStringList v = {QString(),
                                  QStringLiteral("D:\\照片\\2024"),
                                  QStringLiteral(".PNG"),
                                  QStringLiteral("真"),
                                  QStringLiteral("12"),
                                  QStringLiteral("a=b"),
                                  QStringLiteral("[x]")};
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte chooses what is written; the rest is the file found on disk.
    const std::uint8_t pick = data[0];
    const QString& section = Sections()[pick % Sections().size()];
    const QString& key = Keys()[(pick / 4) % Keys().size()];
    const QString& value = Values()[(pick / 28) % Values().size()];
    const QByteArray file(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    const picura::IniDocument before = picura::IniDocument::Parse(file);
    picura::IniDocument after = before;
    after.setValue(section, key, value);
    const picura::IniDocument reread = picura::IniDocument::Parse(after.toBytes());
    if (reread.value(section, key) != value) {
        __builtin_trap();
    }
    for (const QString& s : Sections()) {
        for (const QString& k : Keys()) {
            const bool same =
                s.compare(section, Qt::CaseInsensitive) == 0 && k.compare(key, Qt::CaseInsensitive) == 0;
            if (!same && before.value(s, k) != reread.value(s, k)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
