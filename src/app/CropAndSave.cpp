#include "app/CropAndSave.h"

#include <QDir>
#include <QFileInfo>

#include "app/MainActions.h"
#include "output/OutputFormat.h"
#include "platform/OperatorDialogs.h"

namespace picura {

QString SaveStartFolder(const QString& desktop, const QString& pictures, const QString& home) {
    for (const QString& folder : {desktop, pictures}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            return folder;
        }
    }
    return home.isEmpty() ? QDir::homePath() : home;
}

QString CropAndSaveInteractive(const Session& session, const ViewBoards& boards, SaveRoad& road,
                               OperatorDialogs& dialogs, SaveDialogMemory& memory,
                               const QString& startFolder) {
    if (!session.hasPicture()) {
        dialogs.tell(kNoPictureMessage, QStringLiteral("提示"));
        return {};
    }
    const auto askForName = [&]() -> std::optional<SaveTarget> {
        FileDialogRequest request;
        request.title = kSaveDialogTitle;
        request.filter = kSaveDialogFilter;
        request.startFolder = startFolder;
        request.initialName = memory.lastName;
        request.defaultSuffix = QStringLiteral("jpg");
        request.confirmOverwrite = true;
        const std::optional<QString> chosen = dialogs.saveFile(request);
        if (!chosen || chosen->isEmpty()) {
            return std::nullopt;
        }
        memory.lastName = QFileInfo(*chosen).fileName();
        const std::optional<OutputFormat> format = FormatFromExtension(ExtensionOfName(memory.lastName));
        if (!format) {
            // Writing an empty file under an unknown extension would look like success.
            dialogs.tell(kUnknownExtensionMessage, QStringLiteral("提示"));
            return std::nullopt;
        }
        return SaveTarget{*chosen, *format, false};
    };
    return road.save(boards, session.frame, session.jpgLimitKb, askForName);
}

}  // namespace picura
