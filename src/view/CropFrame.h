#pragma once

#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

namespace picura {

// The capture frame in view pixels. It covers x = left .. left + width − 1 and
// y = top .. top + height − 1; its size is the output picture's size. Nothing
// keeps it inside the view. Its colour is not part of it: the caller passes the
// frame-colour picker's value wherever the outline is drawn.
struct CropFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const CropFrame&, const CropFrame&) = default;
};

inline constexpr int kDefaultFrameWidth = 160;
inline constexpr int kDefaultFrameHeight = 210;
// Yellow, the frame-colour picker's initial value.
inline constexpr QRgb kDefaultFrameColour = 0xFFFFFF00;

// One entry of the size-type combo box. `size` is empty for "自定义", the mark
// for sizes typed or stepped by hand, which leaves the frame as it is.
struct SizePreset {
    const char* text;  // UTF-8
    std::optional<QSize> size;
};

inline constexpr int kCustomSizePreset = 1;
inline const std::array<SizePreset, 8> kSizePresets = {{
    {"默认", QSize(160, 210)},
    {"自定义", std::nullopt},
    {"学籍/身份证", QSize(358, 441)},
    {"小1寸", QSize(260, 390)},
    {"1寸照", QSize(295, 413)},
    {"小2寸普通", QSize(413, 531)},
    {"小2寸护照", QSize(390, 567)},
    {"2寸照", QSize(413, 626)},
}};

QString SizePresetText(int index);

// The texts the selection of preset `index` puts into the pixel width and
// height edit boxes (width first); nothing for "自定义" or an index outside the
// table.
struct PresetTexts {
    QString width;
    QString height;
};
std::optional<PresetTexts> SizePresetTexts(int index);

// The rectangle the crop board takes: always the frame's.
inline QRect PlaceCropBoard(const CropFrame& frame) {
    return {frame.left, frame.top, frame.width, frame.height};
}

// Centres the frame in a view of `view` size the way the layout does:
// left = trunc(⌊vw / 2⌋ − ⌊width / 2⌋), top likewise. At start-up with the
// 160 × 210 frame this gives the same as trunc(trunc(vw × 0.5) − 80).
void CentreFrame(CropFrame& frame, QSize view);

// Whether (x, y) shows the four-way move pointer: from one pixel outside the
// frame's left and top edges to its outline one pixel beyond the right and
// bottom edges, both ends included.
bool HitsFrame(const CropFrame& frame, int x, int y);

// A frame drag: the frame moves by the pointer's movement since `last`, which
// then becomes (x, y). Saturates at the int range.
void DragFrame(CropFrame& frame, QPoint& last, int x, int y);

enum class MoveDirection { Up, Down, Left, Right };

// One pixel in the direction (arrow keys and move buttons). Saturates.
void MoveFrame(CropFrame& frame, MoveDirection direction);

// The auto-repeat of the four move buttons, driven by the crop timer: a press
// moves the frame one pixel at once and starts the timer (5 ms); ticks 1 to 9
// do nothing, from the tenth tick on every tick moves one pixel in the first
// held direction in the order up, down, left, right; a release stops it.
class MoveRepeat {
  public:
    static constexpr int kIntervalMs = 5;
    static constexpr int kFirstRepeatTick = 10;

    // The button of `direction` was pressed (with a picture loaded; without
    // one the window shows its message instead and does not call this).
    void press(CropFrame& frame, MoveDirection direction);
    // The button of `direction` was released: the timer stops at once.
    void release(MoveDirection direction);
    // One timer tick; returns whether the frame moved. Without a picture the
    // timer stops and nothing moves.
    bool tick(CropFrame& frame, bool pictureLoaded);

    // Whether the crop timer should run (interval kIntervalMs) or be stopped.
    bool timerRunning() const { return timerRunning_; }
    int tickCount() const { return tickCount_; }
    bool held(MoveDirection direction) const { return held_[static_cast<int>(direction)]; }

  private:
    std::array<bool, 4> held_{};
    int tickCount_ = 0;
    bool timerRunning_ = false;
};

}  // namespace picura
