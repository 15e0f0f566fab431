#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace picura {

// How pictures saved without a save dialog are named.
enum class NamingMode { SourceName, CaptureTime, Sequence, CustomPrefix, AskEachTime, ExcelCell };

// One entry of a naming combo box. The program keeps the chosen entry's text as
// the current mode; the settings keep its 0-based index.
struct NamingEntry {
    NamingMode mode;
    QString text;
};
// The six entries of the batch-crop list and the five of the quick-shoot list, in order.
const QList<NamingEntry>& BatchNamingEntries();
const QList<NamingEntry>& QuickShootNamingEntries();
// The mode at `index` of a list; nullopt outside it.
std::optional<NamingMode> ModeAt(const QList<NamingEntry>& entries, int index);
// Index of the mode in a list; -1 when the list has no such entry (SourceName in quick shoot).
int IndexOfMode(const QList<NamingEntry>& entries, NamingMode mode);
// The mode of an entry text of either list; nullopt for any other text.
std::optional<NamingMode> ModeFromEntryText(const QString& text);

// "2022-1-10 11-45-23": date and time without leading zeros.
QString TimeName(const QDateTime& when);
// 1 → "0001", 42 → "0042", 10000 → "10000".
QString PadSequence(qint64 n);

// Whether a file or folder entry of exactly this path exists (a dangling link counts).
bool NameTaken(const QString& path);

// A name part (prefix, typed name, cell text, source base name) made safe to put
// between the target folder and the extension: "/", "\" and NUL become "_", so a
// name can never reach outside the folder, and the part is cut to at most
// kMaxNamePartBytes bytes of UTF-8 (whole characters) so that the file name,
// with a "—k" suffix and the extension, stays within the file system's limit.
inline constexpr qsizetype kMaxNamePartBytes = 200;
QString SafeNamePart(const QString& part);

// folder + "/" + PadSequence(n) + ext for the first n = 1, 2, ... not taken.
QString NextSequencePath(const QString& folder, const QString& ext);
// folder + "/" + prefix + PadSequence(n) + ext for the first n not taken.
QString NextPrefixedPath(const QString& folder, const QString& prefix, const QString& ext);
// folder + "/" + text + ext when free, else text + "—" + k + ext for the first
// k = 1, 2, ... not taken ("—" is U+2014).
QString NextTextPath(const QString& folder, const QString& text, const QString& ext);

// The base name `SourceName` uses: the text before the first "." of the file name.
QString SourceBaseName(const QString& sourceFileName);
// The file name of a picture opened from a path: the part after the last "/".
QString FileNameOfPath(const QString& path);

// Which naming flow asks: batch crop or quick shoot (their Excel texts and settings windows differ).
enum class NamingFlow { BatchCrop, QuickShoot };

// What naming reads of the Name list window.
struct NameListState {
    bool windowOpen = false;
    bool workbookLoaded = false;
    QString currentName;
};

// The checks of the Excel naming mode before anything is saved.
enum class ExcelCellStep {
    UseCurrentName,  // name the picture after the current name
    AskToKeepMode,   // Yes: open the Name list window; No: open the flow's settings window
    NoWorkbook,      // tell, then give the Name list window the focus
    EmptyName,       // tell
};
struct ExcelCellCheck {
    ExcelCellStep step = ExcelCellStep::UseCurrentName;
    QString text;  // the question or message; empty for UseCurrentName
    QString title;
};
ExcelCellCheck CheckExcelCell(const NameListState& nameList, NamingFlow flow);

// Everything a naming reads.
struct NamingInputs {
    NamingFlow flow = NamingFlow::BatchCrop;
    NamingMode mode = NamingMode::Sequence;
    QString folder;          // target folder, without trailing "/"
    QString extension;       // lowercase, with its dot: ".jpg"
    QString prefix;          // CustomPrefix
    QString sourceFileName;  // SourceName: the batch task's name, or the opened file's name
    NameListState nameList;  // ExcelCell
    QString settingsFolder;  // AskEachTime: holds the temporary file
    QDateTime now;           // CaptureTime
};

struct OutputTarget {
    QString path;            // empty when the save must stop
    bool temporary = false;  // AskEachTime: the naming prompt gives the final name afterwards
    ExcelCellCheck stop;     // ExcelCell: why it stops (step is UseCurrentName otherwise)
    bool stopped() const { return path.isEmpty(); }
};

// The temporary file of the naming prompt: settings folder + "/临时C" + ext.
QString PromptTemporaryPath(const QString& settingsFolder, const QString& ext);

// The target of a save by naming mode. SourceName replaces an existing file of
// its name; CaptureTime gives a second picture of the same second a "—1" suffix
// instead of replacing the first.
OutputTarget MakeOutputPath(const NamingInputs& in);

}  // namespace picura
