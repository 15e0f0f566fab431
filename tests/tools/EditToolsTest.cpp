// The tool state of the Edit tools window: switching between pen, text and eyedropper, the tool colour,
// the line width and the text font.
#include <gtest/gtest.h>

#include <QFontDatabase>

#include "imaging/DrawingBoard.h"
#include "tools/EditTools.h"

namespace picura {
namespace {

int TickedCount(const ToolSelection& s) {
    return int(s.ticked(EditTool::Pen)) + int(s.ticked(EditTool::Text)) + int(s.ticked(EditTool::Eyedropper));
}

TEST(ToolSelection, SwitchesGoStraightFromToolToTool_WithTheirSideSteps) {
    ToolSelection s;
    EXPECT_EQ(s.active(), EditTool::None);

    ToolSwitch sw = s.selectText(true);
    EXPECT_EQ(sw.after, EditTool::Text);
    EXPECT_FALSE(sw.repaintView);
    EXPECT_FALSE(sw.leaveText);
    EXPECT_EQ(sw.pointer, ToolPointer::IBeam);

    // Pen over text: the pending text is written first, the text box unticked.
    sw = s.selectPen(true);
    EXPECT_EQ(sw.before, EditTool::Text);
    EXPECT_EQ(sw.after, EditTool::Pen);
    EXPECT_TRUE(sw.leaveText);
    EXPECT_TRUE(sw.dropButtonHeld);
    EXPECT_EQ(sw.pointer, ToolPointer::Pen);
    EXPECT_FALSE(s.ticked(EditTool::Text));
    EXPECT_EQ(TickedCount(s), 1);

    // Eyedropper over the pen: the hover circle is wiped, no text to write.
    sw = s.selectEyedropper(true);
    EXPECT_TRUE(sw.repaintView);
    EXPECT_FALSE(sw.leaveText);
    EXPECT_EQ(sw.pointer, ToolPointer::Eyedropper);
    EXPECT_TRUE(s.eyedropperOn());
    EXPECT_EQ(TickedCount(s), 1);

    // Text over the eyedropper: nothing to wipe or write.
    sw = s.selectText(true);
    EXPECT_FALSE(sw.repaintView);
    EXPECT_FALSE(sw.leaveText);
    EXPECT_EQ(TickedCount(s), 1);

    // Eyedropper over text: the text is written.
    sw = s.selectEyedropper(true);
    EXPECT_TRUE(sw.leaveText);

    // Text over the pen: the circle is wiped.
    s.selectPen(true);
    sw = s.selectText(true);
    EXPECT_TRUE(sw.repaintView);
    EXPECT_EQ(TickedCount(s), 1);
}

TEST(ToolSelection, UntickingEachToolLeavesNone) {
    ToolSelection s;
    s.selectPen(true);
    ToolSwitch sw = s.selectPen(false);
    EXPECT_EQ(sw.after, EditTool::None);
    EXPECT_TRUE(sw.repaintView);
    EXPECT_TRUE(sw.dropButtonHeld);
    EXPECT_EQ(sw.pointer, ToolPointer::Default);

    s.selectText(true);
    sw = s.selectText(false);
    EXPECT_EQ(sw.after, EditTool::None);
    EXPECT_TRUE(sw.leaveText);

    s.selectEyedropper(true);
    sw = s.selectEyedropper(false);
    EXPECT_EQ(sw.after, EditTool::None);
    EXPECT_FALSE(sw.leaveText);
    EXPECT_EQ(TickedCount(s), 0);
}

TEST(ToolSelection, SwitchAllOffFromEveryTool) {
    for (EditTool tool : {EditTool::Pen, EditTool::Text, EditTool::Eyedropper}) {
        ToolSelection s;
        if (tool == EditTool::Pen)
            s.selectPen(true);
        if (tool == EditTool::Text)
            s.selectText(true);
        if (tool == EditTool::Eyedropper)
            s.selectEyedropper(true);
        const ToolSwitch sw = s.switchAllOff();
        EXPECT_EQ(sw.before, tool);
        EXPECT_EQ(sw.after, EditTool::None);
        EXPECT_EQ(sw.leaveText, tool == EditTool::Text);
        EXPECT_EQ(sw.repaintView, tool == EditTool::Pen);
        EXPECT_EQ(sw.pointer, ToolPointer::Default);
        EXPECT_EQ(TickedCount(s), 0);
    }
}

TEST(ToolSelection, FontDialog_CancelKeepsTheTool_ConfirmTurnsTextOn) {
    ToolSelection s;
    s.selectText(true);
    ToolSwitch sw = s.prepareFontDialog();
    EXPECT_TRUE(sw.leaveText);
    EXPECT_EQ(sw.after, EditTool::Text);
    EXPECT_TRUE(s.textOn());  // cancelled: nothing more happens

    s.selectPen(true);
    sw = s.prepareFontDialog();
    EXPECT_TRUE(sw.repaintView);
    EXPECT_FALSE(sw.leaveText);
    sw = s.fontChosen();
    EXPECT_EQ(sw.before, EditTool::Pen);
    EXPECT_EQ(sw.after, EditTool::Text);
    EXPECT_EQ(sw.pointer, ToolPointer::IBeam);
    EXPECT_EQ(TickedCount(s), 1);
}

TEST(ToolSelection, TextInputActiveExactlyWhileTheTextToolIsOn) {
    // The navigation keys are lent to the text box while this holds.
    ToolSelection s;
    EXPECT_FALSE(s.textInputActive());
    s.selectText(true);
    EXPECT_TRUE(s.textInputActive());
    s.selectPen(true);
    EXPECT_FALSE(s.textInputActive());
    s.fontChosen();
    EXPECT_TRUE(s.textInputActive());
    s.switchAllOff();
    EXPECT_FALSE(s.textInputActive());
}

TEST(ApplyToolColour, TextBoxBackgroundIsTheComplement_WhiteForMiddleGrey) {
    EXPECT_EQ(ApplyToolColour(qRgb(128, 128, 128)).textBoxBackground, qRgb(255, 255, 255));
    EXPECT_EQ(ApplyToolColour(qRgb(0, 0, 0)).textBoxBackground, qRgb(255, 255, 255));
    EXPECT_EQ(ApplyToolColour(qRgb(255, 0, 0)).textBoxBackground, qRgb(0, 255, 255));
    EXPECT_EQ(ApplyToolColour(qRgb(128, 128, 129)).textBoxBackground, qRgb(127, 127, 126));
    EXPECT_EQ(ApplyToolColour(qRgb(10, 200, 30)).tool, qRgb(10, 200, 30));
}

TEST(LineWidth, BarHeightIsTheTruncatedNumber_PenWidthBounded) {
    EXPECT_EQ(LineWidthBarHeight(QStringLiteral("3")), 3);
    EXPECT_EQ(LineWidthBarHeight(QStringLiteral("2.9")), 2);
    EXPECT_EQ(LineWidthBarHeight(QStringLiteral("粗")), 0);
    EXPECT_EQ(LineWidthBarHeight(QString()), 0);
    EXPECT_EQ(LineWidthBarHeight(QStringLiteral("-4")), 0);
    EXPECT_EQ(LineWidthBarHeight(QStringLiteral(" 5px")), 5);
    EXPECT_DOUBLE_EQ(PenWidthFromText(QStringLiteral("2.9")), 2.9);
    EXPECT_DOUBLE_EQ(PenWidthFromText(QStringLiteral("1e300")), kMaxPenWidth);
}

TEST(TextFont, PresetIsSongTiSize9OnAnInstalledCjkSerif) {
    const QFont font = PresetTextFont();
    EXPECT_EQ(font.pointSize(), 9);
    if (QFontDatabase::families().contains(QStringLiteral("Noto Serif CJK SC"))) {
        EXPECT_EQ(font.family(), QStringLiteral("Noto Serif CJK SC"));
    } else if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC"))) {
        EXPECT_EQ(font.family(), QStringLiteral("Noto Sans CJK SC"));
    }
    EXPECT_EQ(TextFontFamily(QStringLiteral("DejaVu Sans")), QStringLiteral("DejaVu Sans"));
}

TEST(TextFont, MetricsAreTheExtentOfAOnTheBoard) {
    DrawingBoard board(100, 100);
    QFont font = PresetTextFont();
    board.setFont(font);
    const TextMetrics small = MeasureTextMetrics(board);
    EXPECT_EQ(small.charWidth, board.textWidth(QStringLiteral("a")));
    EXPECT_EQ(small.lineHeight, board.textHeight(QStringLiteral("a")));
    EXPECT_GT(small.lineHeight, small.charWidth);
    font.setPointSize(36);
    board.setFont(font);
    const TextMetrics large = MeasureTextMetrics(board);
    EXPECT_GT(large.charWidth, small.charWidth);
    EXPECT_GT(large.lineHeight, small.lineHeight);
}

}  // namespace
}  // namespace picura
