#include "namelist/XlsxWorkbook.h"

#include <QDir>
#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>

#include <vector>

#include <zip.h>

namespace picura {
namespace {

// What is left of the inflation budget of one operation.
struct Budget {
    qint64 entryBytes;
    qint64 remaining;
};

enum class PartError { None, Missing, Damaged, TooLarge };

QString ReasonFor(PartError e) {
    switch (e) {
        case PartError::TooLarge: return workbook_reason::kTooLarge;
        case PartError::Missing: return workbook_reason::kNotWorkbook;
        default: return workbook_reason::kDamaged;
    }
}

// Decodes the _xHHHH_ escapes Excel writes for characters XML cannot hold.
QString DecodeEscapes(const QString& text) {
    if (!text.contains(QLatin1String("_x"))) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('_') && i + 6 < text.size() && text.at(i + 1) == QLatin1Char('x') &&
            text.at(i + 6) == QLatin1Char('_')) {
            bool ok = false;
            const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out.append(QChar(static_cast<char16_t>(code)));
                i += 6;
                continue;
            }
        }
        out.append(text.at(i));
    }
    return out;
}

// "AB12" to row 11, column 27; false for anything else or beyond the sheet.
bool ParseCellReference(QStringView ref, int* row, int* column) {
    qsizetype i = 0;
    long long col = 0;
    while (i < ref.size() && ref.at(i).isLetter() && ref.at(i).unicode() < 0x80) {
        col = col * 26 + (ref.at(i).toUpper().unicode() - 'A' + 1);
        if (col > SheetCells::kMaxColumns) {
            return false;
        }
        ++i;
    }
    if (i == 0 || i == ref.size()) {
        return false;
    }
    long long r = 0;
    for (; i < ref.size(); ++i) {
        const char16_t c = ref.at(i).unicode();
        if (c < '0' || c > '9') {
            return false;
        }
        r = r * 10 + (c - '0');
        if (r > SheetCells::kMaxRows) {
            return false;
        }
    }
    if (r < 1) {
        return false;
    }
    *row = static_cast<int>(r - 1);
    *column = static_cast<int>(col - 1);
    return true;
}

// The text of the <t> elements inside the current element (an <si> or an
// <is>), leaving out phonetic runs; the reader ends on the element's end.
QString ReadRichText(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    int phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                if (xml.name() == u"rPh") {
                    ++phonetic;
                    ++depth;
                } else if (xml.name() == u"t" && phonetic == 0) {
                    text += xml.readElementText(QXmlStreamReader::SkipChildElements);
                } else {
                    ++depth;
                }
                break;
            case QXmlStreamReader::EndElement:
                if (xml.name() == u"rPh") {
                    --phonetic;
                }
                --depth;
                break;
            default: break;
        }
    }
    return DecodeEscapes(text);
}

struct Relationship {
    QString type;
    QString target;  // resolved to a part name
};

// The folder of a part name ("xl/workbook.xml" -> "xl").
QString PartFolder(const QString& part) {
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash);
}

QString ResolveTarget(const QString& sourceFolder, const QString& target) {
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    QString path;
    if (decoded.startsWith(QLatin1Char('/'))) {
        path = decoded.mid(1);
    } else {
        path = sourceFolder.isEmpty() ? decoded : sourceFolder + QLatin1Char('/') + decoded;
    }
    return QDir::cleanPath(path);
}

// The relationships file of a part: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
QString RelsPartOf(const QString& part) {
    const QString folder = PartFolder(part);
    const QString name = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral("_rels/") + name +
           QStringLiteral(".rels");
}

class ZipReader {
  public:
    explicit ZipReader(QByteArray bytes) : bytes_(std::move(bytes)) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source =
            zip_source_buffer_create(bytes_.constData(), static_cast<zip_uint64_t>(bytes_.size()), 0, &error);
        if (source) {
            zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!zip_) {
                zip_source_free(source);
            }
        }
        zip_error_fini(&error);
    }
    ~ZipReader() {
        if (zip_) {
            zip_discard(zip_);
        }
    }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool isOpen() const { return zip_ != nullptr; }

    // The inflated bytes of one entry, within the budget.
    PartError read(const QString& name, Budget& budget, QByteArray* out) const {
        out->clear();
        const QByteArray utf8 = name.toUtf8();
        zip_int64_t index = zip_name_locate(zip_, utf8.constData(), 0);
        if (index < 0) {
            index = zip_name_locate(zip_, utf8.constData(), ZIP_FL_NOCASE);
        }
        if (index < 0) {
            return PartError::Missing;
        }
        zip_file_t* file = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
        if (!file) {
            return PartError::Damaged;
        }
        PartError result = PartError::None;
        char chunk[64 * 1024];
        for (;;) {
            const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
            if (n < 0) {
                result = PartError::Damaged;
                break;
            }
            if (n == 0) {
                break;
            }
            if (out->size() + n > budget.entryBytes || n > budget.remaining) {
                result = PartError::TooLarge;
                break;
            }
            budget.remaining -= n;
            out->append(chunk, static_cast<qsizetype>(n));
        }
        zip_fclose(file);
        if (result != PartError::None) {
            out->clear();
        }
        return result;
    }

  private:
    QByteArray bytes_;  // the archive; libzip reads from it in place
    zip_t* zip_ = nullptr;
};

PartError ReadRelationships(const ZipReader& zip, const QString& part, Budget& budget,
                            QHash<QString, Relationship>* rels) {
    QByteArray bytes;
    const PartError e = zip.read(RelsPartOf(part), budget, &bytes);
    if (e != PartError::None) {
        return e;
    }
    const QString folder = PartFolder(part);
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship") {
            const auto a = xml.attributes();
            if (a.value(QLatin1String("TargetMode")) != u"External") {
                rels->insert(a.value(QLatin1String("Id")).toString(),
                             {a.value(QLatin1String("Type")).toString(),
                              ResolveTarget(folder, a.value(QLatin1String("Target")).toString())});
            }
        }
    }
    return xml.hasError() ? PartError::Damaged : PartError::None;
}

class XlsxWorkbook : public Workbook {
  public:
    XlsxWorkbook(QByteArray bytes, XlsxLimits limits) : zip_(std::move(bytes)), limits_(limits) {}

    // Reads the package's parts that name the sheets; a reason on failure.
    QString load() {
        if (!zip_.isOpen()) {
            return workbook_reason::kDamaged;
        }
        Budget budget{limits_.entryBytes, limits_.totalBytes};

        // The workbook part, from the package relationships.
        QString workbookPart = QStringLiteral("xl/workbook.xml");
        QHash<QString, Relationship> packageRels;
        PartError e = ReadRelationships(zip_, QString(), budget, &packageRels);
        if (e == PartError::TooLarge || e == PartError::Damaged) {
            return ReasonFor(e);
        }
        for (const Relationship& rel : std::as_const(packageRels)) {
            if (rel.type.endsWith(QLatin1String("/officeDocument"))) {
                workbookPart = rel.target;
            }
        }
        QByteArray workbookXml;
        e = zip_.read(workbookPart, budget, &workbookXml);
        if (e != PartError::None) {
            return ReasonFor(e);
        }
        QHash<QString, Relationship> rels;
        e = ReadRelationships(zip_, workbookPart, budget, &rels);
        if (e == PartError::TooLarge || e == PartError::Damaged) {
            return ReasonFor(e);
        }

        // The sheets, in the workbook's order.
        const QString folder = PartFolder(workbookPart);
        QXmlStreamReader xml(workbookXml);
        bool sawWorkbook = false;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == u"workbook") {
                sawWorkbook = true;
            } else if (xml.name() == u"sheet") {
                QString id;
                for (const QXmlStreamAttribute& a : xml.attributes()) {
                    if (a.name() == u"id" && !a.namespaceUri().isEmpty()) {
                        id = a.value().toString();
                    }
                }
                const auto rel = rels.constFind(id);
                const QString part =
                    rel != rels.cend()
                        ? rel->target
                        : folder + QStringLiteral("/worksheets/sheet%1.xml").arg(names_.size() + 1);
                names_ << xml.attributes().value(QLatin1String("name")).toString();
                parts_ << part;
            }
        }
        if (xml.hasError() || !sawWorkbook) {
            return xml.hasError() ? workbook_reason::kDamaged : workbook_reason::kNotWorkbook;
        }

        // The shared strings, when there are any.
        QString sharedPart = folder.isEmpty() ? QStringLiteral("sharedStrings.xml")
                                              : folder + QStringLiteral("/sharedStrings.xml");
        for (const Relationship& rel : std::as_const(rels)) {
            if (rel.type.endsWith(QLatin1String("/sharedStrings"))) {
                sharedPart = rel.target;
            }
        }
        QByteArray sharedXml;
        e = zip_.read(sharedPart, budget, &sharedXml);
        if (e == PartError::TooLarge || e == PartError::Damaged) {
            return ReasonFor(e);
        }
        if (e == PartError::None) {
            QXmlStreamReader sst(sharedXml);
            while (!sst.atEnd()) {
                if (sst.readNext() == QXmlStreamReader::StartElement && sst.name() == u"si") {
                    shared_.push_back(ReadRichText(sst));
                }
            }
            if (sst.hasError()) {
                return workbook_reason::kDamaged;
            }
        }
        return QString();
    }

    int sheetCount() const override { return static_cast<int>(names_.size()); }
    QString sheetName(int index) const override { return names_.value(index); }

    std::optional<SheetCells> readSheet(int index, QString* reason) const override {
        auto fail = [reason](const QString& why) -> std::optional<SheetCells> {
            if (reason) {
                *reason = why;
            }
            return std::nullopt;
        };
        if (index < 0 || index >= sheetCount()) {
            return fail(workbook_reason::kDamaged);
        }
        Budget budget{limits_.entryBytes, limits_.totalBytes};
        QByteArray bytes;
        const PartError e = zip_.read(parts_.at(index), budget, &bytes);
        if (e == PartError::Missing) {
            return SheetCells();  // a sheet without a part holds nothing
        }
        if (e != PartError::None) {
            return fail(ReasonFor(e));
        }
        SheetCells cells;
        QXmlStreamReader xml(bytes);
        int row = -1;
        int column = -1;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == u"row") {
                bool ok = false;
                const long long r = xml.attributes().value(QLatin1String("r")).toLongLong(&ok);
                row = ok && r >= 1 && r <= SheetCells::kMaxRows ? static_cast<int>(r - 1) : row + 1;
                column = -1;
            } else if (xml.name() == u"c") {
                readCell(xml, &row, &column, cells);
            }
        }
        if (xml.hasError()) {
            return fail(workbook_reason::kDamaged);
        }
        return cells;
    }

  private:
    // One <c> element: its position, type and value; the reader ends on </c>.
    void readCell(QXmlStreamReader& xml, int* row, int* column, SheetCells& cells) const {
        const auto attributes = xml.attributes();
        int r = 0;
        int c = 0;
        if (ParseCellReference(attributes.value(QLatin1String("r")), &r, &c)) {
            *row = r;
            *column = c;
        } else {
            *row = std::max(*row, 0);
            *column += 1;
        }
        const auto type = attributes.value(QLatin1String("t"));
        QString value;
        QString inlineText;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && xml.name() == u"c") {
                break;
            }
            if (token != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == u"v") {
                value = xml.readElementText(QXmlStreamReader::SkipChildElements);
            } else if (xml.name() == u"is") {
                inlineText = ReadRichText(xml);
            }
        }
        QString text;
        if (type == u"s") {
            bool ok = false;
            const qlonglong i = QStringView(value).trimmed().toLongLong(&ok);
            if (ok && i >= 0 && i < static_cast<qlonglong>(shared_.size())) {
                text = shared_[static_cast<std::size_t>(i)];
            }
        } else if (type == u"inlineStr") {
            text = inlineText;
        } else if (type == u"str") {
            text = DecodeEscapes(value);
        }
        cells.set(*row, *column, text);
    }

    ZipReader zip_;
    XlsxLimits limits_;
    QStringList names_;
    QStringList parts_;
    std::vector<QString> shared_;
};

}  // namespace

OpenedWorkbook OpenXlsxWorkbook(QByteArray bytes, XlsxLimits limits) {
    auto book = std::make_unique<XlsxWorkbook>(std::move(bytes), limits);
    const QString reason = book->load();
    if (!reason.isEmpty()) {
        return {nullptr, reason};
    }
    return {std::move(book), QString()};
}

}  // namespace picura
