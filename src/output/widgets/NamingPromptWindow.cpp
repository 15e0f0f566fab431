#include "output/widgets/NamingPromptWindow.h"

#include <QLineEdit>
#include <QPushButton>

#include "output/OutputFile.h"
#include "output/widgets/WindowFonts.h"
#include "platform/OperatorDialogs.h"

namespace picura {
namespace {}  // namespace

NamingPromptWindow::NamingPromptWindow(NamingPromptInputs inputs, OperatorDialogs& dialogs,
                                       std::function<void()> onOpen, std::function<void()> onClose,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      in_(std::move(inputs)),
      dialogs_(dialogs),
      onClose_(std::move(onClose)),
      name_(new QLineEdit(this)),
      ok_(new QPushButton(QStringLiteral("确定"), this)) {
    setObjectName(QStringLiteral("命名窗口"));
    setModal(true);
    setWindowTitle(CaptionFor(in_.batchMode, in_.quickShootMode));
    setFixedSize(334, 55);

    name_->setObjectName(QStringLiteral("文件名编辑框"));
    name_->setGeometry(8, 10, 230, 36);
    name_->setAlignment(Qt::AlignCenter);
    name_->setFont(SongFont(19));

    ok_->setObjectName(QStringLiteral("确定按钮"));
    ok_->setGeometry(248, 11, 76, 32);
    // Enter in the edit box confirms through the edit box alone: a default
    // button would take the same key press a second time.
    ok_->setAutoDefault(false);
    ok_->setDefault(false);

    connect(ok_, &QPushButton::clicked, this, [this] { confirm(PromptConfirm::Button); });
    connect(name_, &QLineEdit::returnPressed, this, [this] { confirm(PromptConfirm::EnterKey); });
    name_->setFocus();

    if (onOpen) {
        onOpen();
    }
}

NamingPromptWindow::~NamingPromptWindow() = default;

QString NamingPromptWindow::CaptionFor(bool batchMode, bool quickShootMode) {
    if (batchMode) {
        return kCropPromptCaption;
    }
    if (quickShootMode) {
        return kPhotoPromptCaption;
    }
    return QString();
}

void NamingPromptWindow::confirm(PromptConfirm how) {
    if (closed_) {
        return;
    }
    const QString folder = in_.batchMode ? in_.batchSaveFolder : in_.quickShootSaveFolder;
    const QString ext = (in_.batchMode ? in_.batchFormat : in_.quickShootFormat).toLower();

    const PromptName decided = DecidePromptName(name_->text(), how, folder, ext);
    if (decided.refusal) {
        dialogs_.tell(*decided.refusal, kEmptyPromptNameTitle, MessageIcon::Information);
        return;
    }
    if (folder.isEmpty()) {
        // No target folder: never let the name land at the file system's root.
        dialogs_.tell(QStringLiteral("图片保存目录未设置。\r\n刚才的图片仍保存在“") + in_.temporaryPath +
                          QStringLiteral("”。"),
                      kEmptyPromptNameTitle, MessageIcon::Warning);
        return;
    }
    const QString failure = FinishNamingPrompt(in_.temporaryPath, decided.finalPath);
    if (!failure.isEmpty()) {
        // The temporary picture is kept; the window stays open for another name.
        dialogs_.tell(failure, kEmptyPromptNameTitle, MessageIcon::Warning);
        return;
    }
    savedPath_ = decided.finalPath;
    accept();
}

void NamingPromptWindow::done(int result) {
    QDialog::done(result);
    if (closed_) {
        return;
    }
    closed_ = true;
    if (in_.batchMode && onClose_) {
        onClose_();
    }
}

}  // namespace picura
