#pragma once

namespace picura {

// One scroll bar of the view as the model sees it; the window's scroll bar
// widget mirrors these values. The position runs from 0 to `range`.
struct ScrollBarState {
    bool enabled = false;
    int range = 0;
    int position = 0;
};

// The view fields of the Main window's state: how the current picture is
// zoomed, where it lies in the view and which part of it is shown.
struct ViewState {
    // Displayed pixels per picture pixel. 0 until a picture is shown.
    double zoom = 0.0;
    // The picture's size at the zoom: trunc(picture size × zoom).
    int scaledWidth = 0;
    int scaledHeight = 0;
    // Where the picture starts inside the display board: half the free space
    // when it is narrower (lower) than the view, else 0.
    int displayOffsetX = 0;
    int displayOffsetY = 0;
    // The size of the part of the scaled picture that is shown.
    int displayedWidth = 0;
    int displayedHeight = 0;
    // The scaled picture's pixel shown at the display offset.
    int scrollOffsetX = 0;
    int scrollOffsetY = 0;
    // Scroll position / scroll range, kept across zoom changes so that the
    // same part of the picture stays in view. A value within the tolerance of
    // 0 reads as 0.5 (centred).
    double viewPositionX = 0.0;
    double viewPositionY = 0.0;

    ScrollBarState horizontal;
    ScrollBarState vertical;
};

}  // namespace picura
