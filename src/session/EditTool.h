#pragma once

namespace picura {

// The editing tool the view's mouse works with; None moves the capture frame.
enum class EditTool { None, Pen, Text, Eyedropper };

}  // namespace picura
