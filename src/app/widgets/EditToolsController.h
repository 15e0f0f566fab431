#pragma once

#include <QFont>
#include <QObject>
#include <QRgb>
#include <QSet>

#include <functional>

#include "tools/EditTools.h"
#include "tools/MarkHistory.h"
#include "tools/PenTool.h"
#include "tools/TextTool.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace picura {

class EditToolsWindow;
class MainActions;
class MainWindow;
class MainWindowPort;
class NavigationKeys;
class OperatorDialogs;
class Session;
class ViewWidget;
class ViewBoards;

// Makes the Edit tools window's pen, text and eyedropper work on the view, and Ctrl+Z undo the marks.
// It watches the view, the text input box, the scroll bars and the tool window's components, and runs
// before the Main window's own view handlers, taking the mouse while a tool is on.
class EditToolsController : public QObject {
    Q_OBJECT
  public:
    struct Parts {
        Session* session = nullptr;
        ViewBoards* boards = nullptr;
        MainActions* actions = nullptr;
        MainWindowPort* port = nullptr;
        OperatorDialogs* dialogs = nullptr;
        EditToolsWindow* window = nullptr;
        ViewWidget* view = nullptr;
        QScrollBar* bars[2] = {nullptr, nullptr};
        NavigationKeys* keys = nullptr;
        std::function<bool()> batchActive;
        std::function<void()> clearHint;
    };
    explicit EditToolsController(Parts parts, QObject* parent = nullptr);
    // Wired to the Main window's components; the window owns the controller.
    EditToolsController(MainWindow& window, ViewBoards& boards, MainWindowPort& port,
                        OperatorDialogs& dialogs);

    const ToolSelection& selection() const { return selection_; }
    const TextBox& textBox() const { return box_; }
    const MarkHistory& history() const { return history_; }
    QRgb toolColour() const { return colour_; }
    double penWidth() const { return penWidth_; }

    // A right click on the view or the box: pending text is written, every tool goes off.
    void endByRightClick();
    // Ctrl+Z: the picture before the last mark comes back.
    bool undo();
    // Takes a tool colour (colour picker, palette, eyedropper).
    void applyColour(QRgb colour);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void apply(const ToolSwitch& s, bool leaveTextDone = false);
    void prepareBoard();
    void handleCommit(TextCommit commit);
    bool bake();
    void showBox();
    void leaveTextForViewChange();
    void chooseFont();
    bool viewPress(QPoint p);
    bool viewMove(QPoint p);
    bool viewRelease(QPoint p);

    Parts p_;
    QLineEdit* input_ = nullptr;
    QFrame* bar_ = nullptr;
    QLabel* palette_ = nullptr;
    bool applying_ = false;
    QFont font_;
    bool fontChosen_ = false;
    bool viewGone_ = false;
    QSet<QObject*> commandButtons_;  // toolbar and crop panel buttons
    ToolSelection selection_;
    PenStroke stroke_;
    TextBox box_;
    TextMetrics metrics_;
    MarkHistory history_;
    QRgb colour_ = 0xFF000000u;
    double penWidth_ = 1.0;
};

}  // namespace picura
