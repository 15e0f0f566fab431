// The text tool's box on the view: placement, width, Enter, commits and the right click.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <Qt>

#include "imaging/DrawingBoard.h"
#include "tools/TextTool.h"

namespace picura {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kTextColour = 0xFFC01010u;

DrawingBoard WhiteBoard() {
    DrawingBoard board(400, 300);
    board.setBackgroundColor(kWhite);
    board.clear();
    QFont font = board.font();
    font.setPixelSize(20);
    board.setFont(font);
    board.setTextColor(kTextColour);
    return board;
}

// The bounding box of the non-white pixels within `area`.
QRect InkIn(const QImage& image, const QRect& area) {
    QRect bounds;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if ((image.pixel(x, y) | 0xFF000000u) != kWhite) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

bool HasPixel(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour)
                return true;
        }
    }
    return false;
}

TEST(TextBoxWidth, CountsGbkBytes) {
    const TextMetrics start;  // 6 × 12
    EXPECT_EQ(TextBoxWidth(QStringLiteral("abcde"), start), 42);
    EXPECT_EQ(TextBoxWidth(QStringLiteral("张三丰"), start), 48);
    EXPECT_EQ(TextBoxWidth(QStringLiteral("1班张"), start), 6 * 2 + 6 * 5);
    EXPECT_EQ(TextBoxWidth(QString(), start), 12);
    EXPECT_EQ(TextBoxWidth(QString(400000, QChar(u'张')), start), kMaxTextBoxWidth);

    TextBox box;
    box.text = QStringLiteral("abcde");
    FitTextBox(box, start);
    EXPECT_EQ(box.geometry.width(), 42);
    EXPECT_EQ(box.geometry.height(), 18);  // the height stays
}

TEST(PlaceTextBox, OpensAtTheClick_CommitsAVisibleBoxAtItsOldPlace) {
    DrawingBoard board = WhiteBoard();
    TextBox box;
    const TextMetrics metrics;  // line height 12
    EXPECT_EQ(PlaceTextBox(box, board, {100, 50}, metrics), TextCommit::None);
    EXPECT_TRUE(box.visible);
    EXPECT_EQ(box.geometry.topLeft(), QPoint(100, 42));  // 50 − 12 + 4
    EXPECT_EQ(box.geometry.size(), QSize(12, 18));

    box.text = QStringLiteral("HH");
    EXPECT_EQ(PlaceTextBox(box, board, {250, 200}, metrics), TextCommit::Drawn);
    EXPECT_TRUE(box.text.isEmpty());
    EXPECT_EQ(box.geometry.topLeft(), QPoint(250, 192));
    // Written at (old left, old top + 3) in the text colour.
    const QRect ink = InkIn(board.image(), board.image().rect());
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 100);
    EXPECT_LT(ink.left(), 100 + 6);
    EXPECT_GE(ink.top(), 45);
    EXPECT_LT(ink.bottom(), 45 + 30);
    EXPECT_TRUE(HasPixel(board.image(), kTextColour));

    // A visible empty box is committed too (the caller still bakes), drawing nothing.
    EXPECT_EQ(PlaceTextBox(box, board, {10, 10}, metrics), TextCommit::Empty);
    EXPECT_EQ(InkIn(board.image(), board.image().rect()), ink);
}

TEST(TextBoxKey, EnterCommitsAndMovesOneBoxHeightDown) {
    DrawingBoard board = WhiteBoard();
    TextBox box;
    PlaceTextBox(box, board, {20, 50}, TextMetrics{});
    const int top = box.geometry.top();

    // Other keys belong to the edit box.
    box.text = QStringLiteral("H");
    EXPECT_EQ(TextBoxKey(box, board, Qt::Key_A), TextCommit::None);
    EXPECT_EQ(box.text, QStringLiteral("H"));
    EXPECT_EQ(box.geometry.top(), top);

    EXPECT_EQ(TextBoxKey(box, board, Qt::Key_Return), TextCommit::Drawn);
    EXPECT_EQ(box.geometry.top(), top + 18);
    EXPECT_EQ(box.geometry.left(), 20);
    box.text = QStringLiteral("H");
    EXPECT_EQ(TextBoxKey(box, board, Qt::Key_Enter), TextCommit::Drawn);
    EXPECT_EQ(box.geometry.top(), top + 36);

    // Enter on an empty box: a commit to bake, nothing drawn, one line down.
    const QImage before = board.image();
    EXPECT_EQ(TextBoxKey(box, board, Qt::Key_Return), TextCommit::Empty);
    EXPECT_EQ(box.geometry.top(), top + 54);
    EXPECT_EQ(board.image(), before);
}

TEST(TextBoxKey, LinesTypedWithEnterLieOneBoxHeightApart) {
    // Each line on its own board, so that the ink of one cannot be taken for the other's.
    DrawingBoard first = WhiteBoard();
    DrawingBoard second = WhiteBoard();
    TextBox box;
    PlaceTextBox(box, first, {20, 50}, TextMetrics{});
    box.text = QStringLiteral("H");
    TextBoxKey(box, first, Qt::Key_Return);
    box.text = QStringLiteral("H");
    TextBoxKey(box, second, Qt::Key_Return);
    const QRect a = InkIn(first.image(), first.image().rect());
    const QRect b = InkIn(second.image(), second.image().rect());
    ASSERT_FALSE(a.isEmpty());
    EXPECT_EQ(b.top() - a.top(), 18);
    EXPECT_EQ(b.left(), a.left());
    EXPECT_EQ(b.size(), a.size());
}

TEST(LeaveTextTool, WritesOnlyWhenTheBoxHoldsText) {
    DrawingBoard board = WhiteBoard();
    TextBox box;
    box.visible = true;
    EXPECT_EQ(LeaveTextTool(box, board), TextCommit::None);
    EXPECT_FALSE(box.visible);

    box.visible = true;
    box.text = QStringLiteral("张三");
    EXPECT_EQ(LeaveTextTool(box, board), TextCommit::Drawn);
    EXPECT_FALSE(box.visible);
    EXPECT_TRUE(box.text.isEmpty());
    EXPECT_FALSE(InkIn(board.image(), board.image().rect()).isEmpty());
}

TEST(DiscardText, DropsThePendingTextWithoutWriting) {
    DrawingBoard board = WhiteBoard();
    const QImage before = board.image();
    TextBox box;
    box.visible = true;
    box.text = QStringLiteral("abc");
    DiscardText(box);
    EXPECT_FALSE(box.visible);
    EXPECT_TRUE(box.text.isEmpty());
    EXPECT_EQ(board.image(), before);
}

TEST(EndTextByRightClick, WritesTheTextAndSwitchesEveryToolOff) {
    DrawingBoard board = WhiteBoard();
    ToolSelection tools;
    tools.selectText(true);
    TextBox box;
    PlaceTextBox(box, board, {60, 60}, TextMetrics{});
    box.text = QStringLiteral("王");
    const RightClickEnd end = EndTextByRightClick(box, tools, board);
    EXPECT_EQ(end.commit, TextCommit::Drawn);
    EXPECT_FALSE(box.visible);
    EXPECT_TRUE(box.text.isEmpty());
    EXPECT_EQ(tools.active(), EditTool::None);
    EXPECT_FALSE(tools.textInputActive());
    EXPECT_EQ(end.tools.after, EditTool::None);
    EXPECT_EQ(end.tools.pointer, ToolPointer::Default);
    EXPECT_FALSE(end.tools.leaveText);  // already done
    EXPECT_FALSE(InkIn(board.image(), board.image().rect()).isEmpty());

    // With the pen on there is no text to write: only the tools go off.
    DrawingBoard clean = WhiteBoard();
    tools.selectPen(true);
    box.text = QStringLiteral("x");
    const RightClickEnd penEnd = EndTextByRightClick(box, tools, clean);
    EXPECT_EQ(penEnd.commit, TextCommit::None);
    EXPECT_EQ(tools.active(), EditTool::None);
    EXPECT_TRUE(penEnd.tools.repaintView);
    EXPECT_TRUE(InkIn(clean.image(), clean.image().rect()).isEmpty());
}

TEST(SizeTextBoxForFont, OneCharacterWideAndLineHeightPlusSix) {
    TextBox box;
    box.geometry.moveTo(30, 40);
    SizeTextBoxForFont(box, TextMetrics{9, 17});
    EXPECT_EQ(box.geometry, QRect(30, 40, 9, 23));
}

TEST(ApplyTextFont, TheBoardWritesWithItAndTheBoxFitsItsLine) {
    DrawingBoard board = WhiteBoard();
    TextBox box;
    QFont font = PresetTextFont();
    font.setPointSize(24);
    const TextMetrics metrics = ApplyTextFont(board, box, font);
    EXPECT_EQ(board.font(), font);
    EXPECT_EQ(metrics.charWidth, board.textWidth(QStringLiteral("a")));
    EXPECT_EQ(box.geometry.height(), metrics.lineHeight + 6);
    EXPECT_EQ(box.geometry.width(), metrics.charWidth);
    // A placed box then sits a line height above the click, less 4.
    PlaceTextBox(box, board, {100, 100}, metrics);
    EXPECT_EQ(box.geometry.top(), 100 - metrics.lineHeight + 4);
}

}  // namespace
}  // namespace picura
