#pragma once

#include <QString>
#include <QStringList>

namespace picura {

// Whether a file name has one of the extensions batch crop takes: jpg, jpeg,
// bmp, gif or png after its last ".", in any letter case.
bool IsPictureName(const QString& fileName);

// Puts file names in the order a person reads them: numbers by value (a2 before
// a10), Chinese by the zh_CN collation; names the collation finds equal keep a
// fixed order by code point.
void SortNaturally(QStringList& names);

// The picture files of a folder (not its sub-folders, not folders named like
// pictures), as names without folder, in natural order. A missing or unreadable
// folder gives an empty list.
QStringList ScanPictureFolder(const QString& folder);

}  // namespace picura
