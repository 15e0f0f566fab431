// Ports of the Main window that show nothing, for the batch benchmarks: the operations run as in the
// program, without widgets.
#pragma once

#include <QColor>

#include "app/BatchController.h"
#include "app/MainActions.h"
#include "platform/OperatorDialogs.h"

namespace picura::bench {

class NullPort : public MainWindowPort {
  public:
    QColor frameColour() const override { return QColor(255, 255, 0); }
    void showView() override {}
    void focusView() override {}
    void dropPendingText() override {}
    void setViewCursor(ViewCursor) override {}
    void showBusy(bool) override {}
};

// Answers every message with OK and every dialog with a cancel; counts the "picture too large" messages.
class NullDialogs : public OperatorDialogs {
  public:
    MessageAnswer message(const QString& text, const QString&, MessageIcon, MessageButtons) override {
        if (text.startsWith(QStringLiteral("图片太大"))) {
            ++tooLarge;
        }
        return MessageAnswer::Ok;
    }
    std::optional<QString> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> pickFolder(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QColor> pickColour(const QColor&, const QString&) override { return std::nullopt; }
    std::optional<QFont> pickFont(const QFont&, const QString&) override { return std::nullopt; }
    int tooLarge = 0;
};

class NullBatchPort : public BatchPort {
  public:
    void setCaption(const QString&) override {}
    void setBatchChecked(bool) override {}
    void openBatchSettings(bool) override {}
    void setPixelTexts(const QString&, const QString&) override {}
    QString jpgText() const override { return QStringLiteral("500"); }
    void setJpgText(const QString&) override {}
    void registerKeys() override {}
    void unregisterKeys() override {}
    void untickEditTools() override {}
    bool openNameList() override { return false; }
};

}  // namespace picura::bench
