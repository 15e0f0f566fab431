#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "help/HelpFile.h"
#include "output/Naming.h"

using namespace picura;

namespace {

QString DecodeStrictUtf8(const QByteArray& bytes, bool* ok) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    *ok = !decoder.hasError();
    return text;
}

class HelpDocumentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bool ok = false;
        html = DecodeStrictUtf8(CarriedHelpDocument(), &ok);
        ASSERT_TRUE(ok) << "the help document is not valid UTF-8";
        ASSERT_FALSE(html.isEmpty());
        // What a reader sees: the text without tags, blanks collapsed.
        QString t = html;
        t.remove(QRegularExpression(QStringLiteral("<style[^>]*>.*</style>"),
                                    QRegularExpression::DotMatchesEverythingOption));
        t.replace(QRegularExpression(QStringLiteral("<[^>]*>")), QStringLiteral(" "));
        text = t.simplified();
    }
    QString html;
    QString text;
};

TEST_F(HelpDocumentTest, IsAnHtmlPageDeclaredAsUtf8WithATitle) {
    EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE html>"), Qt::CaseInsensitive));
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">"), Qt::CaseInsensitive));
    const auto title = QRegularExpression(QStringLiteral("<title>([^<]+)</title>")).match(html);
    ASSERT_TRUE(title.hasMatch());
    EXPECT_TRUE(title.captured(1).contains(QStringLiteral("Picura")));
    EXPECT_FALSE(html.contains(QChar(0xFFFD)));
}

TEST_F(HelpDocumentTest, TagsAreBalanced) {
    // A cheap well-formedness check of the elements that carry the layout.
    for (const char* tag : {"section", "table", "tr", "ul", "ol", "nav", "main", "svg", "p", "h2", "h3"}) {
        SCOPED_TRACE(tag);
        const QString name = QString::fromLatin1(tag);
        const auto opens = html.count(QRegularExpression(QStringLiteral("<%1[\\s>]").arg(name)));
        const auto closes = html.count(QStringLiteral("</%1>").arg(name));
        EXPECT_GT(opens, 0);
        EXPECT_EQ(opens, closes);
    }
}

TEST_F(HelpDocumentTest, NeedsNoOtherFile) {
    // No stylesheet, script, picture or frame from elsewhere; links only within the page.
    EXPECT_FALSE(html.contains(QStringLiteral("<link"), Qt::CaseInsensitive));
    EXPECT_FALSE(html.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
    EXPECT_FALSE(html.contains(QStringLiteral("<img"), Qt::CaseInsensitive));
    EXPECT_FALSE(html.contains(QStringLiteral("<iframe"), Qt::CaseInsensitive));
    EXPECT_FALSE(html.contains(QStringLiteral("@import"), Qt::CaseInsensitive));
    const QRegularExpression cssUrl(QStringLiteral("url\\(\\s*['\"]?(?!data:)"));
    EXPECT_FALSE(html.contains(cssUrl));
    const QRegularExpression src(QStringLiteral("\\ssrc\\s*="), QRegularExpression::CaseInsensitiveOption);
    EXPECT_FALSE(html.contains(src));
    auto hrefs = QRegularExpression(QStringLiteral("href=\"([^\"]*)\"")).globalMatch(html);
    int count = 0;
    while (hrefs.hasNext()) {
        const QString target = hrefs.next().captured(1);
        ++count;
        EXPECT_TRUE(target.startsWith(QLatin1Char('#'))) << target.toStdString();
    }
    EXPECT_GT(count, 10);
}

TEST_F(HelpDocumentTest, EveryLinkWithinThePageHasItsTarget) {
    QSet<QString> ids;
    auto idMatches = QRegularExpression(QStringLiteral("\\sid=\"([^\"]+)\"")).globalMatch(html);
    while (idMatches.hasNext()) {
        const QString id = idMatches.next().captured(1);
        EXPECT_FALSE(ids.contains(id)) << "duplicate id " << id.toStdString();
        ids.insert(id);
    }
    auto hrefs = QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(html);
    while (hrefs.hasNext()) {
        const QString target = hrefs.next().captured(1);
        EXPECT_TRUE(ids.contains(target)) << target.toStdString();
    }
}

TEST_F(HelpDocumentTest, TableOfContentsListsEverySection) {
    const int tocStart = html.indexOf(QStringLiteral("<nav class=\"toc\""));
    const int tocEnd = html.indexOf(QStringLiteral("</nav>"), tocStart);
    ASSERT_GE(tocStart, 0);
    const QString toc = html.mid(tocStart, tocEnd - tocStart);
    auto sections = QRegularExpression(QStringLiteral("<section id=\"([^\"]+)\"")).globalMatch(html);
    int count = 0;
    while (sections.hasNext()) {
        const QString id = sections.next().captured(1);
        ++count;
        EXPECT_TRUE(toc.contains(QStringLiteral("href=\"#%1\"").arg(id))) << id.toStdString();
    }
    EXPECT_GE(count, 10);
}

TEST_F(HelpDocumentTest, GivesEverySizePresetWithItsPixels) {
    const struct {
        const char* name;
        int width;
        int height;
    } presets[] = {
        {"默认", 160, 210},      {"学籍/身份证", 358, 441}, {"小1寸", 260, 390}, {"1寸照", 295, 413},
        {"小2寸普通", 413, 531}, {"小2寸护照", 390, 567},   {"2寸照", 413, 626},
    };
    for (const auto& p : presets) {
        const QString row =
            QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(p.name)).arg(p.width).arg(p.height);
        EXPECT_TRUE(text.contains(row)) << row.toStdString();
    }
}

TEST_F(HelpDocumentTest, CoversWhatTheProgramDoes) {
    const char* topics[] = {
        // opening, zooming, the frame
        "打开", "拖", "Ctrl + V", "滚轮", "放大", "缩小", "方向键", "移动按钮", "宽度", "高度",
        // saving
        "截图", "JPG", "BMP", "GIF", "PNG", "KB", "当前截图区域输出图片所能达到的最小体积为",
        "请重新设置JPG输出体积。",
        // naming
        "0001", "2022-1-10 11-45-23", "XXX0001", "与原图片文件名同名", "每次截图 / 拍照后都弹出命名框",
        "导入EXCEL，按选中单元格内文字命名", "“/”", "“_”", "“.” 或 “..”",
        // batch crop
        "使用批量截图模式", "批量截图设置", "批截任务.ini", "已截图", "未截图", "A", "S", "D", "F",
        // camera, roster, tools, settings
        "拍摄", "使用批量速拍模式", "批量速拍设置", "导入EXCEL文件", ".xlsx", "画笔", "文字", "吸管",
        "头像采集设置", "Picura使用帮助.html"};
    for (const char* topic : topics) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(topic))) << topic;
    }
}

// The naming table's example for two crops in one second must be the name the program really gives
// the second one (it never replaces the first), and the text must not claim otherwise.
TEST_F(HelpDocumentTest, NamesTheSecondCaptureOfASecondAsTheProgramDoes) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString time = TimeName(QDateTime(QDate(2022, 1, 10), QTime(11, 45, 23)));
    const QString first = NextTextPath(folder.path(), time, QStringLiteral(".jpg"));
    QFile file(first);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString second = FileNameOfPath(NextTextPath(folder.path(), time, QStringLiteral(".jpg")));
    EXPECT_NE(second, FileNameOfPath(first));
    EXPECT_TRUE(text.contains(second)) << second.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("后一张会覆盖前一张")));
}

}  // namespace
