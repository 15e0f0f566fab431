#include "app/widgets/MainBatchPort.h"

#include <QCheckBox>
#include <QLineEdit>

#include "app/widgets/CropPanel.h"
#include "app/widgets/CropPanelController.h"
#include "app/widgets/EditToolsWindow.h"
#include "app/widgets/HintLine.h"
#include "app/widgets/HintStatusBar.h"
#include "app/widgets/MainTables.h"
#include "app/widgets/NameListController.h"
#include "app/widgets/SpinLineEdit.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "platform/OperatorDialogs.h"
#include "session/NavigationKeys.h"
#include "session/Session.h"

namespace picura {

void MainBatchPort::connectStatusBar(std::function<int()> paneRight, HintLine* hints) {
    BatchController* batch = p_.batch;
    QObject::connect(p_.status, &HintStatusBar::pressed, hints,
                     [batch, paneRight](Qt::MouseButton button, int x) {
                         if (button == Qt::LeftButton) {
                             batch->onStatusLeftPress(x, paneRight());
                         } else if (button == Qt::RightButton) {
                             batch->onStatusRightPress(x, paneRight());
                         }
                     });
    QObject::connect(p_.status, &HintStatusBar::mouseMoved, hints, [this, paneRight, hints](int x) {
        if (BatchController::InCheckBoxPane(x, paneRight())) {
            hints->show(kBatchPaneHint);
        } else if (p_.keys->IsRegistered()) {
            hints->show(kNavigationKeysHint);
        } else {
            hints->show(p_.session->hasPicture() ? QString() : kStartHint);
        }
    });
}

void MainBatchPort::setCaption(const QString& caption) {
    p_.window->setWindowTitle(caption);
}

void MainBatchPort::setBatchChecked(bool checked) {
    if (checked && p_.switchedOn) {
        p_.switchedOn();
    }
    p_.status->setBatchChecked(checked);
}

void MainBatchPort::openBatchSettings(bool modal) {
    BatchSettingsInputs inputs;
    inputs.batch = p_.batch->settings();
    inputs.pixelWidthText = p_.panel->widthBox()->text();
    inputs.pixelHeightText = p_.panel->heightBox()->text();
    p_.panelController->normaliseJpgText();
    inputs.jpgSizeText = p_.panel->jpgBox()->text();
    BatchSettingsHooks hooks;
    BatchController* batch = p_.batch;
    hooks.releaseKeys = [this] { unregisterKeys(); };
    hooks.formatChanged = [batch](OutputFormat f) { batch->settings().format = FormatText(f); };
    NameListController* nameList = p_.nameList;
    hooks.namingChanged = [batch, nameList](int index) {
        batch->settings().namingIndex = index;
        // Another naming mode has no use for the roster: its window closes and forgets it.
        if (nameList && ModeAt(BatchNamingEntries(), index) != NamingMode::ExcelCell) {
            nameList->close();
        }
    };
    hooks.cropSoundChanged = [batch](bool on) { batch->settings().sound = on; };
    hooks.apply = [batch](const BatchSettingsResult& r) { batch->applySettings(r); };
    hooks.useNameListForCrop = [this] { openNameList(); };
    hooks.takeKeys = [this] { registerKeys(); };
    hooks.closed = [this, batch](bool confirmed) {
        batch->settingsClosed(confirmed);
        // Closed without 确定 while batch crop goes on (the check box stays ticked): the keys the
        // window released work again.
        if (!confirmed && batch->active()) {
            registerKeys();
        }
        p_.focusView();
    };
    const QString settingsFile = batch->settingsFolder() + QLatin1Char('/') + ini::kSettingsFileName;
    auto* window =
        new BatchSettingsWindow(inputs, SettingsStore(settingsFile), *p_.dialogs, hooks, p_.window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (modal) {
        window->exec();
    } else {
        window->show();
    }
}

void MainBatchPort::setPixelTexts(const QString& width, const QString& height) {
    p_.panel->widthBox()->setText(width);
    p_.panel->heightBox()->setText(height);
}

QString MainBatchPort::jpgText() const {
    return p_.panelController->jpgText();
}

void MainBatchPort::setJpgText(const QString& text) {
    p_.panel->jpgBox()->setText(text);
}

void MainBatchPort::registerKeys() {
    p_.keys->RegisterNavigationKeys();
}

void MainBatchPort::unregisterKeys() {
    p_.keys->UnregisterNavigationKeys();
}

void MainBatchPort::untickEditTools() {
    p_.session->tool = EditTool::None;
    p_.editTools->penBox()->setChecked(false);
    p_.editTools->textBox()->setChecked(false);
    p_.editTools->eyedropperBox()->setChecked(false);
}

bool MainBatchPort::openNameList() {
    return p_.nameList && p_.nameList->open();
}

NameListState MainBatchPort::nameList() const {
    return p_.nameList ? p_.nameList->state() : NameListState{};
}

bool MainBatchPort::nameListAutoNextRow() const {
    return p_.nameList && p_.nameList->autoNextRow();
}

void MainBatchPort::advanceNameRow() {
    if (p_.nameList) {
        p_.nameList->advanceRow();
    }
}

void MainBatchPort::focusNameList() {
    if (p_.nameList) {
        p_.nameList->focus();
    }
}

}  // namespace picura
