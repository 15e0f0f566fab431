#include "platform/widgets/QtOperatorDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

namespace picura {

MessageAnswer QtOperatorDialogs::message(const QString& text, const QString& title, MessageIcon icon,
                                         MessageButtons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    box.setWindowModality(Qt::ApplicationModal);
    switch (icon) {
        case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
        case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MessageButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok: return MessageAnswer::Ok;
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        default: return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

std::optional<QString> QtOperatorDialogs::openFile(const FileDialogRequest& r) {
    QFileDialog dialog(parent_, r.title, r.startFolder, r.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!r.initialName.isEmpty()) {
        dialog.selectFile(r.initialName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtOperatorDialogs::saveFile(const FileDialogRequest& r) {
    QFileDialog dialog(parent_, r.title, r.startFolder, r.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(r.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !r.confirmOverwrite);
    if (!r.initialName.isEmpty()) {
        dialog.selectFile(r.initialName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtOperatorDialogs::pickFolder(const QString& title, const QString& startFolder) {
    // Qt's own dialog, which can create folders.
    const QString folder = QFileDialog::getExistingDirectory(
        parent_, title, startFolder, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

std::optional<QColor> QtOperatorDialogs::pickColour(const QColor& initial, const QString& title) {
    const QColor c = QColorDialog::getColor(initial, parent_, title);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return c;
}

std::optional<QFont> QtOperatorDialogs::pickFont(const QFont& initial, const QString& title) {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent_, title);
    if (!ok) {
        return std::nullopt;
    }
    return f;
}

}  // namespace picura
