#pragma once

// The marking tools of the Edit tools window (pen, text, eyedropper): which one is on, the tool colour,
// the line width and the text font. The widgets only forward their events here and apply what comes back.

#include "imaging/DrawingBoard.h"
#include "session/EditTool.h"

#include <QFont>
#include <QRgb>
#include <QString>

namespace picura {

// The pointer the view shows for the active tool.
enum class ToolPointer { Default, Pen, IBeam, Eyedropper };

// What the caller does after a tool switch, in this order: a frame drag under way ends without
// baking anything (dropButtonHeld); when the pen was on, its hover circle is wiped from the visible
// board (repaintView); when the text tool was on, its box is left, writing any text it holds
// (leaveText); then the check boxes show ticked(tool) and the view takes `pointer` and the keyboard focus.
struct ToolSwitch {
    EditTool before = EditTool::None;
    EditTool after = EditTool::None;
    bool dropButtonHeld = false;
    bool repaintView = false;
    bool leaveText = false;
    ToolPointer pointer = ToolPointer::Default;
};

// The active tool. One value, so two tools are never on together; every switch goes straight from the
// old tool to the new one.
class ToolSelection {
  public:
    EditTool active() const { return active_; }
    bool penOn() const { return active_ == EditTool::Pen; }
    bool textOn() const { return active_ == EditTool::Text; }
    bool eyedropperOn() const { return active_ == EditTool::Eyedropper; }
    // Whether the check box of `tool` is ticked.
    bool ticked(EditTool tool) const { return tool != EditTool::None && active_ == tool; }

    // The text tool takes typed letters, A, S, D and F included: while this holds, the navigation keys
    // are lent to the text box (released), and they are taken back as soon as it stops holding, whichever
    // way the text tool was left.
    bool textInputActive() const { return textOn(); }

    // The check boxes were clicked; `ticked` is the box's new state.
    ToolSwitch selectPen(bool ticked);
    ToolSwitch selectText(bool ticked);
    ToolSwitch selectEyedropper(bool ticked);
    // Before the font dialog opens: the pen's circle is wiped and pending text written; the tool stays.
    ToolSwitch prepareFontDialog() const;
    // The font dialog was confirmed: the text tool is on.
    ToolSwitch fontChosen();
    // A right click on the view or the text box, hiding the Edit tools window: every tool off.
    ToolSwitch switchAllOff();

  private:
    ToolSwitch switchTo(EditTool tool, ToolPointer pointer);
    EditTool active_ = EditTool::None;
};

// The colours a tool colour spreads to: the text and pen colour, and the text box background that keeps
// typed text readable (the complement of the colour; white for middle grey, whose complement is itself
// nearly).
struct ToolColours {
    QRgb tool = 0xFF000000u;
    QRgb textBoxBackground = 0xFFFFFFFFu;
};
ToolColours ApplyToolColour(QRgb colour);

// The line-width box: the pen width is its text read as a number, never below 0 nor above kMaxPenWidth
// (a huge width would only stall the drawing); the sample bar is that width truncated.
inline constexpr double kMaxPenWidth = 1000.0;
double PenWidthFromText(const QString& text);
int LineWidthBarHeight(const QString& text);

// The face the font dialog proposes every time, with its size in points, before the operator's choice.
inline constexpr const char* kPresetTextFace = "宋体";
inline constexpr int kPresetTextPointSize = 9;
// An installed family for a face name: 宋体 is a serif CJK face, shown with Noto Serif CJK SC, or Noto
// Sans CJK SC when that is missing; other faces are taken as they are.
QString TextFontFamily(const QString& face);
// The preset font of the font dialog.
QFont PresetTextFont();

// The text tool's measures: the width of one character and the height of a line (6 and 12 before a font
// is chosen).
struct TextMetrics {
    int charWidth = 6;
    int lineHeight = 12;
};
// The measures of the board's font: the extent of "a" written on it.
TextMetrics MeasureTextMetrics(const DrawingBoard& board);

}  // namespace picura
