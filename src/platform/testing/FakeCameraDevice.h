// A camera for tests: a scripted number of devices, frames handed in by the test, formats and
// controls held in lists, and a lost device on demand.
#pragma once

#include <QImage>
#include <QList>

#include "platform/CameraDevice.h"

namespace picura {

class FakeCameraDevice final : public CameraDevice {
  public:
    using CameraDevice::CameraDevice;

    // Script.
    int devices = 1;
    bool refuseConnection = false;  // a device in use by another program
    QList<CameraFormat> formatList{{QSize(640, 480), 30, 1, CameraFormat::Encoding::Raw},
                                   {QSize(1280, 720), 30, 1, CameraFormat::Encoding::Raw}};
    QList<CameraControl> controlList;
    int connectCalls = 0;

    // Hands a frame to the device, as the camera sending one: it becomes the current frame and,
    // with the preview on, a preview frame at the preview size.
    void sendFrame(const QImage& frame) {
        if (state_ != CameraState::Streaming) {
            return;
        }
        frame_ = frame.convertToFormat(QImage::Format_RGB32);
        if (preview_) {
            emit previewFrame(previewSize_.isEmpty() ? frame_ : frame_.scaled(previewSize_));
        }
    }
    // A frame of the current format's size in one colour.
    void sendFrame(QColor colour = Qt::gray) {
        QImage image(format_.size, QImage::Format_RGB32);
        image.fill(colour);
        sendFrame(image);
    }
    // The camera pulled out while streaming.
    void loseDevice() {
        frame_ = QImage();
        setState(CameraState::Failed);
    }

    bool previewOn() const { return preview_; }
    int previewInterval() const { return interval_; }
    QSize previewSize() const { return previewSize_; }

    int deviceCount() override { return devices; }
    bool connectLast() override {
        ++connectCalls;
        if (devices < 1 || refuseConnection) {
            setState(CameraState::Disconnected);
            return false;
        }
        setState(CameraState::Streaming);
        return true;
    }
    void disconnectDevice() override {
        frame_ = QImage();
        setState(CameraState::Disconnected);
    }
    CameraState state() const override { return state_; }
    void setPreview(bool on, int intervalMs = 60) override {
        preview_ = on;
        interval_ = intervalMs;
    }
    void setPreviewSize(QSize size) override { previewSize_ = size; }
    QImage currentFrame() override { return frame_; }
    QList<CameraFormat> formats() override { return formatList; }
    CameraFormat currentFormat() const override { return format_; }
    bool setFormat(const CameraFormat& format) override {
        if (!formatList.contains(format)) {
            return false;
        }
        format_ = format;
        frame_ = QImage();
        return true;
    }
    QList<CameraControl> controls() override { return controlList; }
    bool setControl(const QString& name, int value) override {
        for (CameraControl& c : controlList) {
            if (c.name == name) {
                c.value = qBound(c.minimum, value, c.maximum);
                return true;
            }
        }
        return false;
    }

  private:
    void setState(CameraState s) {
        if (state_ != s) {
            state_ = s;
            emit stateChanged(s);
        }
    }

    CameraState state_ = CameraState::Disconnected;
    CameraFormat format_{QSize(640, 480), 30, 1, CameraFormat::Encoding::Raw};
    QImage frame_;
    bool preview_ = false;
    int interval_ = 60;
    QSize previewSize_;
};

}  // namespace picura
