#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "output/NamingPrompt.h"

using namespace picura;

namespace {

class NamingPromptTest : public ::testing::Test {
  protected:
    void touch(const QString& name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString at(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QTemporaryDir dir;
};

TEST_F(NamingPromptTest, TrimsRemovesTypedExtensionAndAppendsTheFormat) {
    for (PromptConfirm how : {PromptConfirm::Button, PromptConfirm::EnterKey}) {
        const PromptName r = DecidePromptName(" 赵六.JPG ", how, dir.path(), ".jpg");
        EXPECT_FALSE(r.refusal);
        EXPECT_EQ(r.finalPath, at("赵六.jpg"));
    }
    EXPECT_EQ(DecidePromptName("x.jpg.png", PromptConfirm::Button, dir.path(), ".gif").finalPath,
              at("x.gif"));
    EXPECT_EQ(DecidePromptName("a.jpeg", PromptConfirm::Button, dir.path(), ".jpg").finalPath,
              at("a.jpeg.jpg"));
    EXPECT_EQ(DecidePromptName("a.Bmp.b", PromptConfirm::Button, dir.path(), ".jpg").finalPath,
              at("a.b.jpg"));
}

TEST_F(NamingPromptTest, TakenNameGetsTheNextDashNumber) {
    touch("王五.jpg");
    EXPECT_EQ(DecidePromptName("王五", PromptConfirm::EnterKey, dir.path(), ".jpg").finalPath,
              at("王五—1.jpg"));
}

TEST_F(NamingPromptTest, EmptyOrSpacesOnlyIsRefused) {
    for (const char* typed : {"", " ", "    "}) {
        const PromptName r =
            DecidePromptName(QString::fromUtf8(typed), PromptConfirm::Button, dir.path(), ".jpg");
        ASSERT_TRUE(r.refusal);
        EXPECT_EQ(*r.refusal, QStringLiteral("新照片命名不能为空。"));
        EXPECT_TRUE(r.finalPath.isEmpty());
    }
    // Only ordinary spaces are trimmed.
    EXPECT_EQ(TrimPromptName(QStringLiteral(" \u3000a ")), QStringLiteral("\u3000a"));
}

TEST_F(NamingPromptTest, NameEmptyOnlyAfterRemovalIsNamedByTheExtension) {
    EXPECT_EQ(DecidePromptName(".jpg", PromptConfirm::Button, dir.path(), ".jpg").finalPath, at(".jpg"));
    touch(".jpg");
    EXPECT_EQ(DecidePromptName(".JPG", PromptConfirm::Button, dir.path(), ".jpg").finalPath, at("—1.jpg"));
}

TEST_F(NamingPromptTest, ButtonAndEnterRemoveInTheirOwnOrder) {
    // Removing ".jpg" first leaves ".bmp", which the Enter order then removes too.
    EXPECT_EQ(RemoveExtensionTexts(".bm.jpgp", PromptConfirm::Button), QStringLiteral(".bmp"));
    EXPECT_EQ(RemoveExtensionTexts(".bm.jpgp", PromptConfirm::EnterKey), QString());
    // And the other way round for ".jp.bmpg".
    EXPECT_EQ(RemoveExtensionTexts(".jp.bmpg", PromptConfirm::Button), QString());
    EXPECT_EQ(RemoveExtensionTexts(".jp.bmpg", PromptConfirm::EnterKey), QStringLiteral(".jpg"));
}

TEST_F(NamingPromptTest, TypedSlashesStayInsideTheFolder) {
    EXPECT_EQ(DecidePromptName("../../etc/x", PromptConfirm::Button, dir.path(), ".jpg").finalPath,
              at(".._.._etc_x.jpg"));
}

}  // namespace
