#include "namelist/widgets/NameListWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>

#include <vector>

#include "namelist/widgets/NameGridModel.h"
#include "output/widgets/WindowFonts.h"
#include "platform/OperatorDialogs.h"

namespace picura {
namespace {

// The window frame the designed sizes were measured with: 430 × 504 outside
// for 414 × 466 inside.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 38;
constexpr int kStatusHeight = 20;
constexpr int kMinColumnWidth = 32;
constexpr int kRowHeight = 20;

// The font the column widths are measured in: the Song face at 11 points.
QFont MeasuringFont() {
    QFont font = SongFont(15);
    font.setPointSize(11);
    return font;
}

}  // namespace

WaitPointer::WaitPointer() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitPointer::~WaitPointer() {
    QApplication::restoreOverrideCursor();
}

void SheetTree::mousePressEvent(QMouseEvent* event) {
    byMouse_ = true;
    QTreeWidget::mousePressEvent(event);
    byMouse_ = false;
}

NameListGeometry LayoutNameList(QSize client) {
    const int outerWidth = client.width() + kFrameWidth;
    const int outerHeight = client.height() + kFrameHeight;
    const int height = outerHeight - 100;
    return {QRect(8, 36, 128, height), QRect(144, 36, outerWidth - 169, height),
            QRect(outerWidth - 164, 8, 140, 24),
            QRect(0, client.height() - kStatusHeight, client.width(), kStatusHeight)};
}

NameListWindow::NameListWindow(NameListHost& host, OperatorDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window),
      host_(host),
      list_(std::make_unique<NameList>(host, dialogs)),
      import_(new QPushButton(QStringLiteral("导入EXCEL文件"), this)),
      autoNext_(new QCheckBox(namelist_text::kInitialAutoNext, this)),
      tree_(new SheetTree(this)),
      grid_(new QTableView(this)),
      model_(new NameGridModel(*list_, this)),
      statusBar_(new QStatusBar(this)),
      statusText_(new QLabel(this)) {
    setObjectName(QStringLiteral("名单窗口"));
    setWindowTitle(namelist_text::kInitialCaption);

    import_->setObjectName(QStringLiteral("导入EXCEL按钮"));
    import_->setGeometry(8, 4, 128, 28);
    autoNext_->setObjectName(QStringLiteral("自动下一行选择框"));
    autoNext_->setGeometry(274, 8, 140, 24);

    tree_->setObjectName(QStringLiteral("工作表树"));
    tree_->setGeometry(8, 36, 128, 412);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);

    grid_->setObjectName(QStringLiteral("导入高表"));
    grid_->setGeometry(144, 36, 270, 412);
    grid_->setModel(model_);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setWordWrap(false);
    grid_->horizontalHeader()->setMinimumSectionSize(1);
    grid_->horizontalHeader()->setDefaultSectionSize(kMinColumnWidth);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);

    statusBar_->setObjectName(QStringLiteral("命名状态条"));
    statusBar_->setSizeGripEnabled(false);
    statusText_->setObjectName(QStringLiteral("命名状态条第一栏"));
    statusBar_->addWidget(statusText_, 1);

    list_->setStatusListener([this](const QString& text) {
        // The wait pointer shows while a workbook or sheet is read, and goes
        // before any message about it.
        if (text == namelist_text::kReading) {
            if (!wait_) {
                wait_.emplace();
            }
        } else {
            wait_.reset();
        }
        statusText_->setText(text);
        // Painted at once: reading a large sheet keeps the event loop waiting.
        statusText_->repaint();
    });

    connect(import_, &QPushButton::clicked, this, &NameListWindow::importWorkbook);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &NameListWindow::onSheetItemChanged);
    connect(grid_, &QTableView::clicked, this, &NameListWindow::onGridClicked);

    // Created: the designed client size, the purpose's wording, the start
    // state, the left edge of the screen.
    move(50, 50);
    resize(kClientWidth, kClientHeight);
    applyCaptions(host_.nameListPurpose());
    layoutComponents();
    list_->create();
    move(0, y());
    showWorkbook();
}

NameListWindow::~NameListWindow() {
    destroyList();
}

bool NameListWindow::autoNextRow() const {
    return autoNext_->isChecked();
}

void NameListWindow::importWorkbook() {
    const bool imported = list_->importWorkbook();
    wait_.reset();
    if (imported) {
        showWorkbook();
    }
}

void NameListWindow::advanceNameRow() {
    list_->advanceRow();
    syncCursor();
}

void NameListWindow::setPurpose(NameListPurpose purpose) {
    applyCaptions(purpose);
    list_->setPurpose(purpose);
}

void NameListWindow::applyCaptions(NameListPurpose purpose) {
    if (const auto caption = NameListCaption(purpose)) {
        setWindowTitle(*caption);
    }
    if (const auto caption = AutoNextRowCaption(purpose)) {
        autoNext_->setText(*caption);
    }
}

void NameListWindow::showWorkbook() {
    {
        const QSignalBlocker block(tree_);
        tree_->clear();
        if (list_->workbookLoaded()) {
            auto* root = new QTreeWidgetItem(tree_, {list_->workbookFileName()});
            root->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
            const QStringList& names = list_->sheetNames();
            for (int i = 0; i < names.size(); ++i) {
                auto* item = new QTreeWidgetItem(root, {names.at(i)});
                item->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
                item->setData(0, Qt::UserRole, i);
            }
            root->setExpanded(true);
            if (root->childCount() > 0) {
                tree_->setCurrentItem(root->child(0));
            }
        }
    }
    showSheet();
}

void NameListWindow::showSheet() {
    model_->reload();
    QHeaderView* header = grid_->horizontalHeader();
    const int columns = model_->columnCount();
    std::vector<int> widths(static_cast<std::size_t>(columns), kMinColumnWidth);
    if (list_->workbookLoaded()) {
        const QFontMetrics metrics(MeasuringFont());
        const GridExtent extent = list_->extent();
        list_->cells().forEach([&](int row, int column, const QString& text) {
            if (row <= extent.lastRow && column <= extent.lastColumn) {
                int& w = widths[static_cast<std::size_t>(column)];
                w = std::max(w, metrics.horizontalAdvance(text));
            }
        });
    }
    for (int c = 0; c < columns; ++c) {
        if (header->sectionSize(c) != widths[static_cast<std::size_t>(c)]) {
            header->resizeSection(c, widths[static_cast<std::size_t>(c)]);
        }
    }
    syncCursor();
}

void NameListWindow::syncCursor() {
    const QModelIndex index = model_->index(list_->cursorRow(), list_->cursorColumn());
    if (index.isValid()) {
        grid_->setCurrentIndex(index);
        grid_->scrollTo(index);
    }
}

void NameListWindow::onSheetItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (!tree_->selectingByMouse() || !current || !current->parent()) {
        return;
    }
    const bool opened = list_->openSheet(current->data(0, Qt::UserRole).toInt());
    wait_.reset();
    if (opened) {
        showSheet();
    } else {
        // The sheet could not be read: the tree shows the sheet still in the grid.
        const QSignalBlocker block(tree_);
        tree_->setCurrentItem(previous);
    }
}

void NameListWindow::onGridClicked(const QModelIndex& index) {
    if (index.isValid()) {
        list_->chooseCell(index.row(), index.column());
    }
}

void NameListWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutComponents();
}

void NameListWindow::layoutComponents() {
    const NameListGeometry g = LayoutNameList(size());
    tree_->setGeometry(g.tree);
    grid_->setGeometry(g.grid);
    autoNext_->setGeometry(g.autoNextRow);
    statusBar_->setGeometry(g.statusBar);
}

void NameListWindow::closeEvent(QCloseEvent* event) {
    destroyList();
    QWidget::closeEvent(event);
}

void NameListWindow::destroyList() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    list_->destroy();
    host_.nameListClosed();
}

}  // namespace picura
