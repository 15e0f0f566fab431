#pragma once

#include <QString>

#include <optional>

namespace picura {

// How the operator confirmed the naming prompt: the two remove the extension
// texts in different orders, which matters for names like ".bm.jpgp".
enum class PromptConfirm { Button, EnterKey };

// The typed text with ordinary spaces removed at both ends.
QString TrimPromptName(const QString& typed);

// Removes every ".bmp", ".jpg", ".gif" and ".png" in any letter case, one text
// after the other: .bmp, .jpg, .gif, .png for the button; .jpg, .bmp, .gif, .png
// for the Enter key. ".jpeg" stays.
QString RemoveExtensionTexts(const QString& name, PromptConfirm how);

inline const QString kEmptyPromptNameMessage = QStringLiteral("新照片命名不能为空。");
inline const QString kEmptyPromptNameTitle = QStringLiteral("提示");
inline const QString kCropPromptCaption = QStringLiteral("请为刚才截图命名（不需填写扩展名）");
inline const QString kPhotoPromptCaption = QStringLiteral("请为刚才拍照命名（不需填写扩展名）");

// The outcome of confirming the prompt: either the refusal to show (the window
// stays open, text unchanged) or the free final path in the target folder.
struct PromptName {
    std::optional<QString> refusal;  // kEmptyPromptNameMessage
    QString finalPath;
};
PromptName DecidePromptName(const QString& typed, PromptConfirm how, const QString& folder,
                            const QString& ext);

}  // namespace picura
