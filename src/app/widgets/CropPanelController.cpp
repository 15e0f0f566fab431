#include "app/widgets/CropPanelController.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "app/MainActions.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/SpinLineEdit.h"
#include "platform/OperatorDialogs.h"
#include "session/Session.h"
#include "settings/TextNumber.h"

namespace picura {

CropPanelController::CropPanelController(CropPanel* panel, Session& session, MainActions& actions,
                                         OperatorDialogs& dialogs, Host host, QObject* parent)
    : QObject(parent),
      panel_(panel),
      session_(session),
      actions_(actions),
      dialogs_(dialogs),
      host_(std::move(host)) {
    moveTimer_ = new QTimer(this);
    moveTimer_->setObjectName(QStringLiteral("截图时钟"));
    moveTimer_->setTimerType(Qt::PreciseTimer);
    moveTimer_->setInterval(MoveRepeat::kIntervalMs);
    connect(moveTimer_, &QTimer::timeout, this, [this] {
        if (moveRepeat_.tick(session_.frame, session_.hasPicture())) {
            actions_.showMovedFrame();
        }
        if (!moveRepeat_.timerRunning()) {
            moveTimer_->stop();
        }
    });
    connect(panel_, &CropPanel::moveButtonPressed, this, [this](int d) { onMoveButton(d, true); });
    connect(panel_, &CropPanel::moveButtonReleased, this, [this](int d) { onMoveButton(d, false); });
    connect(panel_->presetBox(), &QComboBox::activated, this, &CropPanelController::applySizePreset);
    connect(panel_->widthBox(), &QLineEdit::textChanged, this, [this] { applyFrameSide(true); });
    connect(panel_->heightBox(), &QLineEdit::textChanged, this, [this] { applyFrameSide(false); });
    connect(panel_->widthBox(), &SpinLineEdit::spun, this, [this](int step) { spinPixelBox(true, step); });
    connect(panel_->heightBox(), &SpinLineEdit::spun, this, [this](int step) { spinPixelBox(false, step); });
    for (SpinLineEdit* box : {panel_->widthBox(), panel_->heightBox()}) {
        connect(box, &SpinLineEdit::characterTyped, this,
                [this] { panel_->presetBox()->setCurrentIndex(kCustomSizePreset); });
    }
    connect(panel_->jpgBox(), &QLineEdit::textChanged, this, &CropPanelController::applyJpgLimit);
    connect(panel_->jpgBox(), &QLineEdit::editingFinished, this, &CropPanelController::normaliseJpgText);
    connect(panel_, &CropPanel::jpgSpun, this, [this](int step) {
        panel_->jpgBox()->setText(SpinJpgLimitText(panel_->jpgBox()->text(), step));
    });
    connect(panel_, &CropPanel::frameColourClicked, this, &CropPanelController::chooseFrameColour);
}

void CropPanelController::applySizePreset(int index) {
    if (const std::optional<PresetTexts> texts = SizePresetTexts(index)) {
        panel_->widthBox()->setText(texts->width);
        panel_->heightBox()->setText(texts->height);
    }
    // The arrow keys that follow move the frame, not the preset.
    host_.focusView();
}

void CropPanelController::spinPixelBox(bool width, int step) {
    panel_->presetBox()->setCurrentIndex(kCustomSizePreset);
    SpinLineEdit* box = width ? panel_->widthBox() : panel_->heightBox();
    box->setText(SpinPixelText(box->text(), step));
}

void CropPanelController::applyFrameSide(bool width) {
    const QString text = (width ? panel_->widthBox() : panel_->heightBox())->text();
    const FrameSizeChange change =
        ApplyFrameSide(session_.frame, width ? FrameSide::Width : FrameSide::Height, text, host_.geometry());
    host_.frameResized(change, width);
}

void CropPanelController::applyJpgLimit() {
    // The text stays as typed ("12." on the way to "12.5", an empty box before new digits); its
    // normal form is written when the box loses the focus or the limit is used.
    const JpgLimitResult r = NormaliseJpgLimit(panel_->jpgBox()->text());
    session_.jpgLimitKb = r.limit;
    if (!r.newText) {
        host_.jpgLimitSet(r.limit);  // stored once the text is normal
    }
}

void CropPanelController::normaliseJpgText() {
    const JpgLimitResult r = NormaliseJpgLimit(panel_->jpgBox()->text());
    if (r.newText) {
        panel_->jpgBox()->setText(*r.newText);  // raises applyJpgLimit with the normal text
    }
}

QString CropPanelController::jpgText() const {
    const QString text = panel_->jpgBox()->text();
    return NormaliseJpgLimit(text).newText.value_or(text);
}

void CropPanelController::chooseFrameColour() {
    const std::optional<QColor> colour =
        dialogs_.pickColour(panel_->frameColour(), QStringLiteral("采集框颜色"));
    if (!colour) {
        return;
    }
    panel_->setFrameColour(*colour);
    actions_.repaintView();
    if (host_.frameColourChanged) {
        host_.frameColourChanged();
    }
    host_.focusView();
}

void CropPanelController::onMoveButton(int direction, bool pressed) {
    const auto d = static_cast<MoveDirection>(direction);
    if (!pressed) {
        moveRepeat_.release(d);
        moveTimer_->stop();
        host_.focusView();
        return;
    }
    if (!session_.hasPicture()) {
        dialogs_.tell(kNoPictureMessage, QStringLiteral("提示"));
        return;
    }
    moveRepeat_.press(session_.frame, d);
    actions_.showMovedFrame();
    moveTimer_->start();
}

}  // namespace picura
