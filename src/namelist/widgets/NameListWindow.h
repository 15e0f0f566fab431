#pragma once

#include <QRect>
#include <QTreeWidget>
#include <QWidget>

#include <memory>
#include <optional>

#include "namelist/NameList.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTableView;

namespace picura {

class NameGridModel;
class OperatorDialogs;

// The sheet tree; tells whether its current item is changing under the mouse.
class SheetTree : public QTreeWidget {
    Q_OBJECT
  public:
    using QTreeWidget::QTreeWidget;
    bool selectingByMouse() const { return byMouse_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    bool byMouse_ = false;
};

// Shows the wait pointer while it lives.
class WaitPointer {
  public:
    WaitPointer();
    ~WaitPointer();
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
};

// Where the resizable components go for a client area of the given size.
struct NameListGeometry {
    QRect tree;
    QRect grid;
    QRect autoNextRow;
    QRect statusBar;
};
NameListGeometry LayoutNameList(QSize client);

// The Name list window: an "导入EXCEL文件" button, the sheet tree, the name
// grid, the auto-next-row check box and a status bar. Not modal and without an
// owner; the Main window opens it, keeps it through a NameListHost, and may
// set Qt::WA_DeleteOnClose. Closing it (or destroying it) releases the workbook
// and tells the host.
//
// Reading a sheet processes no window events, so no handler can run while a
// workbook or sheet is half read.
class NameListWindow : public QWidget {
    Q_OBJECT
  public:
    NameListWindow(NameListHost& host, OperatorDialogs& dialogs, QWidget* parent = nullptr);
    ~NameListWindow() override;

    const NameList& nameList() const { return *list_; }
    const QString& currentName() const { return list_->currentName(); }
    bool workbookLoaded() const { return list_->workbookLoaded(); }
    // Whether the operator wants the next row after every saved picture.
    bool autoNextRow() const;

    // The import button: asks for a workbook, lists its sheets, shows the first.
    void importWorkbook();
    // After a picture was saved under the current name (the caller checks the
    // check box and the other conditions).
    void advanceNameRow();
    // The window now serves another batch mode: captions and status.
    void setPurpose(NameListPurpose purpose);

    QPushButton* importButton() const { return import_; }
    QCheckBox* autoNextRowBox() const { return autoNext_; }
    SheetTree* sheetTree() const { return tree_; }
    QTableView* nameGrid() const { return grid_; }
    QLabel* statusPane() const { return statusText_; }

    // The client size the window is created with.
    static constexpr int kClientWidth = 414;
    static constexpr int kClientHeight = 466;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void applyCaptions(NameListPurpose purpose);
    // Fits the tree, grid, check box and status bar to the client area.
    void layoutComponents();
    void showWorkbook();
    void showSheet();
    void syncCursor();
    void onSheetItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void onGridClicked(const QModelIndex& index);
    void destroyList();

    NameListHost& host_;
    std::unique_ptr<NameList> list_;
    QPushButton* import_;
    QCheckBox* autoNext_;
    SheetTree* tree_;
    QTableView* grid_;
    NameGridModel* model_;
    QStatusBar* statusBar_;
    QLabel* statusText_;
    std::optional<WaitPointer> wait_;
    bool destroyed_ = false;
};

}  // namespace picura
