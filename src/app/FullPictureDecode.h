#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "imaging/Decode.h"

namespace picura {

// The full decode of a picture shown reduced for now: runs on a thread of its own, builds the picture's
// halvings there too (so its first render costs one render), and says when it has ended.
class FullPictureDecode {
  public:
    // Starts decoding `bytes` within `maxPixels`. `ended` is called on the application's event loop (the
    // interface thread) once the decode has ended, and never once this object is gone.
    FullPictureDecode(QByteArray bytes, std::int64_t maxPixels, std::function<void()> ended);
    // Stops a decode under way (a JPEG decode notices within a few rows) and waits for its thread.
    ~FullPictureDecode();
    FullPictureDecode(const FullPictureDecode&) = delete;
    FullPictureDecode& operator=(const FullPictureDecode&) = delete;

    // Waits for the decode to end and gives its result.
    const DecodeResult& wait();
    bool ended() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace picura
