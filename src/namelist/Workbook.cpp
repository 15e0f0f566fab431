#include "namelist/Workbook.h"

#include <QFile>

#include "namelist/XlsWorkbook.h"
#include "namelist/XlsxWorkbook.h"

namespace picura {
namespace {

// Larger files are not name lists; refusing them keeps the memory bounded.
constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

const QByteArray kZipMagic("PK\x03\x04", 4);
const QByteArray kEmptyZipMagic("PK\x05\x06", 4);
const QByteArray kCompoundMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// The directory-entry name of the stream an encrypted .xlsx keeps its package
// in, as UTF-16LE.
QByteArray EncryptedPackageName() {
    const QString name = QStringLiteral("EncryptedPackage");
    QByteArray out;
    for (QChar c : name) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append('\0');
    }
    return out;
}

}  // namespace

WorkbookKind SniffWorkbook(const QByteArray& bytes) {
    if (bytes.startsWith(kZipMagic) || bytes.startsWith(kEmptyZipMagic)) {
        return WorkbookKind::Xlsx;
    }
    if (bytes.startsWith(kCompoundMagic)) {
        return bytes.contains(EncryptedPackageName()) ? WorkbookKind::EncryptedXlsx : WorkbookKind::Xls;
    }
    return WorkbookKind::Unknown;
}

OpenedWorkbook OpenWorkbook(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {nullptr, workbook_reason::kCannotOpen};
    }
    if (file.size() > kMaxFileBytes) {
        return {nullptr, workbook_reason::kTooLarge};
    }
    QByteArray bytes = file.readAll();
    file.close();
    switch (SniffWorkbook(bytes)) {
        case WorkbookKind::Xlsx: return OpenXlsxWorkbook(std::move(bytes));
        case WorkbookKind::Xls: return OpenXlsWorkbook(path);
        case WorkbookKind::EncryptedXlsx: return {nullptr, workbook_reason::kEncrypted};
        case WorkbookKind::Unknown: break;
    }
    return {nullptr, workbook_reason::kNotWorkbook};
}

}  // namespace picura
