// Feeds arbitrary bytes to the .xlsx reader, two ways chosen by the first byte:
// - even: the rest is the archive itself (zip parsing, inflation bounds);
// - odd: the rest is up to five parts separated by "\xff\xfe" (package
//   relationships, workbook, workbook relationships, shared strings, first
//   sheet), stored in a well-formed archive so that mutations reach the XML
//   readers instead of failing the archive's checksums.
// Every sheet is then read and scanned as the Name list does.
#include <zlib.h>

#include <cstddef>
#include <cstdint>

#include <QList>

#include "namelist/NameGridScan.h"
#include "namelist/XlsxWorkbook.h"

namespace {

void Put16(QByteArray& out, quint32 v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(QByteArray& out, quint32 v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A zip archive holding the entries uncompressed.
QByteArray StoredZip(const QList<QPair<QByteArray, QByteArray>>& entries) {
    QByteArray out;
    QByteArray directory;
    for (const auto& [name, data] : entries) {
        const quint32 crc = static_cast<quint32>(
            crc32(0, reinterpret_cast<const Bytef*>(data.constData()), static_cast<uInt>(data.size())));
        const quint32 offset = static_cast<quint32>(out.size());
        Put32(out, 0x04034b50);
        Put16(out, 10);
        Put16(out, 0);
        Put16(out, 0);  // stored
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, static_cast<quint32>(data.size()));
        Put32(out, static_cast<quint32>(data.size()));
        Put16(out, static_cast<quint32>(name.size()));
        Put16(out, 0);
        out += name;
        out += data;

        Put32(directory, 0x02014b50);
        Put16(directory, 20);
        Put16(directory, 10);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, crc);
        Put32(directory, static_cast<quint32>(data.size()));
        Put32(directory, static_cast<quint32>(data.size()));
        Put16(directory, static_cast<quint32>(name.size()));
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, offset);
        directory += name;
    }
    const quint32 directoryOffset = static_cast<quint32>(out.size());
    out += directory;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<quint32>(entries.size()));
    Put16(out, static_cast<quint32>(entries.size()));
    Put32(out, static_cast<quint32>(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, 0);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    QByteArray archive;
    if (data[0] % 2 == 0) {
        archive = rest;
    } else {
        static const QByteArray kNames[] = {"_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                            "xl/sharedStrings.xml", "xl/worksheets/sheet1.xml"};
        QList<QPair<QByteArray, QByteArray>> entries;
        qsizetype from = 0;
        for (const QByteArray& name : kNames) {
            if (from > rest.size()) {
                break;
            }
            qsizetype to = rest.indexOf("\xff\xfe", from);
            if (to < 0) {
                to = rest.size();
            }
            entries.append({name, rest.mid(from, to - from)});
            from = to + 2;
        }
        archive = StoredZip(entries);
    }
    // Small bounds keep each run fast; the bounds themselves are what is tested.
    const picura::OpenedWorkbook opened = picura::OpenXlsxWorkbook(archive, {1 << 20, 4 << 20});
    if (!opened.book) {
        if (opened.reason.isEmpty()) {
            __builtin_trap();
        }
        return 0;
    }
    for (int i = 0; i < opened.book->sheetCount() && i < 8; ++i) {
        (void)opened.book->sheetName(i);
        QString reason;
        const auto cells = opened.book->readSheet(i, &reason);
        if (!cells) {
            if (reason.isEmpty()) {
                __builtin_trap();
            }
            continue;
        }
        const picura::GridExtent extent = picura::ScanExtent(*cells);
        if (extent.lastRow >= picura::SheetCells::kMaxRows ||
            extent.lastColumn >= picura::SheetCells::kMaxColumns) {
            __builtin_trap();
        }
        cells->forEach([](int, int, const QString& text) { (void)picura::CleanCellText(text); });
    }
    return 0;
}
