#pragma once

#include <QPointer>

#include <functional>

#include "namelist/NameList.h"
#include "namelist/widgets/NameListWindow.h"
#include "output/Naming.h"

namespace picura {

class OperatorDialogs;

// The Main window's side of the Name list: it opens one window at a time (not modal, without an
// owner, deleted when it closes), tells the batch modes what the list holds, and answers the list's
// questions about the purpose it serves.
class NameListController final : public NameListHost {
  public:
    // `purpose` says which batch mode the list serves now; it is asked each time the wording matters.
    NameListController(OperatorDialogs& dialogs, std::function<NameListPurpose()> purpose);
    ~NameListController() override;
    NameListController(const NameListController&) = delete;
    NameListController& operator=(const NameListController&) = delete;

    // Opens the window when none is open, with the wording of the purpose now; when one is open, sets
    // its wording to that purpose instead. True when a window is open afterwards.
    bool open();
    // Closes the window, if one is open: the workbook is released and the name forgotten.
    void close();
    bool isOpen() const { return window_ != nullptr; }
    // What naming reads: window open, workbook loaded, current name.
    NameListState state() const;
    // Whether the auto-next-row box is ticked.
    bool autoNextRow() const;
    // The next row after a picture was saved under the current name.
    void advanceRow();
    // Raises the window and gives it the keyboard focus.
    void focus();
    NameListWindow* window() const { return window_; }

    NameListPurpose nameListPurpose() const override;
    void nameListNameChanged(const QString&) override {}
    void nameListClosed() override;

  private:
    OperatorDialogs& dialogs_;
    std::function<NameListPurpose()> purpose_;
    QPointer<NameListWindow> window_;
};

}  // namespace picura
