#pragma once

#include <QString>

#include <optional>
#include <variant>

#include "output/Naming.h"
#include "output/OutputFormat.h"

namespace picura {

class SettingsStore;

// The quick-shoot settings the program holds while it runs (read from section "批量速拍" at start-up).
struct QuickShootSettings {
    bool mode = false;   // quick-shoot mode is on
    QString saveFolder;  // without a trailing "/"
    QString format = QStringLiteral(".JPG");
    int namingIndex = 0;  // in QuickShootNamingEntries()
    QString customPrefix;
    bool shutterSound = false;
    bool keepSettings = false;

    NamingMode namingMode() const;
    // The output format; ".JPG" for any text that is not one of the four.
    OutputFormat outputFormat() const;
};

// Quick-shoot state of one run of the program.
struct QuickShootState {
    QuickShootSettings settings;
    bool asked = false;               // the reuse question was dealt with in this run
    bool settingsWindowOpen = false;  // the Quick-shoot settings window exists
};

// The photo cannot be saved while the save folder is missing: the message to show (title "提示："),
// nullopt when the folder exists.
std::optional<QString> MissingSaveFolderMessage(const QString& saveFolder);
inline const QString kMissingFolderTitle = QStringLiteral("提示：");

// What the Quick-shoot settings window holds when 确定 is pressed.
struct QuickShootForm {
    QString saveFolderText;  // as typed or picked, maybe with a trailing "/"
    OutputFormat format = OutputFormat::Jpg;
    int namingIndex = 0;
    QString namingBoxText;  // the typed prefix for CustomPrefix
    bool shutterSound = false;
    bool keepSettings = false;
    // The Main window's pixel width, pixel height and JPG size edit boxes.
    QString pixelWidthText;
    QString pixelHeightText;
    QString jpgSizeText;
};

// A refusal of 确定 (title "提醒：", information icon); the window stays open.
struct QuickShootRefusal {
    QString message;
    bool focusNamingBox = false;
};
inline const QString kQuickShootRefusalTitle = QStringLiteral("提醒：");

// The checks of 确定 in order (an existing save folder, a prefix not only of blanks) and, when they pass,
// the settings to take: mode on, the folder without its trailing "/", the prefix trimmed.
std::variant<QuickShootRefusal, QuickShootSettings> ConfirmQuickShootSettings(const QuickShootForm& form);

// Writes the nine quick-shoot keys in one write: the settings when keep settings is on, the empty text
// under every key otherwise. False when the file could not be written.
bool WriteQuickShootSettings(const SettingsStore& store, const QuickShootSettings& settings,
                             const QuickShootForm& form);

// Stores the Main window's pixel sizes (and the JPG size when the format is ".JPG") under the quick-shoot
// keys, as the camera does while keep settings is on. Either size may be left out (nullopt).
void StoreQuickShootSizes(const SettingsStore& store, const std::optional<QString>& pixelWidth,
                          const std::optional<QString>& pixelHeight, const std::optional<QString>& jpgSize);

}  // namespace picura
