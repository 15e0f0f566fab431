#include "platform/GstCameraDevice.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/colorbalance.h>
#include <gst/video/video.h>

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace picura {

namespace {

void initGstreamerOnce() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

// Sizes offered for a device (or the test source) whose caps give a range rather than a list.
constexpr QSize kStandardSizes[] = {{320, 240},  {640, 480},  {800, 600},
                                    {1024, 768}, {1280, 720}, {1920, 1080}};

// How long connecting waits for the first frame.
constexpr GstClockTime kStartTimeout = 3 * GST_SECOND;

QList<QSize> sizesOf(const GstStructure* s) {
    QList<QSize> sizes;
    int w = 0;
    int h = 0;
    if (gst_structure_get_int(s, "width", &w) && gst_structure_get_int(s, "height", &h)) {
        sizes.append(QSize(w, h));
        return sizes;
    }
    const GValue* wv = gst_structure_get_value(s, "width");
    const GValue* hv = gst_structure_get_value(s, "height");
    if (wv && hv && GST_VALUE_HOLDS_INT_RANGE(wv) && GST_VALUE_HOLDS_INT_RANGE(hv)) {
        for (QSize size : kStandardSizes) {
            if (size.width() >= gst_value_get_int_range_min(wv) &&
                size.width() <= gst_value_get_int_range_max(wv) &&
                size.height() >= gst_value_get_int_range_min(hv) &&
                size.height() <= gst_value_get_int_range_max(hv)) {
                sizes.append(size);
            }
        }
    }
    return sizes;
}

QList<std::pair<int, int>> ratesOf(const GstStructure* s) {
    QList<std::pair<int, int>> rates;
    const GValue* v = gst_structure_get_value(s, "framerate");
    auto add = [&](const GValue* f) {
        if (GST_VALUE_HOLDS_FRACTION(f) && gst_value_get_fraction_numerator(f) > 0) {
            rates.append({gst_value_get_fraction_numerator(f), gst_value_get_fraction_denominator(f)});
        }
    };
    if (!v) {
        rates.append({30, 1});
    } else if (GST_VALUE_HOLDS_FRACTION(v)) {
        add(v);
    } else if (GST_VALUE_HOLDS_LIST(v)) {
        for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
            add(gst_value_list_get_value(v, i));
        }
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
        const GValue* lo = gst_value_get_fraction_range_min(v);
        const GValue* hi = gst_value_get_fraction_range_max(v);
        GValue thirty = G_VALUE_INIT;
        g_value_init(&thirty, GST_TYPE_FRACTION);
        gst_value_set_fraction(&thirty, 30, 1);
        // 30 frames a second when the range holds it, else the fastest rate it allows.
        if (gst_value_compare(lo, &thirty) != GST_VALUE_GREATER_THAN &&
            gst_value_compare(hi, &thirty) != GST_VALUE_LESS_THAN) {
            rates.append({30, 1});
        } else {
            add(hi);
        }
        g_value_unset(&thirty);
    }
    return rates;
}

QList<CameraFormat> formatsOfCaps(GstCaps* caps) {
    QList<CameraFormat> list;
    if (!caps) {
        return list;
    }
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        CameraFormat::Encoding encoding;
        if (gst_structure_has_name(s, "video/x-raw")) {
            encoding = CameraFormat::Encoding::Raw;
        } else if (gst_structure_has_name(s, "image/jpeg")) {
            encoding = CameraFormat::Encoding::Jpeg;
        } else {
            continue;
        }
        for (QSize size : sizesOf(s)) {
            for (auto [num, den] : ratesOf(s)) {
                CameraFormat f{size, num, den, encoding};
                if (!list.contains(f)) {
                    list.append(f);
                }
            }
        }
    }
    std::stable_sort(list.begin(), list.end(), [](const CameraFormat& a, const CameraFormat& b) {
        if (a.encoding != b.encoding) {
            return a.encoding == CameraFormat::Encoding::Raw;
        }
        const qint64 areaA = qint64(a.size.width()) * a.size.height();
        const qint64 areaB = qint64(b.size.width()) * b.size.height();
        if (areaA != areaB) {
            return areaA < areaB;
        }
        return a.framesPerSecond() > b.framesPerSecond();
    });
    return list;
}

GstCaps* capsOfFormat(const CameraFormat& f) {
    if (f.size.isEmpty()) {
        return gst_caps_new_any();
    }
    return gst_caps_new_simple(f.encoding == CameraFormat::Encoding::Jpeg ? "image/jpeg" : "video/x-raw",
                               "width", G_TYPE_INT, f.size.width(), "height", G_TYPE_INT, f.size.height(),
                               "framerate", GST_TYPE_FRACTION, f.fpsNumerator, f.fpsDenominator, nullptr);
}

// The pixels of a BGRA sample as an RGB32 picture of its own.
QImage imageOfSample(GstSample* sample) {
    GstVideoInfo info;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!buffer || !caps || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRA) {
        return QImage();
    }
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        return QImage();
    }
    const int w = GST_VIDEO_FRAME_WIDTH(&frame);
    const int h = GST_VIDEO_FRAME_HEIGHT(&frame);
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const auto* pixels = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    QImage image(w, h, QImage::Format_RGB32);
    if (!image.isNull()) {
        for (int y = 0; y < h; ++y) {
            memcpy(image.scanLine(y), pixels + qsizetype(y) * stride, size_t(w) * 4);
        }
    }
    gst_video_frame_unmap(&frame);
    return image;
}

}  // namespace

struct GstCameraDevice::Private {
    GstCameraDevice* q = nullptr;
    Source source = Source::None;
    bool testSourcePresent = true;
    CameraState state = CameraState::Disconnected;
    CameraFormat requested;  // empty size: whatever the device offers first

    GstDevice* device = nullptr;  // the device in use (Source::Devices)
    GstElement* pipeline = nullptr;
    GstElement* src = nullptr;
    QTimer watch;
    int stallTimeoutMs = 3000;

    // Shared with the streaming thread.
    std::mutex lock;
    GstSample* latest = nullptr;
    QSize previewSize;
    QElapsedTimer sinceStart;
    std::atomic<qint64> lastSampleAt{0};
    std::atomic<bool> preview{false};
    std::atomic<int> intervalMs{60};
    std::atomic<bool> deliveryPending{false};
    qint64 lastPreviewAt = -1000000;  // streaming thread only

    QList<GstDevice*> listDevices() {
        QList<GstDevice*> devices;
        GstDeviceMonitor* monitor = gst_device_monitor_new();
        gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
        GList* found = gst_device_monitor_get_devices(monitor);
        for (GList* l = found; l; l = l->next) {
            devices.append(GST_DEVICE(l->data));  // the list's reference moves to ours
        }
        g_list_free(found);
        gst_object_unref(monitor);
        return devices;
    }

    GstElement* makeSource() {
        if (source == Source::Test) {
            GstElement* e = gst_element_factory_make("videotestsrc", nullptr);
            if (e) {
                g_object_set(e, "is-live", TRUE, nullptr);
            }
            return e;
        }
        return device ? gst_device_create_element(device, nullptr) : nullptr;
    }

    static GstFlowReturn onSample(GstAppSink* sink, gpointer self) {
        static_cast<Private*>(self)->takeSample(sink);
        return GST_FLOW_OK;
    }

    // Runs on the streaming thread for every frame.
    void takeSample(GstAppSink* sink) {
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) {
            return;
        }
        const qint64 now = sinceStart.elapsed();
        lastSampleAt = now;
        QSize target;
        {
            std::lock_guard<std::mutex> guard(lock);
            std::swap(latest, sample);
            target = previewSize;
        }
        if (sample) {
            gst_sample_unref(sample);
        }
        // Small tolerance so that a 30-frame camera gives every second frame at a 60 ms interval.
        if (!preview || deliveryPending || now - lastPreviewAt < intervalMs - 5) {
            return;
        }
        lastPreviewAt = now;
        GstSample* mine = nullptr;
        {
            std::lock_guard<std::mutex> guard(lock);
            mine = latest ? gst_sample_ref(latest) : nullptr;
        }
        if (!mine) {
            return;
        }
        QImage image = imageOfSample(mine);
        gst_sample_unref(mine);
        if (image.isNull()) {
            return;
        }
        if (!target.isEmpty() && target != image.size()) {
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        deliveryPending = true;
        // Posted to the object's thread; dropped by Qt if the object is gone by then.
        QMetaObject::invokeMethod(
            q,
            [this, image] {
                deliveryPending = false;
                if (preview && state == CameraState::Streaming) {
                    emit q->previewFrame(image);
                }
            },
            Qt::QueuedConnection);
    }

    bool start(const CameraFormat& format) {
        src = makeSource();
        GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
        GstElement* decoder = format.encoding == CameraFormat::Encoding::Jpeg
                                  ? gst_element_factory_make("jpegdec", nullptr)
                                  : gst_element_factory_make("identity", nullptr);
        GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
        GstElement* bgra = gst_element_factory_make("capsfilter", nullptr);
        GstElement* sink = gst_element_factory_make("appsink", nullptr);
        pipeline = gst_pipeline_new("camera");
        if (!src || !filter || !decoder || !convert || !bgra || !sink) {
            for (GstElement* e : {src, filter, decoder, convert, bgra, sink}) {
                if (e) {
                    gst_object_unref(e);
                }
            }
            gst_object_unref(pipeline);
            pipeline = nullptr;
            src = nullptr;
            return false;
        }
        GstCaps* caps = capsOfFormat(format);
        g_object_set(filter, "caps", caps, nullptr);
        gst_caps_unref(caps);
        caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRA", nullptr);
        g_object_set(bgra, "caps", caps, nullptr);
        gst_caps_unref(caps);
        g_object_set(sink, "max-buffers", 1, "drop", TRUE, "sync", FALSE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &Private::onSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);

        gst_bin_add_many(GST_BIN(pipeline), src, filter, decoder, convert, bgra, sink, nullptr);
        if (!gst_element_link_many(src, filter, decoder, convert, bgra, sink, nullptr)) {
            stop();
            return false;
        }
        sinceStart.start();
        lastSampleAt = 0;
        lastPreviewAt = -1000000;
        if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            stop();
            return false;
        }
        // A live pipeline finishes its start when the first frame reaches the sink.
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* m = gst_bus_timed_pop_filtered(
            bus, kStartTimeout, GstMessageType(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
        gst_object_unref(bus);
        const bool started = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_ASYNC_DONE;
        if (m) {
            gst_message_unref(m);
        }
        if (!started) {
            stop();
            return false;
        }
        return true;
    }

    void stop() {
        watch.stop();
        if (pipeline) {
            // A frozen test source has its state locked; it must go down with the rest.
            gst_element_set_locked_state(src, FALSE);
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
            pipeline = nullptr;
            src = nullptr;
        }
        std::lock_guard<std::mutex> guard(lock);
        if (latest) {
            gst_sample_unref(latest);
            latest = nullptr;
        }
    }

    void setState(CameraState s) {
        if (state != s) {
            state = s;
            emit q->stateChanged(s);
        }
    }

    // Runs on the object's thread: errors and the end of the stream from the bus, and frames that stop.
    void check() {
        if (!pipeline) {
            return;
        }
        bool lost = false;
        GstBus* bus = gst_element_get_bus(pipeline);
        while (GstMessage* m =
                   gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS))) {
            lost = true;
            gst_message_unref(m);
        }
        gst_object_unref(bus);
        if (sinceStart.elapsed() - lastSampleAt > stallTimeoutMs) {
            lost = true;
        }
        if (lost) {
            stop();
            setState(CameraState::Failed);
        }
    }
};

GstCameraDevice::Source GstCameraDevice::sourceFromEnvironment() {
    const QByteArray choice = qgetenv("PICURA_CAMERA").trimmed().toLower();
    if (choice == "test") {
        return Source::Test;
    }
    if (choice == "none") {
        return Source::None;
    }
    return Source::Devices;
}

GstCameraDevice::GstCameraDevice(Source source, QObject* parent) : CameraDevice(parent), d(new Private) {
    initGstreamerOnce();
    d->q = this;
    d->source = source;
    d->watch.setInterval(100);
    connect(&d->watch, &QTimer::timeout, this, [this] { d->check(); });
}

GstCameraDevice::~GstCameraDevice() {
    // Stopping the pipeline ends the streaming thread before anything it uses goes away.
    d->stop();
    if (d->device) {
        gst_object_unref(d->device);
    }
}

int GstCameraDevice::deviceCount() {
    switch (d->source) {
        case Source::None: return 0;
        case Source::Test: return d->testSourcePresent ? 1 : 0;
        case Source::Devices: break;
    }
    QList<GstDevice*> devices = d->listDevices();
    for (GstDevice* dev : devices) {
        gst_object_unref(dev);
    }
    return int(devices.size());
}

bool GstCameraDevice::connectLast() {
    d->stop();
    if (d->device) {
        gst_object_unref(d->device);
        d->device = nullptr;
    }
    bool found = false;
    if (d->source == Source::Test) {
        found = d->testSourcePresent;
    } else if (d->source == Source::Devices) {
        QList<GstDevice*> devices = d->listDevices();
        if (!devices.isEmpty()) {
            d->device = devices.takeLast();
            found = true;
        }
        for (GstDevice* dev : devices) {
            gst_object_unref(dev);
        }
    }
    if (!found) {
        d->setState(CameraState::Disconnected);
        return false;
    }
    if (d->requested.size.isEmpty()) {
        // The device's 640 x 480 when it has one (uncompressed first), else its first format.
        const QList<CameraFormat> all = formats();
        auto vga = std::find_if(all.begin(), all.end(),
                                [](const CameraFormat& f) { return f.size == QSize(640, 480); });
        if (vga != all.end()) {
            d->requested = *vga;
        } else if (!all.isEmpty()) {
            d->requested = all.first();
        }
    }
    if (!d->start(d->requested)) {
        d->setState(CameraState::Disconnected);
        return false;
    }
    d->watch.start();
    d->setState(CameraState::Streaming);
    return true;
}

void GstCameraDevice::disconnectDevice() {
    d->stop();
    d->setState(CameraState::Disconnected);
}

CameraState GstCameraDevice::state() const {
    return d->state;
}

void GstCameraDevice::setPreview(bool on, int intervalMs) {
    d->intervalMs = std::max(1, intervalMs);
    d->preview = on;
}

void GstCameraDevice::setPreviewSize(QSize size) {
    std::lock_guard<std::mutex> guard(d->lock);
    d->previewSize = size;
}

QImage GstCameraDevice::currentFrame() {
    GstSample* sample = nullptr;
    {
        std::lock_guard<std::mutex> guard(d->lock);
        sample = d->latest ? gst_sample_ref(d->latest) : nullptr;
    }
    if (!sample) {
        return QImage();
    }
    QImage image = imageOfSample(sample);
    gst_sample_unref(sample);
    return image;
}

QList<CameraFormat> GstCameraDevice::formats() {
    GstCaps* caps = nullptr;
    if (d->source == Source::Test) {
        // The test source offers what its pad template allows: ranges, turned into common sizes.
        GstElement* e = gst_element_factory_make("videotestsrc", nullptr);
        if (e) {
            GstPad* pad = gst_element_get_static_pad(e, "src");
            caps = gst_pad_query_caps(pad, nullptr);
            gst_object_unref(pad);
            gst_object_unref(e);
        }
    } else if (d->device) {
        caps = gst_device_get_caps(d->device);
    }
    QList<CameraFormat> list = formatsOfCaps(caps);
    if (caps) {
        gst_caps_unref(caps);
    }
    return list;
}

CameraFormat GstCameraDevice::currentFormat() const {
    CameraFormat f = d->requested;
    const QImage frame = const_cast<GstCameraDevice*>(this)->currentFrame();
    if (!frame.isNull()) {
        f.size = frame.size();
    }
    return f;
}

bool GstCameraDevice::setFormat(const CameraFormat& format) {
    const CameraFormat old = d->requested;
    d->requested = format;
    if (d->state != CameraState::Streaming) {
        return true;
    }
    d->stop();
    if (d->start(format)) {
        d->watch.start();
        return true;
    }
    d->requested = old;
    if (d->start(old)) {
        d->watch.start();
    } else {
        d->setState(CameraState::Failed);
    }
    return false;
}

QList<CameraControl> GstCameraDevice::controls() {
    QList<CameraControl> list;
    if (!d->src || !GST_IS_COLOR_BALANCE(d->src)) {
        return list;
    }
    GstColorBalance* balance = GST_COLOR_BALANCE(d->src);
    for (const GList* l = gst_color_balance_list_channels(balance); l; l = l->next) {
        auto* channel = GST_COLOR_BALANCE_CHANNEL(l->data);
        list.append(CameraControl{QString::fromUtf8(channel->label), channel->min_value, channel->max_value,
                                  gst_color_balance_get_value(balance, channel)});
    }
    return list;
}

bool GstCameraDevice::setControl(const QString& name, int value) {
    if (!d->src || !GST_IS_COLOR_BALANCE(d->src)) {
        return false;
    }
    GstColorBalance* balance = GST_COLOR_BALANCE(d->src);
    for (const GList* l = gst_color_balance_list_channels(balance); l; l = l->next) {
        auto* channel = GST_COLOR_BALANCE_CHANNEL(l->data);
        if (name == QString::fromUtf8(channel->label)) {
            gst_color_balance_set_value(balance, channel,
                                        std::clamp(value, channel->min_value, channel->max_value));
            return true;
        }
    }
    return false;
}

void GstCameraDevice::setStallTimeout(int ms) {
    d->stallTimeoutMs = std::max(1, ms);
}

void GstCameraDevice::interruptTestSource(Interruption how) {
    if (d->source != Source::Test || !d->src) {
        return;
    }
    if (how == Interruption::Error) {
        GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "device unplugged");
        gst_element_post_message(d->src,
                                 gst_message_new_error(GST_OBJECT(d->src), error, "test interruption"));
        g_error_free(error);
    } else {
        // The source stays in the pipeline but stops sending.
        gst_element_set_locked_state(d->src, TRUE);
        gst_element_set_state(d->src, GST_STATE_PAUSED);
    }
}

void GstCameraDevice::setTestSourcePresent(bool present) {
    d->testSourcePresent = present;
}

}  // namespace picura
