#pragma once

#include <QObject>

#include <functional>

#include "view/CropFrame.h"
#include "view/FrameSize.h"

class QTimer;

namespace picura {

class CropPanel;
class MainActions;
class OperatorDialogs;
class Session;

// The capture panel's behaviour: size presets and the pixel boxes set the frame, the JPG box the size
// limit, the colour button the outline's colour, the four buttons move the frame (repeating while held).
class CropPanelController : public QObject {
    Q_OBJECT
  public:
    struct Host {
        std::function<void()> focusView;
        std::function<WindowGeometry()> geometry;
        // The frame took a new size: the window may have to grow.
        std::function<void(const FrameSizeChange& change, bool width)> frameResized;
        // A limit in its normal form was typed: settings that keep it store it.
        std::function<void(double limitKb)> jpgLimitSet;
        // The outline took a new colour.
        std::function<void()> frameColourChanged;
    };

    CropPanelController(CropPanel* panel, Session& session, MainActions& actions, OperatorDialogs& dialogs,
                        Host host, QObject* parent = nullptr);

    // Writes the normal form of the JPG limit's text (empty, zero or invalid: "50").
    void normaliseJpgText();
    // The limit's text in use, even while the box still holds what is being typed.
    QString jpgText() const;

  private:
    void applySizePreset(int index);
    void spinPixelBox(bool width, int step);
    void applyFrameSide(bool width);
    void applyJpgLimit();
    void chooseFrameColour();
    void onMoveButton(int direction, bool pressed);

    CropPanel* panel_;
    Session& session_;
    MainActions& actions_;
    OperatorDialogs& dialogs_;
    Host host_;
    MoveRepeat moveRepeat_;
    QTimer* moveTimer_;
};

}  // namespace picura
