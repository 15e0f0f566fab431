#include "batch/PictureFolder.h"

#include <QCollator>
#include <QDir>
#include <QLocale>

#include <algorithm>

namespace picura {

bool IsPictureName(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        return false;
    }
    const QString ext = fileName.mid(dot + 1).toLower();
    return ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") || ext == QLatin1String("bmp") ||
           ext == QLatin1String("gif") || ext == QLatin1String("png");
}

void SortNaturally(QStringList& names) {
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
}

QStringList ScanPictureFolder(const QString& folder) {
    if (folder.isEmpty()) {
        return {};
    }
    // Files (and links to files) only, hidden ones included; no sorting: the order is ours.
    const QStringList entries =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList names;
    for (const QString& name : entries) {
        if (IsPictureName(name)) {
            names.append(name);
        }
    }
    SortNaturally(names);
    return names;
}

}  // namespace picura
