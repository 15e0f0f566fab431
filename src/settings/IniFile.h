#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace picura {

// Longest value a read returns, in bytes of the on-disk code page.
inline constexpr qsizetype kMaxIniValueBytes = 10239;

// An INI file in the classic profile format: "[section]" lines open sections,
// "key=value" lines follow. Text is GBK on disk; section and key names match
// without regard to letter case; CR LF and LF line ends are both read. Lines we
// do not touch are written back byte for byte.
class IniDocument {
  public:
    static IniDocument Parse(const QByteArray& bytes);
    // A missing or unreadable file gives an empty document.
    static IniDocument Load(const QString& path);

    // The value of the first matching key in the first matching section, cut to
    // kMaxIniValueBytes; nullopt when the section or key is missing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // Creates the section and the key as needed; replaces an existing value.
    void setValue(const QString& section, const QString& key, const QString& value);

    QByteArray toBytes() const;
    // Writes a temporary file beside `path` and renames it over the old one, so
    // the file on disk is always complete (see WriteFileAtomically). Returns false
    // when that fails, with the reason in `failure` when given.
    bool save(const QString& path, QString* failure = nullptr) const;

  private:
    struct Line {
        QByteArray raw;  // without its line end
    };
    qsizetype findSection(const QString& section) const;
    qsizetype sectionEnd(qsizetype sectionLine) const;
    qsizetype findKey(qsizetype sectionLine, const QString& key) const;

    QList<Line> lines_;
};

// Reads one value; the default when the file, section or key is missing.
QString ReadIniValue(const QString& path, const QString& section, const QString& key,
                     const QString& defaultValue = QString());
// Writes one value, keeping the rest of the file. Failures are not reported to the
// operator; the result tells the caller whether the file was written.
bool WriteIniValue(const QString& path, const QString& section, const QString& key, const QString& value);

}  // namespace picura
