#include "app/FullPictureDecode.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace picura {

struct FullPictureDecode::State {
    std::mutex mutex;
    std::condition_variable cv;
    bool ended = false;
    DecodeResult result;
    std::atomic<bool> cancel{false};
    // Cleared on the interface thread when the owner goes; the queued notice checks it there.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

FullPictureDecode::FullPictureDecode(QByteArray bytes, std::int64_t maxPixels, std::function<void()> ended)
    : state_(std::make_shared<State>()) {
    QCoreApplication* app = QCoreApplication::instance();
    std::shared_ptr<bool> alive = state_->alive;
    thread_ = std::thread([state = state_, bytes = std::move(bytes), maxPixels, app, alive,
                           ended = std::move(ended)]() mutable {
        DecodeResult result = DecodePictureChecked(bytes, maxPixels, &state->cancel);
        bytes = QByteArray();
        if (!result.picture.isNull() && !state->cancel.load()) {
            result.picture.buildHalvings();
        }
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->result = std::move(result);
            state->ended = true;
        }
        state->cv.notify_all();
        if (app != nullptr && ended && !state->cancel.load()) {
            QMetaObject::invokeMethod(
                app,
                [alive, ended] {
                    if (*alive) {
                        ended();
                    }
                },
                Qt::QueuedConnection);
        }
    });
}

FullPictureDecode::~FullPictureDecode() {
    *state_->alive = false;
    state_->cancel = true;
    thread_.join();
}

const DecodeResult& FullPictureDecode::wait() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->cv.wait(lock, [&] { return state_->ended; });
    return state_->result;
}

bool FullPictureDecode::ended() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->ended;
}

}  // namespace picura
