#pragma once

#include "app/MainActions.h"
#include "output/SaveRoad.h"

class QScrollBar;

namespace picura {

class CropPanel;
class Session;
class ViewWidget;
class ViewBoards;

// Shows what the operations leave on the view boards: the visible board in the view widget, the
// scroll bars' state, the pointer shape; the outline takes the capture panel's colour.
class ViewPresenter final : public MainWindowPort {
  public:
    ViewPresenter(const Session& session, const ViewBoards& boards) : session_(session), boards_(boards) {}
    void attach(ViewWidget* view, QScrollBar* horizontal, QScrollBar* vertical, CropPanel* panel);

    // While true the scroll bars are being set from the view state: their moves are not the operator's.
    bool syncingBars() const { return syncingBars_; }

    QColor frameColour() const override;
    void showView() override;
    void focusView() override;
    void dropPendingText() override;
    void setViewCursor(ViewCursor cursor) override;
    void showBusy(bool busy) override;

  private:
    const Session& session_;
    const ViewBoards& boards_;
    ViewWidget* view_ = nullptr;
    QScrollBar* hbar_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    CropPanel* panel_ = nullptr;
    bool syncingBars_ = false;
};

// The save road's hooks for the program: the busy pointer while a crop is encoded and written, and
// the naming prompt.
SaveRoad::Hooks BusyPointerSaveHooks(std::function<void(const QString&)> namingPrompt);

}  // namespace picura
