// A video capture device: counting and connecting, a scaled live preview, the current frame as a
// picture, the device's formats and its picture controls.
#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>

namespace picura {

struct CameraFormat {
    enum class Encoding { Raw, Jpeg };
    QSize size;
    int fpsNumerator = 30;
    int fpsDenominator = 1;
    Encoding encoding = Encoding::Raw;

    double framesPerSecond() const { return fpsDenominator > 0 ? double(fpsNumerator) / fpsDenominator : 0; }
    bool operator==(const CameraFormat&) const = default;
};

// A picture control of the device (brightness, contrast, saturation, hue, ...).
struct CameraControl {
    QString name;  // as the device names it: "BRIGHTNESS", "CONTRAST", ...
    int minimum = 0;
    int maximum = 0;
    int value = 0;
};

enum class CameraState {
    Disconnected,  // never connected, or disconnected on purpose
    Streaming,     // connected; frames arrive
    Failed,        // connected once, then the device went away or stopped sending frames
};

// Video height divided by video width, from the size of a real frame; 0 for an empty size.
// 640 x 480 gives 0.75, 1280 x 720 gives 0.5625.
double videoRatio(QSize frameSize);

class CameraDevice : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~CameraDevice() override = default;

    // The number of capture devices present now.
    virtual int deviceCount() = 0;
    // Connects to the last device found and starts its frames; true when it streams. A failed
    // connection leaves the device disconnected and reports nothing else.
    virtual bool connectLast() = 0;
    virtual void disconnectDevice() = 0;
    virtual CameraState state() const = 0;

    // Preview frames: while on, `previewFrame` is emitted on the thread this object lives on, about
    // once every `intervalMs`, with the frame stretched to `previewSize` (the frame's own size when
    // empty). Frames never queue up: a slow receiver gets fewer of them.
    virtual void setPreview(bool on, int intervalMs = 60) = 0;
    virtual void setPreviewSize(QSize size) = 0;

    // The newest frame at the device's resolution, as RGB32; null when there is none.
    virtual QImage currentFrame() = 0;

    virtual QList<CameraFormat> formats() = 0;
    virtual CameraFormat currentFormat() const = 0;
    // Restarts the device in `format`; false (and the old format kept) when the device refuses it.
    virtual bool setFormat(const CameraFormat& format) = 0;

    // The device's picture controls; empty when it has none.
    virtual QList<CameraControl> controls() = 0;
    virtual bool setControl(const QString& name, int value) = 0;

  signals:
    void previewFrame(const QImage& frame);
    void stateChanged(picura::CameraState state);
};

}  // namespace picura
