#pragma once

#include <QString>

#include "output/SaveRoad.h"
#include "session/Session.h"
#include "view/ViewBoards.h"

namespace picura {

class OperatorDialogs;

inline const QString kSaveDialogTitle = QStringLiteral("采集框内图象另存为：");
inline const QString kSaveDialogFilter = QStringLiteral("图片文件 (*.jpg *.bmp *.gif *.png)");
inline const QString kUnknownExtensionMessage =
    QStringLiteral("只能保存为jpg、jpeg、bmp、gif、png格式的图片，请在文件名后加上其中一种扩展名。");

// What the interactive save remembers while the program runs.
struct SaveDialogMemory {
    QString lastName;  // the name chosen the previous time
};

// Where the save dialog starts: the desktop folder when it exists, else the
// pictures folder when it exists, else the home folder. (A folder that does not
// exist would make the dialog open its parent with the folder's name offered
// as the file name.)
QString SaveStartFolder(const QString& desktop, const QString& pictures, const QString& home);

// The interactive save of "截图" and toolbar "保存" (batch-crop mode off): the
// save road with the save dialog as its naming. Returns the path written, or an
// empty text when nothing was written.
QString CropAndSaveInteractive(const Session& session, const ViewBoards& boards, SaveRoad& road,
                               OperatorDialogs& dialogs, SaveDialogMemory& memory,
                               const QString& startFolder);

}  // namespace picura
