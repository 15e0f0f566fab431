#pragma once

// The text tool's input box on the view: where it is placed, how wide it grows, and how its text is
// written into the display board. The box is a model here; the view's edit widget mirrors it.

#include "imaging/DrawingBoard.h"
#include "tools/EditTools.h"

#include <QRect>
#include <QString>

namespace picura {

// The input box, in view coordinates (the display board's).
struct TextBox {
    QRect geometry{307, 78, 12, 18};
    QString text;  // typed, not yet in the picture
    bool visible = false;
};

// What a commit did. Anything but None means the caller runs BakeDisplay (an empty commit too, which
// makes the display the picture at zoom 1.0); Drawn means a mark was made, so the picture as it was
// before the bake goes into the mark history first.
enum class TextCommit { None, Empty, Drawn };

// Writes the box's text on the board at (box left, box top + 3) in the board's font and text colour, and
// empties the box. The box stays where and as visible as it was.
TextCommit CommitText(TextBox& box, DrawingBoard& display);

// The tool is left (another tool, the font dialog, a command that changes the view or the picture): the
// box is hidden and its text written when it holds any.
TextCommit LeaveTextTool(TextBox& box, DrawingBoard& display);

// A new picture (load, photo): the pending text is dropped, nothing is written.
void DiscardText(TextBox& box);

// Left release on the view at `click` with the text tool on: a visible box is committed whatever it
// holds, then the box opens empty with its left at the click and its top trunc(y − line height + 4)
// (its size kept), so that the written text starts line height − 7 pixels above the click. The caller
// focuses the box and clears the hint line.
TextCommit PlaceTextBox(TextBox& box, DrawingBoard& display, QPoint click, const TextMetrics& metrics);

// The box's width for its text: 2 × character width + character width × the text's length in bytes of
// the GBK code page (a Chinese character counts 2, a letter or digit 1). The height stays.
// Capped at kMaxTextBoxWidth, so that a huge pasted text cannot overflow the geometry.
inline constexpr int kMaxTextBoxWidth = 1 << 20;
int TextBoxWidth(const QString& text, const TextMetrics& metrics);
void FitTextBox(TextBox& box, const TextMetrics& metrics);

// The box's size after a font was chosen: the width of one character and line height + 6.
void SizeTextBoxForFont(TextBox& box, const TextMetrics& metrics);

// A font was chosen: the display board writes with it, the measures are taken on the board and the box
// is sized for them. The caller gives the box's widget the same font and keeps the measures.
TextMetrics ApplyTextFont(DrawingBoard& display, TextBox& box, const QFont& font);

// A key pressed in the box (a Qt::Key value): Enter commits the line, whatever it holds, and moves the
// box down by its height, its left unchanged. Other keys are the edit box's own: None.
TextCommit TextBoxKey(TextBox& box, DrawingBoard& display, int qtKey);

// A right click in the box or on the view: with the text tool on, its text is written and the box
// emptied (even when empty, so the caller bakes); then every tool goes off and the box is hidden. The
// caller applies `tools` (without its leaveText, done here) and repaints the view when a picture is
// loaded.
struct RightClickEnd {
    TextCommit commit = TextCommit::None;
    ToolSwitch tools;
};
RightClickEnd EndTextByRightClick(TextBox& box, ToolSelection& selection, DrawingBoard& display);

}  // namespace picura
