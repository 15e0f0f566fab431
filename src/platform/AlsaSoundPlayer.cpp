#include "platform/AlsaSoundPlayer.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/WaveData.h"

namespace picura {

namespace {

using Clock = std::chrono::steady_clock;

// ALSA prints its own complaints (no card, unknown PCM) on stderr; a missing sound card is normal here.
void quietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsaOnce() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&quietAlsaErrors); });
}

snd_pcm_format_t pcmFormat(const WaveFormat& f) {
    switch (f.bitsPerSample) {
        case 8: return SND_PCM_FORMAT_U8;
        case 16: return SND_PCM_FORMAT_S16_LE;
        case 24: return SND_PCM_FORMAT_S24_3LE;
        default: return SND_PCM_FORMAT_S32_LE;
    }
}

}  // namespace

struct AlsaSoundPlayer::Shared {
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    bool stopping = false;
    int playing = 0;  // players whose thread has not finished

    // Sleeps up to `ms` unless the player is being stopped; false when it is.
    bool pause(int ms) {
        std::unique_lock<std::mutex> guard(lock);
        return !changed.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stopping; });
    }
    bool isStopping() {
        std::lock_guard<std::mutex> guard(lock);
        return stopping;
    }
};

namespace {

// One sound from open to close. Never blocks inside ALSA: the device is opened non-blocking and every
// wait is bounded, so a device that stops taking samples ends the player after the stall timeout.
template <typename SharedT>
void playOnDevice(SharedT& shared, const QByteArray& device, const WaveData& wave) {
    silenceAlsaOnce();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, device.constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        return;
    }
    const WaveFormat& f = wave.format;
    if (snd_pcm_set_params(pcm, pcmFormat(f), SND_PCM_ACCESS_RW_INTERLEAVED, f.channels, f.sampleRate, 1,
                           100000) < 0) {
        snd_pcm_close(pcm);
        return;
    }

    const int frameBytes = f.bytesPerFrame();
    const snd_pcm_uframes_t blockFrames = AlsaSoundPlayer::kBlockBytes / frameBytes;
    const char* data = wave.samples.constData();
    const snd_pcm_uframes_t totalFrames = wave.samples.size() / frameBytes;
    snd_pcm_uframes_t done = 0;
    auto lastProgress = Clock::now();
    auto stalled = [&] {
        return Clock::now() - lastProgress > std::chrono::milliseconds(AlsaSoundPlayer::kStallTimeoutMs);
    };

    bool ok = true;
    while (done < totalFrames && ok) {
        if (shared.isStopping() || stalled()) {
            ok = false;
            break;
        }
        const snd_pcm_uframes_t want = std::min(blockFrames, totalFrames - done);
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, data + done * frameBytes, want);
        if (n > 0) {
            done += n;
            lastProgress = Clock::now();
        } else if (n == -EAGAIN) {
            snd_pcm_wait(pcm, 50);
        } else if (snd_pcm_recover(pcm, int(n), 1) < 0) {
            ok = false;
        }
    }

    if (ok) {
        // Let the device play what it holds. A non-blocking drain returns at once; the state says
        // when it has finished.
        snd_pcm_drain(pcm);
        lastProgress = Clock::now();
        while (snd_pcm_state(pcm) == SND_PCM_STATE_DRAINING && !stalled()) {
            if (!shared.pause(10)) {
                break;
            }
        }
    }
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
}

}  // namespace

AlsaSoundPlayer::AlsaSoundPlayer(QString device) : device_(std::move(device)), shared_(new Shared) {}

AlsaSoundPlayer::~AlsaSoundPlayer() {
    {
        std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->stopping = true;
    }
    shared_->changed.notify_all();
    // Players see the stop within one device wait (50 ms). Their threads share the state with us, so
    // one that is still unwinding after this returns touches nothing that has gone.
    waitUntilIdle(1000);
}

void AlsaSoundPlayer::playWaveBytes(const QByteArray& wav) {
    std::optional<WaveData> wave = parseWave(wav);
    if (!wave) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(shared_->lock);
        if (shared_->stopping) {
            return;
        }
        ++shared_->playing;
    }
    std::shared_ptr<Shared> shared = shared_;
    std::thread player([shared, device = device_.toLocal8Bit(), wave = std::move(*wave)] {
        playOnDevice(*shared, device, wave);
        {
            std::lock_guard<std::mutex> guard(shared->lock);
            --shared->playing;
        }
        shared->changed.notify_all();
    });
    player.detach();
}

int AlsaSoundPlayer::playingCount() const {
    std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->playing;
}

bool AlsaSoundPlayer::waitUntilIdle(int timeoutMs) const {
    std::unique_lock<std::mutex> guard(shared_->lock);
    return shared_->changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                     [this] { return shared_->playing == 0; });
}

}  // namespace picura
