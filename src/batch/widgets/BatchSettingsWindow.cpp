#include "batch/widgets/BatchSettingsWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "output/widgets/WindowFonts.h"
#include "platform/OperatorDialogs.h"

namespace picura {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(at);
    return label;
}

// The folder as the edit box shows it: with one trailing "/" when set.
QString FolderBoxText(const QString& folder) {
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/');
}

const QList<OutputFormat>& FormatsInBoxOrder() {
    static const QList<OutputFormat> formats{OutputFormat::Jpg, OutputFormat::Bmp, OutputFormat::Gif,
                                             OutputFormat::Png};
    return formats;
}

}  // namespace

void NamingComboBox::hidePopup() {
    QComboBox::hidePopup();
    emit listClosed();
}

BatchSettingsWindow::BatchSettingsWindow(const BatchSettingsInputs& inputs, SettingsStore store,
                                         OperatorDialogs& dialogs, BatchSettingsHooks hooks, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      store_(std::move(store)),
      dialogs_(dialogs),
      hooks_(std::move(hooks)),
      pixelWidthText_(inputs.pixelWidthText),
      pixelHeightText_(inputs.pixelHeightText),
      jpgSizeText_(inputs.jpgSizeText),
      source_(new QLineEdit(this)),
      browseSource_(new QPushButton(QStringLiteral("浏览待截图目录"), this)),
      save_(new QLineEdit(this)),
      browseSave_(new QPushButton(QStringLiteral("新建、浏览目录"), this)),
      format_(new QComboBox(this)),
      naming_(new NamingComboBox(this)),
      sound_(new QCheckBox(QStringLiteral("截图时发出裁切声"), this)),
      keep_(new QCheckBox(QStringLiteral("保存上述设置供下次使用"), this)),
      ok_(new QPushButton(QStringLiteral("确定"), this)) {
    setObjectName(QStringLiteral("批量截图设置窗口"));
    setWindowTitle(kBatchSettingsCaption);
    move(50, 50);
    setFixedSize(466, 236);

    const QFont boxFont = SongFont(14);
    MakeLabel(this, "等待目录标签", QStringLiteral("等待截图目录"), {10, 12, 80, 24});
    source_->setObjectName(QStringLiteral("批截目标目录编辑框"));
    source_->setGeometry(90, 12, 268, 24);
    browseSource_->setObjectName(QStringLiteral("浏览批截目标目录按钮"));
    browseSource_->setGeometry(362, 12, 94, 24);

    MakeLabel(this, "保存目录标签", QStringLiteral("图片保存目录"), {10, 48, 80, 24});
    save_->setObjectName(QStringLiteral("批截保存目录编辑框"));
    save_->setGeometry(90, 48, 268, 24);
    browseSave_->setObjectName(QStringLiteral("浏览批截保存目录按钮"));
    browseSave_->setGeometry(362, 48, 94, 24);

    MakeLabel(this, "保存格式标签", QStringLiteral("图片保存格式"), {10, 84, 80, 24});
    format_->setObjectName(QStringLiteral("批截格式组合框"));
    format_->setGeometry(90, 84, 368, 22);
    format_->addItems({QStringLiteral(" *.JPG"), QStringLiteral(" *.BMP"), QStringLiteral(" *.GIF"),
                       QStringLiteral(" *.PNG")});

    MakeLabel(this, "命名方式标签", QStringLiteral("图片命名方式"), {10, 120, 80, 24});
    naming_->setObjectName(QStringLiteral("批截命名方式组合框"));
    naming_->setGeometry(90, 120, 368, 22);
    naming_->setInsertPolicy(QComboBox::NoInsert);

    sound_->setObjectName(QStringLiteral("裁切声选择框"));
    sound_->setGeometry(64, 156, 144, 24);
    keep_->setObjectName(QStringLiteral("保存批截设置选择框"));
    keep_->setGeometry(232, 156, 180, 24);
    ok_->setObjectName(QStringLiteral("确定批截设置按钮"));
    ok_->setGeometry(194, 189, 80, 32);
    // Enter confirms the window; it never presses a picker button (a dialog makes its first
    // button the default one otherwise).
    for (QPushButton* b : {browseSource_, browseSave_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    ok_->setDefault(true);

    for (QWidget* w : std::initializer_list<QWidget*>{source_, save_, format_, naming_, sound_, keep_}) {
        w->setFont(boxFont);
    }

    // Filling.
    if (hooks_.releaseKeys) {
        hooks_.releaseKeys();
    }
    source_->setText(FolderBoxText(inputs.batch.sourceFolder));
    save_->setText(FolderBoxText(inputs.batch.saveFolder));

    const std::optional<OutputFormat> stored = FormatFromExtension(inputs.batch.format);
    const bool exact = stored && FormatText(*stored) == inputs.batch.format;
    format_->setCurrentIndex(exact ? int(FormatsInBoxOrder().indexOf(*stored)) : 0);
    if (!exact && hooks_.formatChanged) {
        hooks_.formatChanged(OutputFormat::Jpg);
    }

    for (const NamingEntry& entry : BatchNamingEntries()) {
        naming_->addItem(entry.text);
    }
    const int namingIndex =
        ModeAt(BatchNamingEntries(), inputs.batch.namingIndex) ? inputs.batch.namingIndex : 0;
    naming_->setCurrentIndex(namingIndex);
    if (ModeAt(BatchNamingEntries(), namingIndex) == NamingMode::CustomPrefix) {
        // The saved prefix, ready to be confirmed again, rather than the entry's
        // own text (which 确定 would otherwise take as the prefix).
        naming_->setEditable(true);
        naming_->setCompleter(nullptr);
        naming_->setEditText(inputs.batch.customPrefix);
    }

    sound_->setChecked(inputs.batch.sound);
    keep_->setChecked(inputs.batch.keepSettings);
    source_->setFocus();

    connect(browseSource_, &QPushButton::clicked, this, [this] { pickInto(source_, kPickSourceTitle); });
    connect(browseSave_, &QPushButton::clicked, this, [this] { pickInto(save_, kPickSaveTitle); });
    connect(format_, &QComboBox::currentIndexChanged, this, &BatchSettingsWindow::onFormatChanged);
    connect(naming_, &QComboBox::currentIndexChanged, this, &BatchSettingsWindow::onNamingChanged);
    connect(naming_, &NamingComboBox::listClosed, this, &BatchSettingsWindow::shapeNamingBox);
    // Choosing the selected entry again makes the box show that entry's text
    // after the list closed: empty the prefix box once more.
    connect(naming_, &QComboBox::activated, this, &BatchSettingsWindow::shapeNamingBox);
    connect(sound_, &QCheckBox::clicked, this, [this](bool on) {
        if (hooks_.cropSoundChanged) {
            hooks_.cropSoundChanged(on);
        }
    });
    connect(ok_, &QPushButton::clicked, this, &BatchSettingsWindow::confirmSettings);
}

void BatchSettingsWindow::pickInto(QLineEdit* box, const QString& title) {
    // A cancelled picker leaves the box as it was.
    const std::optional<QString> folder = dialogs_.pickFolder(title, box->text());
    if (folder && !folder->isEmpty()) {
        box->setText(*folder);
    }
}

OutputFormat BatchSettingsWindow::currentFormat() const {
    const int index = format_->currentIndex();
    return index >= 0 && index < FormatsInBoxOrder().size() ? FormatsInBoxOrder()[index] : OutputFormat::Jpg;
}

void BatchSettingsWindow::onFormatChanged(int) {
    if (hooks_.formatChanged) {
        hooks_.formatChanged(currentFormat());
    }
}

void BatchSettingsWindow::onNamingChanged(int index) {
    shapeNamingBox();
    if (hooks_.namingChanged) {
        hooks_.namingChanged(index);
    }
}

void BatchSettingsWindow::shapeNamingBox() {
    const bool prefix = ModeAt(BatchNamingEntries(), naming_->currentIndex()) == NamingMode::CustomPrefix;
    if (prefix) {
        if (!naming_->isEditable()) {
            naming_->setEditable(true);
            naming_->setCompleter(nullptr);
        }
        naming_->setEditText(QString());
    } else if (naming_->isEditable()) {
        naming_->setEditable(false);
    }
}

void BatchSettingsWindow::confirmSettings() {
    if (closed_) {
        return;
    }
    BatchSettingsForm form;
    form.sourceFolderText = source_->text();
    form.saveFolderText = save_->text();
    form.format = currentFormat();
    form.namingIndex = naming_->currentIndex();
    form.namingBoxText = naming_->currentText();
    form.cropSound = sound_->isChecked();
    form.keepSettings = keep_->isChecked();
    form.pixelWidthText = pixelWidthText_;
    form.pixelHeightText = pixelHeightText_;
    form.jpgSizeText = jpgSizeText_;

    const auto checked = ValidateBatchSettings(form);
    if (const auto* refusal = std::get_if<BatchSettingsRefusal>(&checked)) {
        dialogs_.tell(refusal->message, refusal->title, MessageIcon::Information);
        if (refusal->clearSaveFolderBox) {
            save_->clear();
        }
        if (refusal->focusNamingBox) {
            naming_->setFocus();
        }
        return;
    }
    const auto& accepted = std::get<ConfirmedBatchSettings>(checked);

    BatchSettingsResult result;
    result.sourceFolder = accepted.sourceFolder;
    result.saveFolder = accepted.saveFolder;
    result.format = form.format;
    result.formatText = FormatText(form.format);
    result.namingIndex = IndexOfMode(BatchNamingEntries(), accepted.mode);
    result.mode = accepted.mode;
    result.customPrefix = accepted.customPrefix;
    result.cropSound = form.cropSound;
    result.keepSettings = accepted.keepSettings;
    result.settingsWritten = WriteBatchSettings(store_, form, accepted);
    if (!result.settingsWritten) {
        // The batch still starts; only the next start of the program is affected.
        dialogs_.tell(QStringLiteral("批量截图设置未能写入设置文件“") + store_.path() +
                          QStringLiteral("”，下次启动时将不能沿用这些设置。"),
                      QStringLiteral("提醒："), MessageIcon::Warning);
    }

    if (hooks_.apply) {
        hooks_.apply(result);
    }
    if (result.mode == NamingMode::ExcelCell && hooks_.useNameListForCrop) {
        hooks_.useNameListForCrop();
    }
    if (hooks_.takeKeys) {
        hooks_.takeKeys();
    }
    confirmed_ = true;
    accept();
}

BatchSettingsWindow::~BatchSettingsWindow() {
    format_->disconnect(this);
    naming_->disconnect(this);
}

void BatchSettingsWindow::done(int result) {
    QDialog::done(result);
    if (closed_) {
        return;
    }
    closed_ = true;
    if (hooks_.closed) {
        hooks_.closed(confirmed_);
    }
}

}  // namespace picura
