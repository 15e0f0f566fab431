#pragma once

#include <functional>

#include "app/BatchController.h"

class QWidget;

namespace picura {

class CropPanel;
class CropPanelController;
class EditToolsWindow;
class HintLine;
class HintStatusBar;
class NameListController;
class NavigationKeys;
class OperatorDialogs;
class Session;

// Batch-crop mode's view of the Main window: the caption, the status bar's check box, the pixel and JPG
// boxes, the batch keys, the editing tools and the Batch-crop settings window.
class MainBatchPort final : public BatchPort {
  public:
    struct Parts {
        QWidget* window = nullptr;  // the Main window: caption, and parent of the settings window
        HintStatusBar* status = nullptr;
        CropPanel* panel = nullptr;
        CropPanelController* panelController = nullptr;
        EditToolsWindow* editTools = nullptr;
        NavigationKeys* keys = nullptr;
        Session* session = nullptr;
        OperatorDialogs* dialogs = nullptr;
        BatchController* batch = nullptr;
        std::function<void()> focusView;
        NameListController* nameList = nullptr;  // none: the roster naming cannot be used
        std::function<void()> switchedOn;        // batch-crop mode is being switched on
    };
    explicit MainBatchPort(Parts parts) : p_(std::move(parts)) {}

    // Presses on the status bar's check-box pane switch batch-crop mode; the mouse over it writes hints.
    // `paneRight` gives the pane's right end for the window's size now.
    void connectStatusBar(std::function<int()> paneRight, HintLine* hints);

    void setCaption(const QString& caption) override;
    void setBatchChecked(bool checked) override;
    void openBatchSettings(bool modal) override;
    void setPixelTexts(const QString& width, const QString& height) override;
    QString jpgText() const override;
    void setJpgText(const QString& text) override;
    void registerKeys() override;
    void unregisterKeys() override;
    void untickEditTools() override;
    bool openNameList() override;
    NameListState nameList() const override;
    bool nameListAutoNextRow() const override;
    void advanceNameRow() override;
    void focusNameList() override;

  private:
    Parts p_;
};

}  // namespace picura
