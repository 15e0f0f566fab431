#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/OperatorDialogs.h"

namespace picura {

// The operator's dialogs as Qt shows them: message boxes modal to the
// program's windows, file, folder, colour and font dialogs.
class QtOperatorDialogs : public OperatorDialogs {
  public:
    explicit QtOperatorDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override;
    std::optional<QString> openFile(const FileDialogRequest& request) override;
    std::optional<QString> saveFile(const FileDialogRequest& request) override;
    std::optional<QString> pickFolder(const QString& title, const QString& startFolder) override;
    std::optional<QColor> pickColour(const QColor& initial, const QString& title) override;
    std::optional<QFont> pickFont(const QFont& initial, const QString& title) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace picura
