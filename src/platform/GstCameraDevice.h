// The camera device on GStreamer: capture devices found by the device monitor, or the test source.
#pragma once

#include <memory>

#include "platform/CameraDevice.h"

namespace picura {

class GstCameraDevice final : public CameraDevice {
    Q_OBJECT
  public:
    enum class Source {
        Devices,  // the system's video capture devices
        Test,     // one device that shows a moving test picture (GStreamer's videotestsrc)
        None,     // no device at all
    };
    // PICURA_CAMERA=test or =none chooses the test source or no device; anything else the real ones.
    static Source sourceFromEnvironment();

    explicit GstCameraDevice(Source source, QObject* parent = nullptr);
    ~GstCameraDevice() override;

    int deviceCount() override;
    bool connectLast() override;
    void disconnectDevice() override;
    CameraState state() const override;

    void setPreview(bool on, int intervalMs = 60) override;
    void setPreviewSize(QSize size) override;
    QImage currentFrame() override;

    QList<CameraFormat> formats() override;
    CameraFormat currentFormat() const override;
    bool setFormat(const CameraFormat& format) override;

    QList<CameraControl> controls() override;
    bool setControl(const QString& name, int value) override;

    // A streaming device that sends no frame for this long is taken as lost (default 3000 ms).
    void setStallTimeout(int ms);

    // For tests of the test source: unplug it (an error from the source, as a camera pulled out
    // gives), freeze it (no more frames), or make it absent or present for the next connection.
    enum class Interruption { Error, Stall };
    void interruptTestSource(Interruption how);
    void setTestSourcePresent(bool present);

  private:
    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace picura
