#include <QFile>

#include "platform/SoundPlayer.h"

// Q_INIT_RESOURCE must be called outside any namespace.
static void initSoundResources() {
    Q_INIT_RESOURCE(sounds);
}

namespace picura {

QByteArray builtInSoundBytes(BuiltInSound sound) {
    // The resource lives in a static library: register it before the first read.
    static const bool registered = (initSoundResources(), true);
    (void)registered;
    static const QByteArray shutter = [] {
        QFile f(QStringLiteral(":/sounds/shutter.wav"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    static const QByteArray cut = [] {
        QFile f(QStringLiteral(":/sounds/cut.wav"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    return sound == BuiltInSound::Shutter ? shutter : cut;
}

}  // namespace picura
