// Saving the framed pixels, the one road every capture takes: crop, name, encode, write the file whole,
// then the caller's after-steps, the size message and the naming prompt.
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "output/JpegSizeSearch.h"
#include "output/OutputFormat.h"
#include "platform/SoundPlayer.h"

namespace picura {

class OperatorDialogs;
struct CropFrame;
class ViewBoards;

// Where a save goes.
struct SaveTarget {
    QString path;
    OutputFormat format = OutputFormat::Jpg;
    bool temporary = false;  // the naming prompt gives the final name afterwards
};

// A caller's naming: the target, or nullopt when the save stops (the naming told the operator why).
using NameOutput = std::function<std::optional<SaveTarget>()>;

// Something that follows a written file: marking the task file, the next roster row, a sound.
class AfterSaveStep {
  public:
    virtual ~AfterSaveStep() = default;
    virtual void afterSave(const SaveTarget& saved) = 0;
};

// Plays a built-in sound after a save when switched on.
class PlaySoundAfterSave final : public AfterSaveStep {
  public:
    PlaySoundAfterSave(SoundPlayer* player, bool on, BuiltInSound sound);
    void afterSave(const SaveTarget& saved) override;

  private:
    SoundPlayer* player_;
    bool on_;
    BuiltInSound sound_;
};

inline const QString kEmptyFrameMessage =
    QStringLiteral("采集框的宽度或高度为0，没有可保存的图象。请先设置输出图片的宽度和高度。");
QString EncodeFailedMessage(const QString& path);

class SaveRoad {
  public:
    using Encoder = std::function<EncodeResult(const QImage& crop, OutputFormat format, double limitKb)>;
    struct Hooks {
        std::function<void(bool busy)> busy;                             // while encoding and writing
        std::function<void(const QString& temporaryPath)> namingPrompt;  // modal
    };

    explicit SaveRoad(OperatorDialogs& dialogs, Hooks hooks = {}, Encoder encoder = {});

    // Tests put a failing encoder in place of EncodePicture.
    void setEncoder(Encoder encoder);

    // Saves the pixels of the visible board inside `frame`. An empty frame, a stopped naming, an
    // encoder failure and a write failure are told here and write nothing; the after-steps run only
    // for a written file. Returns the path written, empty when nothing was.
    QString save(const ViewBoards& boards, const CropFrame& frame, double jpgLimitKb, const NameOutput& name,
                 const std::vector<AfterSaveStep*>& after = {});

  private:
    OperatorDialogs& dialogs_;
    Hooks hooks_;
    Encoder encode_;
};

}  // namespace picura
