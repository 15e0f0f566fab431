#include "app/widgets/NameListController.h"

#include "namelist/widgets/NameListWindow.h"

namespace picura {

NameListController::NameListController(OperatorDialogs& dialogs, std::function<NameListPurpose()> purpose)
    : dialogs_(dialogs), purpose_(std::move(purpose)) {}

NameListController::~NameListController() {
    // The window calls back into this host while it is destroyed: it goes first.
    delete window_.data();
}

bool NameListController::open() {
    if (window_) {
        window_->setPurpose(nameListPurpose());
        return true;
    }
    auto* window = new NameListWindow(*this, dialogs_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window_ = window;
    window->show();
    return true;
}

void NameListController::close() {
    if (window_) {
        NameListWindow* window = window_;
        window_ = nullptr;
        // WA_DeleteOnClose: the window releases its workbook and is deleted later.
        window->close();
    }
}

NameListState NameListController::state() const {
    NameListState s;
    if (window_) {
        s.windowOpen = true;
        s.workbookLoaded = window_->workbookLoaded();
        s.currentName = window_->currentName();
    }
    return s;
}

bool NameListController::autoNextRow() const {
    return window_ && window_->autoNextRow();
}

void NameListController::advanceRow() {
    if (window_) {
        window_->advanceNameRow();
    }
}

void NameListController::focus() {
    if (window_) {
        window_->raise();
        window_->activateWindow();
    }
}

NameListPurpose NameListController::nameListPurpose() const {
    return purpose_ ? purpose_() : NameListPurpose::None;
}

void NameListController::nameListClosed() {
    // Closed by the operator, by close() or by deletion: the list is no longer open.
    window_ = nullptr;
}

}  // namespace picura
