#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include "ScriptedDialogs.h"
#include "TestImages.h"
#include "output/SaveRoad.h"
#include "platform/testing/FakeSoundPlayer.h"
#include "view/CropFrame.h"
#include "view/ViewBoards.h"

using namespace picura;

namespace {

// Records when it ran, among the other steps.
class RecordingStep final : public AfterSaveStep {
  public:
    RecordingStep(QStringList& log, QString name) : log_(log), name_(std::move(name)) {}
    void afterSave(const SaveTarget& saved) override {
        log_ << name_ + QLatin1Char(':') + QFileInfo(saved.path).fileName();
    }

  private:
    QStringList& log_;
    QString name_;
};

class SaveRoadTest : public ::testing::Test {
  protected:
    SaveRoadTest() { boards.visible.drawPicture(Picture(test::MakePhotoLike(411, 279)), 0, 0); }
    NameOutput nameAs(const QString& fileName, OutputFormat format, bool temporary = false) {
        return [=, this] {
            ++namings;
            return std::optional<SaveTarget>(SaveTarget{dir.filePath(fileName), format, temporary});
        };
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files); }

    QTemporaryDir dir;
    ViewBoards boards{QSize(411, 279)};
    CropFrame frame{125, 34, 160, 210};
    test::ScriptedDialogs dialogs;
    QStringList log;
    int namings = 0;
    SaveRoad road{dialogs, SaveRoad::Hooks{[this](bool busy) { log << (busy ? "busy" : "idle"); },
                                           [this](const QString& path) {
                                               log << "prompt:" + QFileInfo(path).fileName();
                                           }}};
};

TEST_F(SaveRoadTest, AWrittenCropRunsTheStepsInOrderThenTheSizeMessageThenThePrompt) {
    RecordingStep mark(log, QStringLiteral("mark")), row(log, QStringLiteral("row"));
    // 0.2 KB cannot hold a photo-like 160 × 210 JPEG: the size message follows the steps.
    const QString written = road.save(
        boards, frame, 0.2, nameAs(QStringLiteral("临时C.jpg"), OutputFormat::Jpg, true), {&mark, &row});
    EXPECT_EQ(written, dir.filePath(QStringLiteral("临时C.jpg")));
    EXPECT_EQ(QImageReader(written).size(), QSize(160, 210));
    EXPECT_EQ(log, (QStringList{"busy", "idle", "mark:临时C.jpg", "row:临时C.jpg", "prompt:临时C.jpg"}));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("提示"));
}

TEST_F(SaveRoadTest, AnEmptyFrameIsToldBeforeAnyNaming) {
    frame.width = 0;
    RecordingStep mark(log, QStringLiteral("mark"));
    EXPECT_EQ(road.save(boards, frame, 500, nameAs(QStringLiteral("a.png"), OutputFormat::Png), {&mark}),
              QString());
    EXPECT_EQ(namings, 0);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(dialogs.messages(), QStringList{kEmptyFrameMessage});
}

TEST_F(SaveRoadTest, AStoppedNamingWritesNothingAndRunsNoStep) {
    RecordingStep mark(log, QStringLiteral("mark"));
    EXPECT_EQ(road.save(boards, frame, 500, [] { return std::optional<SaveTarget>(); }, {&mark}), QString());
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(files().isEmpty());
    EXPECT_TRUE(dialogs.shown.empty());  // the naming tells its own reason
}

TEST_F(SaveRoadTest, EncoderAndWriteFailuresWriteNothingRunNoStepAndAreWarnings) {
    RecordingStep mark(log, QStringLiteral("mark"));
    road.setEncoder([](const QImage&, OutputFormat, double) {
        EncodeResult partial;
        partial.bytes = "\xFF\xD8 cut short";
        partial.failed = true;
        return partial;
    });
    EXPECT_EQ(road.save(boards, frame, 500, nameAs(QStringLiteral("a.jpg"), OutputFormat::Jpg), {&mark}),
              QString());
    EXPECT_TRUE(files().isEmpty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, EncodeFailedMessage(dir.filePath(QStringLiteral("a.jpg"))));
    EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::Warning);

    road.setEncoder({});  // the real encoders again
    EXPECT_EQ(road.save(boards, frame, 500, nameAs(QStringLiteral("gone/a.png"), OutputFormat::Png), {&mark}),
              QString());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_TRUE(dialogs.shown[1].text.contains(dir.filePath(QStringLiteral("gone/a.png"))));
    EXPECT_EQ(dialogs.shown[1].icon, MessageIcon::Warning);
    EXPECT_FALSE(log.contains(QStringLiteral("mark:a.png")));
    EXPECT_FALSE(log.contains(QStringLiteral("mark:a.jpg")));
}

TEST(PlaySoundAfterSave, PlaysItsSoundOnlyWhenSwitchedOn) {
    FakeSoundPlayer player;
    PlaySoundAfterSave(&player, false, BuiltInSound::Cut).afterSave({});
    EXPECT_TRUE(player.played().isEmpty());
    PlaySoundAfterSave(&player, true, BuiltInSound::Cut).afterSave({});
    EXPECT_EQ(player.builtInSoundsPlayed(), QList<BuiltInSound>{BuiltInSound::Cut});
    PlaySoundAfterSave(nullptr, true, BuiltInSound::Cut).afterSave({});  // no player: silent
}

}  // namespace
