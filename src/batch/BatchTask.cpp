#include "batch/BatchTask.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <limits>

#include "batch/BatchSettings.h"
#include "batch/PictureFolder.h"
#include "output/Naming.h"
#include "settings/Gbk.h"
#include "settings/IniFile.h"
#include "settings/TextNumber.h"

namespace picura {
namespace {

int ReadNumber(const IniDocument& doc, const QString& section, const QString& key) {
    return Trunc(TextToNumber(doc.value(section, key).value_or(QString())));
}

QString Section(qint64 position) {
    return QString::number(position);
}

// A name the task can have written: a plain file name, nothing that leads
// outside the source folder.
bool IsPlainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(u'\0'));
}

BatchView Message(BatchView::Outcome outcome, const QString& text) {
    BatchView view;
    view.outcome = outcome;
    view.message = text;
    view.title = kBatchMessageTitle;
    return view;
}

// Lines in the file: a task of N pictures has at least 3N of them, which bounds a
// count read from a damaged file.
int LineCount(const IniDocument& doc) {
    const QByteArray bytes = doc.toBytes();
    return static_cast<int>(std::min<qsizetype>(bytes.count('\n'), std::numeric_limits<int>::max()));
}

// Spaces and tabs around a line or a value.
QByteArray TrimBlanks(const QByteArray& b) {
    qsizetype begin = 0;
    qsizetype end = b.size();
    while (begin < end && (b[begin] == ' ' || b[begin] == '\t')) {
        ++begin;
    }
    while (end > begin && (b[end - 1] == ' ' || b[end - 1] == '\t')) {
        --end;
    }
    return b.mid(begin, end - begin);
}

// The names of positions 1..count, read in one pass over the file with the
// document's rules (first section of a name, first key in it, blanks and one pair
// of quotes around the value removed). Looking each position up in the document
// searches it from the top every time, which for thousands of pictures takes seconds.
// `sectionsSeen` receives the names of all sections of the file.
QSet<QString> KnownNames(const QByteArray& bytes, int count, QSet<QByteArray>& sectionsSeen) {
    const auto trim = TrimBlanks;
    QSet<QString> known;
    bool inPosition = false;  // first section of a position 1..count
    bool nameTaken = false;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const QByteArray t = trim(line);
        if (t.startsWith('[') && t.indexOf(']') > 0) {
            const QByteArray section = trim(t.mid(1, t.indexOf(']') - 1));
            const bool first = !sectionsSeen.contains(section);
            sectionsSeen.insert(section);
            bool isNumber = false;
            const int n = section.toInt(&isNumber);
            inPosition = first && isNumber && n >= 1 && n <= count && QByteArray::number(n) == section;
            nameTaken = false;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inPosition || nameTaken || eq < 0 || FromGbk(trim(line.left(eq))) != task::kNameKey) {
            continue;
        }
        nameTaken = true;
        QByteArray v = trim(line.mid(eq + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
            v = v.mid(1, v.size() - 2);
        }
        const QString name = FromGbk(TruncateGbk(v, kMaxIniValueBytes));
        if (!name.isEmpty()) {
            known.insert(name);
        }
    }
    return known;
}

}  // namespace

QString BatchCaption(const QString& name, const QString& state) {
    return QStringLiteral(" 当前文件：") + name + QStringLiteral("  ") + state;
}

BatchCropTask::BatchCropTask(QString taskFilePath, QString sourceFolder)
    : path_(std::move(taskFilePath)), source_(std::move(sourceFolder)) {}

BatchCropTask::~BatchCropTask() {
    writePending();
}

IniDocument BatchCropTask::load() const {
    return unsaved_ ? *unsaved_ : IniDocument::Load(path_);
}

bool BatchCropTask::writePending() {
    if (!unsaved_) {
        return false;
    }
    const std::unique_ptr<IniDocument> doc = std::move(unsaved_);
    saveDoc(*doc);
    return true;
}

QString BatchCropTask::PathIn(const QString& settingsFolder) {
    return settingsFolder + QLatin1Char('/') + task::kFileName;
}

bool BatchCropTask::saveDoc(const IniDocument& doc) {
    unsaved_.reset();  // whatever was pending is in `doc`, or replaced by it
    QString reason;
    if (doc.save(path_, &reason)) {
        writeError_.clear();
        return true;
    }
    writeError_ = QStringLiteral("批量截图任务文件“") + path_ +
                  QStringLiteral("”无法写入，截图进度不能保存：") + reason;
    return false;
}

bool BatchCropTask::create(const QStringList& names) {
    if (names.isEmpty()) {
        return false;
    }
    // Written in the order the keys are listed; composed in one pass, since
    // setting thousands of keys one by one searches the document each time.
    QStringList lines{QLatin1Char('[') + task::kPositionSection + QLatin1Char(']'),
                      task::kPositionKey + QStringLiteral("=1"),
                      QLatin1Char('[') + task::kCountSection + QLatin1Char(']'),
                      task::kCountKey + QLatin1Char('=') + QString::number(names.size())};
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString name = names[i];
        name.replace(QLatin1Char('\r'), QLatin1Char(' '));  // a line break would split the line
        name.replace(QLatin1Char('\n'), QLatin1Char(' '));
        lines << QLatin1Char('[') + Section(i + 1) + QLatin1Char(']')
              << task::kStateKey + QLatin1Char('=') + task::kNotCropped
              << task::kNameKey + QLatin1Char('=') + name;
    }
    count_ = static_cast<int>(std::min<qsizetype>(names.size(), std::numeric_limits<int>::max()));
    return saveDoc(IniDocument::Parse(ToGbk(lines.join(QStringLiteral("\r\n")))));
}

int BatchCropTask::startOver() {
    unsaved_.reset();
    QFile::remove(path_);
    position_ = 0;
    currentName_.clear();
    const QStringList names = ScanPictureFolder(source_);
    if (names.isEmpty()) {
        count_ = 0;
        return 0;
    }
    create(names);
    return count_;
}

void BatchCropTask::resume() {
    const IniDocument doc = load();
    const qint64 stored = ReadNumber(doc, task::kCountSection, task::kCountKey);
    count_ = static_cast<int>(std::clamp<qint64>(stored, 0, LineCount(doc)));
}

void BatchCropTask::end() {
    writePending();
    count_ = 0;
    position_ = 0;
    currentName_.clear();
}

int BatchCropTask::appendNew(IniDocument& doc) {
    const QStringList listed = ScanPictureFolder(source_);
    if (listed.isEmpty()) {
        return 0;
    }
    // Folder names are unique, so taking every name the task knows out of the
    // listing leaves the new ones, in folder order.
    QByteArray bytes = doc.toBytes();
    QSet<QByteArray> sections;
    const QSet<QString> known = KnownNames(bytes, count_, sections);
    // The new sections are written after the last line in one pass (setting them
    // key by key searches the whole document each time: thousands of new pictures
    // took seconds). A damaged file may hold a section of that number already:
    // its keys are set in place, as the profile functions would.
    QByteArray appended;
    QList<std::pair<QString, QString>> inPlace;
    int added = 0;
    for (const QString& name : listed) {
        if (known.contains(name)) {
            continue;
        }
        const QString section = Section(qint64(count_) + added + 1);
        ++added;
        if (sections.contains(section.toLatin1())) {
            inPlace.append({section, name});
            continue;
        }
        QString clean = name;
        clean.replace(QLatin1Char('\r'), QLatin1Char(' '));  // a line break would split the line
        clean.replace(QLatin1Char('\n'), QLatin1Char(' '));
        appended += '[' + section.toLatin1() + "]\r\n" + ToGbk(task::kStateKey) + '=' +
                    ToGbk(task::kNotCropped) + "\r\n" + ToGbk(task::kNameKey) + '=' + ToGbk(clean) + "\r\n";
    }
    if (added == 0) {
        return 0;
    }
    if (!appended.isEmpty()) {
        // Blank lines at the end go, as when a section is added on its own.
        while (bytes.endsWith("\r\n")) {
            const qsizetype end = bytes.size() - 2;
            const qsizetype previous = end > 0 ? bytes.lastIndexOf("\r\n", end - 1) : -1;
            const qsizetype start = previous < 0 ? 0 : previous + 2;
            if (!TrimBlanks(bytes.mid(start, end - start)).isEmpty()) {
                break;
            }
            bytes.truncate(start);
        }
        doc = IniDocument::Parse(bytes + appended);
    }
    for (const auto& [section, name] : inPlace) {
        doc.setValue(section, task::kStateKey, task::kNotCropped);
        doc.setValue(section, task::kNameKey, name);
    }
    count_ += added;
    doc.setValue(task::kCountSection, task::kCountKey, QString::number(count_));
    return added;
}

bool BatchCropTask::appendNewPictures() {
    IniDocument doc = load();
    if (appendNew(doc) == 0) {
        return false;
    }
    saveDoc(doc);
    return true;
}

BatchView BatchCropTask::show(BatchDirection direction, TaskWrite write) {
    IniDocument doc = load();
    qint64 p = ReadNumber(doc, task::kPositionSection, task::kPositionKey);
    switch (direction) {
        case BatchDirection::Previous:
            --p;
            if (p == 0) {
                return Message(BatchView::Outcome::AtFirst, kAtFirstMessage);
            }
            if (p < 0) {
                return {};
            }
            break;
        case BatchDirection::Current: break;
        case BatchDirection::Next:
            ++p;
            if (p > count_) {
                if (appendNew(doc) == 0) {
                    return Message(BatchView::Outcome::AtLast, kAtLastMessage);
                }
                if (p > count_) {
                    // Only a damaged file holds a position beyond the list: keep what was added.
                    saveDoc(doc);
                    return Message(BatchView::Outcome::AtLast, kAtLastMessage);
                }
            }
            break;
    }

    position_ = static_cast<int>(
        std::clamp<qint64>(p, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    if (direction != BatchDirection::Current) {
        doc.setValue(task::kPositionSection, task::kPositionKey, QString::number(p));
        if (write == TaskWrite::Now) {
            saveDoc(doc);  // one write, with any pictures appended above
        } else {
            unsaved_ = std::make_unique<IniDocument>(doc);
            writeError_.clear();  // nothing written yet: writePending() tells
        }
    }
    currentName_ = doc.value(Section(p), task::kNameKey).value_or(QString());

    BatchView view;
    const QString file = source_ + QLatin1Char('/') + currentName_;
    if (!IsPlainName(currentName_) || !QFileInfo(file).isFile()) {
        view.outcome = BatchView::Outcome::Missing;
        view.caption = BatchCaption(currentName_, task::kMissing);
        return view;
    }
    view.outcome = BatchView::Outcome::Shown;
    view.caption = BatchCaption(currentName_, doc.value(Section(p), task::kStateKey).value_or(QString()));
    view.picturePath = file;
    return view;
}

BatchView BatchCropTask::navigate(BatchDirection direction, TaskWrite write) {
    if (count_ == 0) {
        const QStringList names = ScanPictureFolder(source_);
        if (names.isEmpty()) {
            return {};
        }
        create(names);
        return show(BatchDirection::Current);
    }
    return show(direction, write);
}

QString BatchCropTask::markCropped(PictureSource source, const QString& openedFilePath) {
    if (source == PictureSource::OpenedFile) {
        return BatchCaption(FileNameOfPath(openedFilePath), task::kCropped);
    }
    if (position_ >= 1 && position_ <= count_) {
        IniDocument doc = load();
        doc.setValue(Section(position_), task::kStateKey, task::kCropped);
        saveDoc(doc);
    }
    return BatchCaption(currentName_, task::kCropped);
}

QString BatchCropTask::storedName(int position) const {
    return load().value(Section(position), task::kNameKey).value_or(QString());
}

QString BatchCropTask::storedState(int position) const {
    return load().value(Section(position), task::kStateKey).value_or(QString());
}

int BatchCropTask::storedPosition() const {
    return ReadNumber(load(), task::kPositionSection, task::kPositionKey);
}

int BatchCropTask::storedCount() const {
    return ReadNumber(load(), task::kCountSection, task::kCountKey);
}

ResumeCheck CheckResume(const QString& sourceFolder, const QString& saveFolder) {
    if (sourceFolder.isEmpty() || !QFileInfo(sourceFolder).isDir()) {
        return {ResumeCheck::Step::OpenSettings, QString(), QString()};
    }
    if (saveFolder.isEmpty()) {
        return {ResumeCheck::Step::SaveFolder, QStringLiteral("批量截图保存目录尚未设置，请先设置。"),
                QStringLiteral("提示：")};
    }
    if (!QFileInfo(saveFolder).isDir()) {
        return {ResumeCheck::Step::SaveFolder, QStringLiteral("批量截图保存目录不存在，请重新设置。"),
                QStringLiteral("提示：")};
    }
    if (SameFolder(sourceFolder, saveFolder)) {
        return {ResumeCheck::Step::SameFolder, kSameFolderMessage, kSameFolderTitle};
    }
    return {};
}

}  // namespace picura
