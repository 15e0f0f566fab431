#include "app/CropAndSave.h"

#include <QDir>
#include <QFileInfo>

#include "app/MainActions.h"
#include "output/EncodePicture.h"
#include "output/OutputFile.h"
#include "output/OutputFormat.h"
#include "output/SizeMessage.h"
#include "platform/OperatorDialogs.h"
#include "view/ViewRenderer.h"

namespace picura {

QString SaveStartFolder(const QString& desktop, const QString& pictures, const QString& home) {
    for (const QString& folder : {desktop, pictures}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            return folder;
        }
    }
    return home.isEmpty() ? QDir::homePath() : home;
}

QString CropAndSaveInteractive(const MainWindowState& state, const ViewBoards& boards,
                               OperatorDialogs& dialogs, SaveDialogMemory& memory,
                               const QString& startFolder) {
    if (!state.pictureLoaded) {
        dialogs.tell(kNoPictureMessage, QStringLiteral("提示"));
        return {};
    }
    if (state.frame.width <= 0 || state.frame.height <= 0) {
        dialogs.tell(kEmptyFrameMessage, QStringLiteral("提示"));
        return {};
    }
    FileDialogRequest request;
    request.title = kSaveDialogTitle;
    request.filter = kSaveDialogFilter;
    request.startFolder = startFolder;
    request.initialName = memory.lastName;
    request.defaultSuffix = QStringLiteral("jpg");
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = dialogs.saveFile(request);
    if (!chosen || chosen->isEmpty()) {
        return {};
    }
    memory.lastName = QFileInfo(*chosen).fileName();

    const QString extension = ExtensionOfName(QFileInfo(*chosen).fileName());
    if (!FormatFromExtension(extension)) {
        // Writing an empty file under an unknown extension would look like success.
        dialogs.tell(kUnknownExtensionMessage, QStringLiteral("提示"));
        return {};
    }
    const QImage crop = CropFromView(boards, state.frame);
    const EncodeResult encoded = EncodePicture(crop, extension, state.jpgLimitKb);
    if (encoded.bytes.isEmpty()) {
        dialogs.tell(QStringLiteral("无法生成图片文件：%1").arg(*chosen), QStringLiteral("提示"),
                     MessageIcon::Warning);
        return {};
    }
    const QString error = WriteOutputFile(*chosen, encoded.bytes);
    if (!error.isEmpty()) {
        dialogs.tell(error, QStringLiteral("提示"), MessageIcon::Warning);
        return {};
    }
    if (FormatFromExtension(extension) == OutputFormat::Jpg && !encoded.ok) {
        dialogs.message(SizeLimitMessage(encoded.lastSize), kSizeLimitTitle, MessageIcon::None,
                        MessageButtons::Ok);
    }
    return *chosen;
}

}  // namespace picura
