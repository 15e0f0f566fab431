#include "app/widgets/EditToolsController.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>

#include "app/MainActions.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/EditToolsWindow.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/ViewWidget.h"
#include "platform/OperatorDialogs.h"
#include "session/NavigationKeys.h"
#include "session/Session.h"
#include "tools/Eyedropper.h"
#include "view/ViewBoards.h"
#include "view/ViewRenderer.h"

namespace picura {

namespace {

// The eyedropper reads the view's visible board: what the operator sees there is exactly its pixels.
class ViewPixelSource final : public ScreenPixelSource {
  public:
    ViewPixelSource(const ViewWidget& view, const ViewBoards& boards) : view_(view), boards_(boards) {}
    std::optional<QRgb> pixelAt(QPoint screenPoint) override {
        return ColourAt(boards_.visible.image(), view_.mapFromGlobal(screenPoint));
    }

  private:
    const ViewWidget& view_;
    const ViewBoards& boards_;
};

ViewCursor CursorFor(ToolPointer pointer) {
    switch (pointer) {
        case ToolPointer::Pen: return ViewCursor::Pen;
        case ToolPointer::IBeam: return ViewCursor::IBeam;
        case ToolPointer::Eyedropper: return ViewCursor::Eyedropper;
        case ToolPointer::Default: break;
    }
    return ViewCursor::Arrow;
}

QString ColourCss(QRgb c) {
    return QColor(c).name();
}

}  // namespace

EditToolsController::EditToolsController(Parts parts, QObject* parent)
    : QObject(parent), p_(std::move(parts)), input_(p_.view->textInput()) {
    EditToolsWindow* w = p_.window;
    bar_ = w->findChild<QFrame*>(QStringLiteral("画笔粗细外形框"));
    // The Main window's children go one by one when it is destroyed: nothing is handled once the
    // view is gone (closing the Edit tools window then would repaint a destroyed view).
    connect(p_.view, &QObject::destroyed, this, [this] { viewGone_ = true; });
    input_->setContextMenuPolicy(Qt::PreventContextMenu);
    input_->installEventFilter(this);
    p_.view->installEventFilter(this);
    for (QScrollBar* bar : p_.bars) {
        bar->installEventFilter(this);
    }
    w->installEventFilter(this);
    w->textBox()->installEventFilter(this);

    const auto onToggle = [this](ToolSwitch (ToolSelection::*select)(bool)) {
        return [this, select](bool checked) {
            if (!applying_) {
                apply((selection_.*select)(checked));
            }
        };
    };
    connect(w->penBox(), &QCheckBox::toggled, this, onToggle(&ToolSelection::selectPen));
    connect(w->textBox(), &QCheckBox::toggled, this, onToggle(&ToolSelection::selectText));
    connect(w->eyedropperBox(), &QCheckBox::toggled, this, onToggle(&ToolSelection::selectEyedropper));
    connect(w->lineWidthBox(), &QLineEdit::textChanged, this, [this](const QString& text) {
        penWidth_ = PenWidthFromText(text);
        if (bar_) {
            bar_->setFixedHeight(LineWidthBarHeight(text));
        }
        if (selection_.penOn() && p_.session->hasPicture()) {
            p_.actions->repaintView();
        }
    });
    if (auto* picker = w->findChild<QPushButton*>(QStringLiteral("画笔颜色选择器"))) {
        connect(picker, &QPushButton::clicked, this, [this] {
            if (auto c = p_.dialogs->pickColour(QColor(colour_), QStringLiteral("画笔颜色"))) {
                applyColour(c->rgb());
            }
        });
    }
    if (auto* palette = w->findChild<QFrame*>(QStringLiteral("调色板"))) {
        palette_ = new QLabel(palette);
        palette_->setObjectName(QStringLiteral("调色板图片"));
        palette_->setPixmap(QPixmap::fromImage(PalettePicture()));
        palette_->setGeometry(0, 0, kPaletteColumns * kPaletteSwatchWidth,
                              kPaletteRows * kPaletteSwatchHeight);
        palette_->installEventFilter(this);
    }
    connect(input_, &QLineEdit::textChanged, this, [this](const QString& text) {
        box_.text = text;
        FitTextBox(box_, metrics_);
        input_->setGeometry(box_.geometry);
    });
    p_.session->addListener([this](PictureChange change) {
        if (change != PictureChange::Edited && change != PictureChange::Completed) {
            // A new picture (or none): its marks start afresh, pending text is dropped.
            DiscardText(box_);
            input_->hide();
            history_.clear();
            stroke_.drop();
        }
    });
    applyColour(colour_);
}

EditToolsController::EditToolsController(MainWindow& window, ViewBoards& boards, MainWindowPort& port,
                                         OperatorDialogs& dialogs)
    : EditToolsController(Parts{&window.session(),
                                &boards,
                                &window.actions(),
                                &port,
                                &dialogs,
                                window.editTools(),
                                window.view(),
                                {window.horizontalBar(), window.verticalBar()},
                                &window.navigationKeys(),
                                [&window] { return window.batch().active(); },
                                [&window] { window.clearHint(); }},
                          &window) {
    // The toolbar's commands and the crop panel's buttons change the view or crop it: pending text is
    // written before they run.
    for (QAbstractButton* b : window.toolbar()->findChildren<QAbstractButton*>()) {
        b->installEventFilter(this);
        commandButtons_.insert(b);
    }
    for (QAbstractButton* b : window.cropPanel()->findChildren<QAbstractButton*>()) {
        b->installEventFilter(this);
        commandButtons_.insert(b);
    }
}

void EditToolsController::prepareBoard() {
    DrawingBoard& display = p_.boards->display();
    display.setTextColor(colour_);
    if (fontChosen_) {
        display.setFont(font_);
    }
}

void EditToolsController::apply(const ToolSwitch& s, bool leaveTextDone) {
    if (selection_.active() != EditTool::None) {
        p_.actions->completePicture();  // marks go onto the full picture
    }
    if (s.dropButtonHeld) {
        stroke_.drop();
        p_.actions->onSliderPressed();  // ends a frame drag under way
    }
    if (s.repaintView) {
        p_.actions->repaintView();
    }
    if (s.leaveText && !leaveTextDone) {
        prepareBoard();
        handleCommit(LeaveTextTool(box_, p_.boards->display()));
        input_->hide();
    }
    applying_ = true;
    p_.window->penBox()->setChecked(selection_.ticked(EditTool::Pen));
    p_.window->textBox()->setChecked(selection_.ticked(EditTool::Text));
    p_.window->eyedropperBox()->setChecked(selection_.ticked(EditTool::Eyedropper));
    applying_ = false;
    p_.session->tool = selection_.active();
    p_.port->setViewCursor(CursorFor(s.pointer));
    p_.port->focusView();
    if (p_.keys && p_.batchActive && p_.batchActive()) {
        // Typed letters belong to the text box while the text tool is on, A, S, D and F included.
        if (selection_.textInputActive()) {
            p_.keys->UnregisterNavigationKeys();
        } else {
            p_.keys->RegisterNavigationKeys();
        }
    }
}

void EditToolsController::handleCommit(TextCommit commit) {
    if (commit == TextCommit::Drawn) {
        history_.record(p_.session->picture());
    }
    if (commit != TextCommit::None) {
        bake();
    }
}

bool EditToolsController::bake() {
    if (!p_.session->hasPicture()) {
        return false;
    }
    Picture picture = p_.session->picture();
    // The bake holds the whole scaled picture: never beyond the zoom bounds.
    if (!ZoomWithinBounds(picture.size(), p_.session->view.zoom)) {
        return false;
    }
    if (!BakeDisplay(picture, p_.session->view, *p_.boards, p_.session->frame, p_.port->frameColour())) {
        return false;
    }
    p_.session->editPicture(picture);
    p_.port->showView();
    return true;
}

void EditToolsController::showBox() {
    const QSignalBlocker block(input_);
    input_->setText(box_.text);
    input_->setGeometry(box_.geometry);
    input_->setVisible(box_.visible);
}

void EditToolsController::leaveTextForViewChange() {
    if (box_.visible) {
        prepareBoard();
        handleCommit(LeaveTextTool(box_, p_.boards->display()));
        input_->hide();
    }
}

void EditToolsController::applyColour(QRgb colour) {
    const ToolColours c = ApplyToolColour(colour);
    colour_ = c.tool;
    p_.boards->display().setTextColor(colour_);
    input_->setStyleSheet(
        QStringLiteral("color: %1; background: %2;").arg(ColourCss(c.tool), ColourCss(c.textBoxBackground)));
    if (auto* picker = p_.window->findChild<QPushButton*>(QStringLiteral("画笔颜色选择器"))) {
        picker->setStyleSheet(QStringLiteral("background: %1;").arg(ColourCss(c.tool)));
    }
    if (bar_) {
        bar_->setStyleSheet(QStringLiteral("background: %1;").arg(ColourCss(c.tool)));
    }
    if (!input_->isHidden()) {
        input_->setFocus();
    }
    if (selection_.penOn() && p_.session->hasPicture()) {
        p_.actions->repaintView();
    }
}

void EditToolsController::chooseFont() {
    apply(selection_.prepareFontDialog());
    const auto font = p_.dialogs->pickFont(PresetTextFont(), QStringLiteral("字体"));
    if (!font) {
        return;
    }
    font_ = *font;
    fontChosen_ = true;
    metrics_ = ApplyTextFont(p_.boards->display(), box_, font_);
    input_->setFont(font_);
    input_->setGeometry(box_.geometry);
    applyColour(colour_);
    apply(selection_.fontChosen());
}

void EditToolsController::endByRightClick() {
    prepareBoard();
    const RightClickEnd end = EndTextByRightClick(box_, selection_, p_.boards->display());
    handleCommit(end.commit);
    input_->hide();
    apply(end.tools, true);
    p_.actions->repaintView();
}

bool EditToolsController::undo() {
    std::optional<Picture> before = history_.undo();
    if (!before) {
        return false;
    }
    stroke_.drop();
    p_.session->editPicture(*before);
    p_.actions->renderView();
    return true;
}

bool EditToolsController::viewPress(QPoint p) {
    if (!p_.session->hasPicture() || selection_.active() == EditTool::None) {
        return false;
    }
    p_.port->focusView();
    if (selection_.penOn()) {
        stroke_.press(p_.boards->display(), p, penWidth_, colour_);
        p_.actions->repaintView();
    } else if (selection_.eyedropperOn()) {
        ViewPixelSource source(*p_.view, *p_.boards);
        applyColour(PickScreenColour(source, p_.view->mapToGlobal(p), colour_));
    }
    return true;
}

bool EditToolsController::viewMove(QPoint p) {
    if (!p_.session->hasPicture() || selection_.active() == EditTool::None) {
        return false;
    }
    if (selection_.penOn()) {
        if (stroke_.held() && p_.window->isVisible() &&
            p_.window->frameGeometry().contains(p_.view->mapToGlobal(p))) {
            // The pointer reached the Edit tools window: the stroke ends there and is baked.
            stroke_.finish();
            history_.record(p_.session->picture());
            bake();
        } else if (stroke_.held()) {
            stroke_.moveTo(p_.boards->display(), p, penWidth_, colour_);
            p_.actions->repaintView();
        } else {
            p_.actions->repaintView();
            DrawPenHoverCircle(p_.boards->visible, p, penWidth_, colour_);
            p_.port->showView();
        }
    }
    return true;
}

bool EditToolsController::viewRelease(QPoint p) {
    if (!p_.session->hasPicture() || selection_.active() == EditTool::None) {
        return false;
    }
    if (selection_.penOn()) {
        if (stroke_.finish()) {
            history_.record(p_.session->picture());
            bake();
        }
    } else if (selection_.textOn()) {
        prepareBoard();
        handleCommit(PlaceTextBox(box_, p_.boards->display(), p, metrics_));
        showBox();
        input_->setFocus();
        if (p_.clearHint) {
            p_.clearHint();
        }
    }
    return true;
}

bool EditToolsController::eventFilter(QObject* watched, QEvent* event) {
    if (viewGone_) {
        return false;
    }
    const QEvent::Type type = event->type();
    if (watched == p_.view || watched == input_) {
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
            type == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (type == QEvent::MouseButtonPress && me->button() == Qt::RightButton) {
                endByRightClick();
                return true;
            }
            if (watched == input_) {
                return false;
            }
            const QPoint pos = me->position().toPoint();
            if (type == QEvent::MouseButtonPress && me->button() == Qt::LeftButton) {
                if (selection_.active() != EditTool::None) {
                    p_.actions->completePicture();  // a mark goes onto the full picture, never a reduced one
                }
                return viewPress(pos);
            }
            if (type == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton) {
                return viewRelease(pos);
            }
            if (type == QEvent::MouseMove) {
                return viewMove(pos);
            }
        } else if (type == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            if (watched == input_) {
                if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                    prepareBoard();
                    handleCommit(TextBoxKey(box_, p_.boards->display(), ke->key()));
                    showBox();
                    return true;
                }
                return false;
            }
            if (ke->key() == Qt::Key_Z && (ke->modifiers() & Qt::ControlModifier)) {
                undo();
                return true;
            }
            switch (ke->key()) {
                case Qt::Key_Minus:
                case Qt::Key_Plus:
                case Qt::Key_Equal:
                case Qt::Key_Left:
                case Qt::Key_Right:
                case Qt::Key_Up:
                case Qt::Key_Down:
                    stroke_.drop();
                    leaveTextForViewChange();
                    break;
                default: break;
            }
        } else if (type == QEvent::Wheel && watched == p_.view) {
            stroke_.drop();
            leaveTextForViewChange();
        }
        return false;
    }
    if (type == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (watched == p_.window->textBox() && me->button() == Qt::RightButton) {
            chooseFont();
            return true;
        }
        if (watched == palette_ && me->button() == Qt::LeftButton) {
            if (auto c = PaletteColourAt(me->position().toPoint())) {
                applyColour(*c);
            }
            return true;
        }
        if (watched == p_.bars[0] || watched == p_.bars[1] || commandButtons_.contains(watched)) {
            stroke_.drop();
            leaveTextForViewChange();
        }
    } else if (type == QEvent::Hide && watched == p_.window && selection_.active() != EditTool::None) {
        // The window was hidden: every tool goes off, pending text is written.
        apply(selection_.switchAllOff());
    }
    return false;
}

}  // namespace picura
