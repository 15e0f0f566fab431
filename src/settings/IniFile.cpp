#include "settings/IniFile.h"

#include <QFile>
#include "settings/AtomicFile.h"
#include "settings/Gbk.h"

namespace picura {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray TrimBlanks(const QByteArray& bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && IsBlank(bytes[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(bytes[end - 1])) {
        --end;
    }
    return bytes.mid(begin, end - begin);
}

// "[name]" (with blanks allowed around) gives the name; otherwise nullopt.
std::optional<QByteArray> SectionName(const QByteArray& raw) {
    const QByteArray t = TrimBlanks(raw);
    if (!t.startsWith('[')) {
        return std::nullopt;
    }
    const qsizetype close = t.indexOf(']');
    if (close < 0) {
        return std::nullopt;
    }
    return TrimBlanks(t.mid(1, close - 1));
}

// "key=value" gives the key; lines without "=" hold no key.
std::optional<QByteArray> KeyName(const QByteArray& raw) {
    const qsizetype eq = raw.indexOf('=');
    if (eq < 0) {
        return std::nullopt;
    }
    return TrimBlanks(raw.left(eq));
}

bool SameName(const QByteArray& onDisk, const QString& wanted) {
    return FromGbk(onDisk).compare(wanted.trimmed(), Qt::CaseInsensitive) == 0;
}

QByteArray CleanValue(const QString& value) {
    // A line break inside a value would split the line and corrupt the file.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return ToGbk(v);
}

}  // namespace

IniDocument IniDocument::Parse(const QByteArray& bytes) {
    IniDocument doc;
    if (bytes.isEmpty()) {
        return doc;
    }
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype nl = bytes.indexOf('\n', start);
        const bool last = nl < 0;
        if (last) {
            nl = bytes.size();
        }
        QByteArray raw = bytes.mid(start, nl - start);
        if (raw.endsWith('\r')) {
            raw.chop(1);
        }
        doc.lines_.append(Line{raw});
        start = nl + 1;
    }
    return doc;
}

IniDocument IniDocument::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return Parse(file.readAll());
}

qsizetype IniDocument::findSection(const QString& section) const {
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i].raw);
        if (name && SameName(*name, section)) {
            return i;
        }
    }
    return -1;
}

qsizetype IniDocument::sectionEnd(qsizetype sectionLine) const {
    qsizetype i = sectionLine + 1;
    while (i < lines_.size() && !SectionName(lines_[i].raw)) {
        ++i;
    }
    return i;
}

qsizetype IniDocument::findKey(qsizetype sectionLine, const QString& key) const {
    const qsizetype end = sectionEnd(sectionLine);
    for (qsizetype i = sectionLine + 1; i < end; ++i) {
        const auto name = KeyName(lines_[i].raw);
        if (name && SameName(*name, key)) {
            return i;
        }
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    const qsizetype s = findSection(section);
    if (s < 0) {
        return std::nullopt;
    }
    const qsizetype k = findKey(s, key);
    if (k < 0) {
        return std::nullopt;
    }
    const QByteArray& raw = lines_[k].raw;
    QByteArray v = TrimBlanks(raw.mid(raw.indexOf('=') + 1));
    // The profile functions drop one pair of matching quotes around a value.
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.mid(1, v.size() - 2);
    }
    return FromGbk(TruncateGbk(v, kMaxIniValueBytes));
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    const QByteArray line = ToGbk(key.trimmed()) + '=' + CleanValue(value);
    qsizetype s = findSection(section);
    if (s < 0) {
        // Drop trailing blank lines, then append the new section.
        while (!lines_.isEmpty() && TrimBlanks(lines_.back().raw).isEmpty()) {
            lines_.removeLast();
        }
        lines_.append(Line{'[' + ToGbk(section.trimmed()) + ']'});
        lines_.append(Line{line});
        return;
    }
    const qsizetype k = findKey(s, key);
    if (k >= 0) {
        lines_[k].raw = line;
        return;
    }
    // After the section's last non-blank line.
    qsizetype insertAt = sectionEnd(s);
    while (insertAt > s + 1 && TrimBlanks(lines_[insertAt - 1].raw).isEmpty()) {
        --insertAt;
    }
    lines_.insert(insertAt, Line{line});
}

QByteArray IniDocument::toBytes() const {
    QByteArray out;
    for (const Line& line : lines_) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

bool IniDocument::save(const QString& path, QString* failure) const {
    const QString reason = WriteFileAtomically(path, toBytes());
    if (failure != nullptr) {
        *failure = reason;
    }
    return reason.isEmpty();
}

QString ReadIniValue(const QString& path, const QString& section, const QString& key,
                     const QString& defaultValue) {
    return IniDocument::Load(path).value(section, key).value_or(defaultValue);
}

bool WriteIniValue(const QString& path, const QString& section, const QString& key, const QString& value) {
    QFile existing(path);
    if (existing.exists() && !existing.open(QIODevice::ReadOnly)) {
        return false;  // never replace a file we could not read: its other keys would be lost
    }
    IniDocument doc = IniDocument::Parse(existing.isOpen() ? existing.readAll() : QByteArray());
    doc.setValue(section, key, value);
    return doc.save(path);
}

}  // namespace picura
