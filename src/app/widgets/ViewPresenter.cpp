#include "app/widgets/ViewPresenter.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollBar>

#include "app/widgets/CropPanel.h"
#include "app/widgets/Icons.h"
#include "app/widgets/ViewWidget.h"
#include "session/Session.h"
#include "view/ViewBoards.h"
#include "view/ViewRenderer.h"

namespace picura {

void ViewPresenter::attach(ViewWidget* view, QScrollBar* horizontal, QScrollBar* vertical, CropPanel* panel) {
    view_ = view;
    view_->setBoard(&boards_.visible);
    hbar_ = horizontal;
    vbar_ = vertical;
    panel_ = panel;
}

QColor ViewPresenter::frameColour() const {
    return panel_->frameColour();
}

void ViewPresenter::showView() {
    view_->showBoard();
    syncingBars_ = true;
    const auto sync = [](QScrollBar* bar, const ScrollBarState& s) {
        bar->setEnabled(s.enabled);
        bar->setRange(0, s.enabled ? s.range : 0);
        bar->setValue(s.enabled ? s.position : 0);
        bar->setPageStep(ScrollPageStep(s.range));
    };
    sync(hbar_, session_.view.horizontal);
    sync(vbar_, session_.view.vertical);
    syncingBars_ = false;
}

void ViewPresenter::focusView() {
    view_->setFocus();
}

void ViewPresenter::dropPendingText() {
    view_->textInput()->hide();
    view_->textInput()->clear();
}

void ViewPresenter::setViewCursor(ViewCursor cursor) {
    switch (cursor) {
        case ViewCursor::Arrow: view_->setCursor(Qt::ArrowCursor); break;
        case ViewCursor::Move: view_->setCursor(Qt::SizeAllCursor); break;
        case ViewCursor::IBeam: view_->setCursor(Qt::IBeamCursor); break;
        case ViewCursor::Pen: view_->setCursor(MakePenCursor()); break;
        case ViewCursor::Eyedropper: view_->setCursor(MakeEyedropperCursor()); break;
    }
}

void ViewPresenter::showBusy(bool busy) {
    if (busy) {
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}

SaveRoad::Hooks BusyPointerSaveHooks(std::function<void(const QString&)> namingPrompt) {
    SaveRoad::Hooks hooks;
    hooks.busy = [](bool busy) {
        if (busy) {
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        } else {
            QGuiApplication::restoreOverrideCursor();
        }
    };
    hooks.namingPrompt = std::move(namingPrompt);
    return hooks;
}

}  // namespace picura
