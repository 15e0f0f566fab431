#include "app/MainWindowState.h"

namespace picura {

void ReadStartupSettings(MainWindowState& state) {
    const SettingsStore store(state.settingsPath());
    state.batch = ReadBatchSettings(store, kBatchNamingCount);
    state.quickShoot = ReadQuickShootSettings(store, kQuickShootNamingCount);
}

bool ShowHint(MainWindowState& state, const QString& text) {
    if (text == state.currentHint) {
        return false;
    }
    state.currentHint = text;
    return true;
}

}  // namespace picura
