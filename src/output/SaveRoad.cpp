#include "output/SaveRoad.h"

#include "output/EncodePicture.h"
#include "output/OutputFile.h"
#include "output/SizeMessage.h"
#include "platform/OperatorDialogs.h"
#include "view/ViewRenderer.h"

namespace picura {

QString EncodeFailedMessage(const QString& path) {
    return QStringLiteral("无法生成图片文件：%1").arg(path);
}

PlaySoundAfterSave::PlaySoundAfterSave(SoundPlayer* player, bool on, BuiltInSound sound)
    : player_(player), on_(on), sound_(sound) {}

void PlaySoundAfterSave::afterSave(const SaveTarget&) {
    if (player_ && on_) {
        player_->play(sound_);
    }
}

SaveRoad::SaveRoad(OperatorDialogs& dialogs, Hooks hooks, Encoder encoder)
    : dialogs_(dialogs), hooks_(std::move(hooks)) {
    setEncoder(std::move(encoder));
}

void SaveRoad::setEncoder(Encoder encoder) {
    if (encoder) {
        encode_ = std::move(encoder);
    } else {
        encode_ = [](const QImage& crop, OutputFormat format, double limitKb) {
            return EncodePicture(crop, format, limitKb);
        };
    }
}

QString SaveRoad::save(const ViewBoards& boards, const CropFrame& frame, double jpgLimitKb,
                       const NameOutput& name, const std::vector<AfterSaveStep*>& after) {
    if (frame.width <= 0 || frame.height <= 0) {
        dialogs_.tell(kEmptyFrameMessage, QStringLiteral("提示"));
        return {};
    }
    const std::optional<SaveTarget> target = name();
    if (!target) {
        return {};
    }
    const auto busy = [this](bool on) {
        if (hooks_.busy) {
            hooks_.busy(on);
        }
    };
    busy(true);
    const QImage crop = CropFromView(boards, frame);
    QString error;
    EncodeResult encoded;
    if (crop.isNull()) {
        error = kEmptyFrameMessage;
    } else {
        encoded = encode_(crop, target->format, jpgLimitKb);
        // A failed encoder writes nothing: an empty or partial file would look like a saved picture.
        error = encoded.failed || encoded.bytes.isEmpty() ? EncodeFailedMessage(target->path)
                                                          : WriteOutputFile(target->path, encoded.bytes);
    }
    busy(false);
    if (!error.isEmpty()) {
        dialogs_.tell(error, QStringLiteral("提示"), MessageIcon::Warning);
        return {};
    }
    for (AfterSaveStep* step : after) {
        step->afterSave(*target);
    }
    if (target->format == OutputFormat::Jpg && !encoded.ok) {
        dialogs_.message(SizeLimitMessage(encoded.lastSize), kSizeLimitTitle, MessageIcon::None,
                         MessageButtons::Ok);
    }
    if (target->temporary && hooks_.namingPrompt) {
        hooks_.namingPrompt(target->path);
    }
    return target->path;
}

}  // namespace picura
