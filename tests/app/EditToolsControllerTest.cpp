#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedDialogs.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/EditToolsController.h"
#include "app/widgets/EditToolsWindow.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/ViewWidget.h"
#include "imaging/Encode.h"
#include "platform/testing/FakeKeyGrabber.h"
#include "session/NavigationKeys.h"
#include "tools/Eyedropper.h"
#include "view/ViewRenderer.h"

using namespace picura;

namespace {

class EditToolsControllerTest : public ::testing::Test {
  protected:
    QTemporaryDir programDir;
    QTemporaryDir configDir;
    test::ScriptedDialogs dialogs;
    picura::testing::FakeKeyGrabber* keys = nullptr;

    std::unique_ptr<MainWindow> makeWindow() {
        MainWindow::Services s;
        s.dialogs = &dialogs;
        s.keyGrabber = [this] {
            auto grabber = std::make_unique<picura::testing::FakeKeyGrabber>();
            keys = grabber.get();
            return grabber;
        };
        s.programFolder = programDir.path();
        s.fallbackSettingsBase = configDir.path();
        auto w = std::make_unique<MainWindow>(s);
        w->start();
        const QString photo = programDir.filePath(QStringLiteral("grey.png"));
        QImage grey(1600, 1200, QImage::Format_RGB32);
        grey.fill(QColor(128, 128, 128));
        EXPECT_TRUE(grey.save(photo));
        EXPECT_TRUE(w->actions().loadPictureFile(photo));
        return w;
    }
    static void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
};

// Pixels of `image` inside `area` for which `test` holds.
template <typename Test>
int CountIn(const QImage& image, QRect area, Test test) {
    int n = 0;
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += test(QColor(image.pixel(x, y))) ? 1 : 0;
        }
    }
    return n;
}
bool IsRed(const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}
bool IsDark(const QColor& c) {
    return c.lightness() < 70;
}

TEST_F(EditToolsControllerTest, PenStrokeBecomesPartOfThePictureAndCtrlZTakesItBack) {
    auto w = makeWindow();
    EditToolsController& tools = *w->editController();
    w->editTools()->lineWidthBox()->setText(QStringLiteral("5"));
    EXPECT_EQ(tools.penWidth(), 5.0);
    auto* bar = w->editTools()->findChild<QWidget*>(QStringLiteral("画笔粗细外形框"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->height(), 5);
    w->editTools()->lineWidthBox()->setText(QStringLiteral("2.9"));
    EXPECT_EQ(bar->height(), 2);
    w->editTools()->lineWidthBox()->setText(QStringLiteral("5"));
    tools.applyColour(qRgb(255, 0, 0));
    w->editTools()->penBox()->click();
    ASSERT_TRUE(tools.selection().penOn());
    EXPECT_EQ(w->session().tool, EditTool::Pen);

    const QSize before = w->session().picture().size();
    ViewWidget* view = w->view();
    mouse(view, QEvent::MouseButtonPress, QPoint(100, 60), Qt::LeftButton, Qt::LeftButton);
    mouse(view, QEvent::MouseMove, QPoint(200, 60), Qt::NoButton, Qt::LeftButton);
    mouse(view, QEvent::MouseButtonRelease, QPoint(200, 60), Qt::LeftButton, Qt::NoButton);

    // The stroke is baked: the picture is what the view showed, at zoom 1, red along the stroke.
    EXPECT_EQ(w->session().view.zoom, 1.0);
    EXPECT_EQ(tools.history().size(), 1u);
    const QImage marked = w->session().picture().image();
    EXPECT_GT(CountIn(marked, marked.rect(), IsRed), 300);
    EXPECT_GT(CountIn(w->boards().visible.image(), QRect(110, 58, 80, 5), IsRed), 300);

    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w->session().picture().size(), before);
    const QImage restored = w->session().picture().image();
    EXPECT_EQ(CountIn(restored, restored.rect(), IsRed), 0);
    EXPECT_EQ(CountIn(w->boards().visible.image(), QRect(110, 58, 80, 5), IsRed), 0);
    EXPECT_FALSE(tools.history().canUndo());
}

TEST_F(EditToolsControllerTest, AStrokeOnAPictureStillShownReducedWaitsForTheFullPicture) {
    auto w = makeWindow();
    EditToolsController& tools = *w->editController();
    w->editTools()->lineWidthBox()->setText(QStringLiteral("5"));
    tools.applyColour(qRgb(255, 0, 0));
    w->editTools()->penBox()->click();
    ASSERT_TRUE(tools.selection().penOn());
    // A large JPEG opened with the pen on: shown from a reduced decode at first.
    const QString photo = programDir.filePath(QStringLiteral("big.jpg"));
    QFile file(photo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QImage grey(3200, 2400, QImage::Format_RGB32);
    grey.fill(QColor(128, 128, 128));
    file.write(EncodeJpeg(grey, 80));
    file.close();
    ASSERT_TRUE(w->actions().loadPictureFile(photo));
    ASSERT_TRUE(w->session().picture().isReduced());
    ViewWidget* view = w->view();
    mouse(view, QEvent::MouseButtonPress, QPoint(100, 60), Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(w->session().picture().isReduced()) << "the stroke must not start on the reduced picture";
    mouse(view, QEvent::MouseMove, QPoint(200, 60), Qt::NoButton, Qt::LeftButton);
    mouse(view, QEvent::MouseButtonRelease, QPoint(200, 60), Qt::LeftButton, Qt::NoButton);
    // Nothing arriving later wipes the mark.
    QApplication::processEvents();
    const QImage marked = w->session().picture().image();
    EXPECT_GT(CountIn(marked, marked.rect(), IsRed), 300);
    EXPECT_GT(CountIn(w->boards().visible.image(), QRect(110, 58, 80, 5), IsRed), 300);
}

TEST_F(EditToolsControllerTest, TextTypedInTheBoxIsWrittenOnEnterAndByARightClick) {
    auto w = makeWindow();
    EditToolsController& tools = *w->editController();
    w->editTools()->textBox()->click();
    ASSERT_TRUE(tools.selection().textOn());
    ViewWidget* view = w->view();
    QLineEdit* input = view->textInput();
    mouse(view, QEvent::MouseButtonRelease, QPoint(150, 150), Qt::LeftButton, Qt::NoButton);
    ASSERT_FALSE(input->isHidden());
    input->insert(QStringLiteral("张三"));  // as an input method commits it
    EXPECT_EQ(tools.textBox().text, QStringLiteral("张三"));
    const QRect area = tools.textBox().geometry;
    EXPECT_EQ(area.width(), 6 * 2 + 6 * 4);  // grown for two Chinese characters
    EXPECT_EQ(CountIn(w->boards().visible.image(), area, IsDark), 0);

    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_GT(CountIn(w->boards().visible.image(), area, IsDark), 10);
    EXPECT_EQ(tools.history().size(), 1u);
    EXPECT_TRUE(tools.textBox().text.isEmpty());
    EXPECT_EQ(tools.textBox().geometry.top(), area.top() + area.height());  // moved down a line

    // A second line, ended by a right click on the view: written, and every tool goes off.
    input->insert(QStringLiteral("李四"));
    const QRect second = tools.textBox().geometry;
    mouse(view, QEvent::MouseButtonPress, QPoint(20, 20), Qt::RightButton, Qt::RightButton);
    EXPECT_GT(CountIn(w->boards().visible.image(), second, IsDark), 10);
    EXPECT_EQ(tools.selection().active(), EditTool::None);
    EXPECT_EQ(w->session().tool, EditTool::None);
    EXPECT_FALSE(w->editTools()->textBox()->isChecked());
    EXPECT_TRUE(input->isHidden());
    EXPECT_EQ(tools.history().size(), 2u);

    // "截图" takes what the box holds with it: the text is written before the crop.
    w->editTools()->textBox()->click();
    mouse(view, QEvent::MouseButtonRelease, QPoint(150, 150), Qt::LeftButton, Qt::NoButton);
    input->insert(QStringLiteral("赵六"));
    mouse(w->cropPanel()->saveButton(), QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton,
          Qt::LeftButton);
    EXPECT_TRUE(input->isHidden());
    EXPECT_EQ(tools.history().size(), 3u);
    EXPECT_GT(CountIn(w->boards().visible.image(), area, IsDark), 10);
}

TEST_F(EditToolsControllerTest, RightClickSwitchesEveryToolOffAndTheEyedropperTakesTheViewsColour) {
    auto w = makeWindow();
    EditToolsController& tools = *w->editController();
    w->editTools()->eyedropperBox()->click();
    ASSERT_TRUE(tools.selection().eyedropperOn());
    mouse(w->view(), QEvent::MouseButtonPress, QPoint(200, 140), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(tools.toolColour(), qRgb(128, 128, 128));
    // The eyedropper draws nothing and does not drag the frame.
    EXPECT_FALSE(tools.history().canUndo());

    w->editTools()->penBox()->click();
    EXPECT_FALSE(w->editTools()->eyedropperBox()->isChecked());
    EXPECT_TRUE(w->editTools()->penBox()->isChecked());
    mouse(w->view(), QEvent::MouseButtonPress, QPoint(20, 20), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(tools.selection().active(), EditTool::None);
    EXPECT_FALSE(w->editTools()->penBox()->isChecked());
    EXPECT_FALSE(w->editTools()->textBox()->isChecked());
    EXPECT_FALSE(w->editTools()->eyedropperBox()->isChecked());
}

TEST_F(EditToolsControllerTest, NavigationKeysAreLentToTheTextBoxInBatchMode) {
    auto w = makeWindow();
    w->batch().setActive(true);
    w->navigationKeys().RegisterNavigationKeys();
    ASSERT_EQ(keys->Held(), NavigationKeySet::All());
    w->editTools()->textBox()->click();
    EXPECT_TRUE(keys->Held().Empty());
    mouse(w->view(), QEvent::MouseButtonRelease, QPoint(150, 150), Qt::LeftButton, Qt::NoButton);
    QTest::keyClicks(w->view()->textInput(), QStringLiteral("asdf"));
    EXPECT_EQ(w->editController()->textBox().text, QStringLiteral("asdf"));
    EXPECT_TRUE(w->batch().active());

    w->editTools()->textBox()->click();  // off: the keys come back
    EXPECT_EQ(keys->Held(), NavigationKeySet::All());
    EXPECT_TRUE(w->view()->textInput()->isHidden());
}

TEST_F(EditToolsControllerTest, AStrokeDraggedOntoTheEditToolsWindowEndsThere) {
    auto w = makeWindow();
    w->show();
    w->runCommand(MainCommand::EditTools);
    ASSERT_TRUE(w->editTools()->isVisible());
    EditToolsController& tools = *w->editController();
    w->editTools()->penBox()->click();
    mouse(w->view(), QEvent::MouseButtonPress, QPoint(100, 60), Qt::LeftButton, Qt::LeftButton);
    const QPoint over = w->view()->mapFromGlobal(w->editTools()->geometry().center());
    mouse(w->view(), QEvent::MouseMove, over, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(tools.history().size(), 1u);
    EXPECT_EQ(w->session().view.zoom, 1.0);
    mouse(w->view(), QEvent::MouseButtonRelease, over, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(tools.history().size(), 1u);  // the release does nothing more
}

TEST_F(EditToolsControllerTest, ANewPictureDropsPendingTextAndTheUndoHistory) {
    auto w = makeWindow();
    EditToolsController& tools = *w->editController();
    w->editTools()->penBox()->click();
    mouse(w->view(), QEvent::MouseButtonPress, QPoint(100, 60), Qt::LeftButton, Qt::LeftButton);
    mouse(w->view(), QEvent::MouseButtonRelease, QPoint(100, 60), Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(tools.history().canUndo());
    ASSERT_TRUE(w->actions().loadPictureFile(programDir.filePath(QStringLiteral("grey.png"))));
    EXPECT_FALSE(tools.history().canUndo());
    EXPECT_TRUE(w->view()->textInput()->isHidden());
}

TEST_F(EditToolsControllerTest, AZoomWritesPendingTextAndAChosenFontTurnsTheTextToolOn) {
    auto w = makeWindow();
    EditToolsController& tools = *w->editController();
    // The font dialog from a right click on the text check box; its choice turns the text tool on.
    QFont big(TextFontFamily(QString::fromUtf8(kPresetTextFace)));
    big.setPixelSize(30);
    dialogs.fonts.push_back(big);
    QTest::mouseClick(w->editTools()->textBox(), Qt::RightButton);
    ASSERT_TRUE(tools.selection().textOn());
    EXPECT_TRUE(w->editTools()->textBox()->isChecked());
    EXPECT_EQ(w->view()->textInput()->font().pixelSize(), 30);

    // A palette swatch (the first row is red) becomes the text colour.
    auto* palette = w->editTools()->findChild<QWidget*>(QStringLiteral("调色板图片"));
    ASSERT_NE(palette, nullptr);
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(25, 5));
    EXPECT_EQ(tools.toolColour(), PaletteSwatchColour(2, 0));

    mouse(w->view(), QEvent::MouseButtonRelease, QPoint(120, 150), Qt::LeftButton, Qt::NoButton);
    w->view()->textInput()->insert(QStringLiteral("王五"));
    const double zoom = w->session().view.zoom;
    ASSERT_LT(zoom, 1.0);
    // A wheel turn changes the view: the text is written first (the bake sets the zoom to 1), then
    // the zoom steps from there.
    QWheelEvent wheel(QPointF(50, 50), w->view()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->view(), &wheel);
    EXPECT_TRUE(w->view()->textInput()->isHidden());
    EXPECT_TRUE(tools.textBox().text.isEmpty());
    EXPECT_EQ(tools.history().size(), 1u);
    EXPECT_NEAR(w->session().view.zoom, kZoomOutFactor, 1e-9);
    const QColor swatch(PaletteSwatchColour(2, 0));
    const QImage marked = w->session().picture().image();
    EXPECT_GT(CountIn(marked, marked.rect(),
                      [&](const QColor& c) {
                          return std::abs(c.red() - swatch.red()) + std::abs(c.green() - swatch.green()) +
                                     std::abs(c.blue() - swatch.blue()) <
                                 60;
                      }),
              20);
}

}  // namespace
