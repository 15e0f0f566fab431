#include "camera/widgets/QuickShootSettingsWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "batch/widgets/BatchSettingsWindow.h"
#include "camera/CameraHost.h"
#include "output/widgets/WindowFonts.h"
#include "platform/OperatorDialogs.h"

namespace picura {
namespace {

const QList<OutputFormat>& FormatsInBoxOrder() {
    static const QList<OutputFormat> formats{OutputFormat::Jpg, OutputFormat::Bmp, OutputFormat::Gif,
                                             OutputFormat::Png};
    return formats;
}

void MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(at);
}

}  // namespace

QuickShootSettingsWindow::QuickShootSettingsWindow(CameraHost& host, SettingsStore store,
                                                   OperatorDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      host_(host),
      store_(std::move(store)),
      dialogs_(dialogs),
      folder_(new QLineEdit(this)),
      browse_(new QPushButton(QStringLiteral("新建、浏览目录"), this)),
      format_(new QComboBox(this)),
      naming_(new NamingComboBox(this)),
      sound_(new QCheckBox(QStringLiteral("拍照时发出快门声"), this)),
      keep_(new QCheckBox(QStringLiteral("保存上述设置供下次使用"), this)),
      ok_(new QPushButton(QStringLiteral("确定"), this)) {
    setObjectName(QStringLiteral("批量速拍设置窗口"));
    setWindowTitle(kQuickShootSettingsCaption);
    setModal(true);
    move(50, 50);
    setFixedSize(466, 225);  // the client area

    MakeLabel(this, "保存目录标签", QStringLiteral("图片保存目录"), {10, 12, 80, 24});
    folder_->setObjectName(QStringLiteral("速拍保存目录编辑框"));
    folder_->setGeometry(90, 12, 268, 24);
    browse_->setObjectName(QStringLiteral("浏览按钮"));
    browse_->setGeometry(362, 12, 94, 24);
    browse_->setAutoDefault(false);
    MakeLabel(this, "保存格式标签", QStringLiteral("图片保存格式"), {10, 48, 80, 24});
    format_->setObjectName(QStringLiteral("速拍格式组合框"));
    format_->setGeometry(90, 48, 368, 22);
    format_->addItems({QStringLiteral(" *.JPG"), QStringLiteral(" *.BMP"), QStringLiteral(" *.GIF"),
                       QStringLiteral(" *.PNG")});
    MakeLabel(this, "命名方式标签", QStringLiteral("图片命名方式"), {10, 84, 80, 24});
    naming_->setObjectName(QStringLiteral("速拍命名方式组合框"));
    naming_->setGeometry(90, 84, 368, 22);
    naming_->setInsertPolicy(QComboBox::NoInsert);
    sound_->setObjectName(QStringLiteral("发快门声选择框"));
    sound_->setGeometry(92, 116, 144, 24);
    keep_->setObjectName(QStringLiteral("保存速拍设置选择框"));
    keep_->setGeometry(92, 148, 212, 24);
    ok_->setObjectName(QStringLiteral("确定速拍设置按钮"));
    ok_->setGeometry(194, 177, 80, 32);
    ok_->setDefault(true);
    const QFont boxFont = SongFont(14);
    for (QWidget* w : std::initializer_list<QWidget*>{folder_, format_, naming_, sound_, keep_}) {
        w->setFont(boxFont);
    }

    // Filling from the quick-shoot settings.
    QuickShootState& q = host_.quickShoot();
    q.settingsWindowOpen = true;
    QuickShootSettings& s = q.settings;
    if (!s.saveFolder.isEmpty()) {
        folder_->setText(s.saveFolder + QLatin1Char('/'));
    }
    const std::optional<OutputFormat> stored = FormatFromExtension(s.format);
    if (stored && FormatText(*stored) == s.format) {
        format_->setCurrentIndex(int(FormatsInBoxOrder().indexOf(*stored)));
    } else {
        format_->setCurrentIndex(0);
        s.format = FormatText(OutputFormat::Jpg);
    }
    for (const NamingEntry& entry : QuickShootNamingEntries()) {
        naming_->addItem(entry.text);
    }
    if (!ModeAt(QuickShootNamingEntries(), s.namingIndex)) {
        s.namingIndex = 0;
    }
    naming_->setCurrentIndex(s.namingIndex);
    if (s.namingMode() == NamingMode::CustomPrefix) {
        // The kept prefix, ready to be confirmed again, rather than the entry's own text.
        naming_->setEditable(true);
        naming_->setCompleter(nullptr);
        naming_->setEditText(s.customPrefix);
    }
    sound_->setChecked(s.shutterSound);
    keep_->setChecked(s.keepSettings);
    folder_->setFocus();

    connect(browse_, &QPushButton::clicked, this, [this] {
        // A cancelled picker empties the box.
        folder_->setText(dialogs_.pickFolder(kQuickShootPickTitle, folder_->text()).value_or(QString()));
    });
    connect(format_, &QComboBox::currentIndexChanged, this, [this](int index) {
        host_.quickShoot().settings.format =
            FormatText(index >= 0 && index < FormatsInBoxOrder().size() ? FormatsInBoxOrder()[index]
                                                                        : OutputFormat::Jpg);
    });
    connect(naming_, &QComboBox::currentIndexChanged, this, &QuickShootSettingsWindow::onNamingChanged);
    connect(naming_, &NamingComboBox::listClosed, this, &QuickShootSettingsWindow::shapeNamingBox);
    connect(naming_, &QComboBox::activated, this, &QuickShootSettingsWindow::shapeNamingBox);
    connect(sound_, &QCheckBox::clicked, this,
            [this](bool on) { host_.quickShoot().settings.shutterSound = on; });
    connect(ok_, &QPushButton::clicked, this, &QuickShootSettingsWindow::confirmSettings);
}

QuickShootSettingsWindow::~QuickShootSettingsWindow() {
    format_->disconnect(this);
    naming_->disconnect(this);
    host_.quickShoot().settingsWindowOpen = false;
}

void QuickShootSettingsWindow::onNamingChanged(int index) {
    QuickShootSettings& s = host_.quickShoot().settings;
    if (index < 0) {
        return;
    }
    s.namingIndex = index;
    shapeNamingBox();
    if (s.namingMode() != NamingMode::ExcelCell && host_.nameListOpen()) {
        host_.closeNameList();
    }
}

void QuickShootSettingsWindow::shapeNamingBox() {
    if (ModeAt(QuickShootNamingEntries(), naming_->currentIndex()) == NamingMode::CustomPrefix) {
        if (!naming_->isEditable()) {
            naming_->setEditable(true);
            naming_->setCompleter(nullptr);
        }
        naming_->setEditText(QString());
    } else if (naming_->isEditable()) {
        naming_->setEditable(false);
    }
}

void QuickShootSettingsWindow::confirmSettings() {
    QuickShootForm form;
    form.saveFolderText = folder_->text();
    const int f = format_->currentIndex();
    form.format = f >= 0 && f < FormatsInBoxOrder().size() ? FormatsInBoxOrder()[f] : OutputFormat::Jpg;
    form.namingIndex = naming_->currentIndex();
    form.namingBoxText = naming_->currentText();
    form.shutterSound = sound_->isChecked();
    form.keepSettings = keep_->isChecked();
    form.pixelWidthText = host_.pixelWidthText();
    form.pixelHeightText = host_.pixelHeightText();
    form.jpgSizeText = host_.jpgSizeText();

    const auto checked = ConfirmQuickShootSettings(form);
    if (const auto* refusal = std::get_if<QuickShootRefusal>(&checked)) {
        dialogs_.tell(refusal->message, kQuickShootRefusalTitle, MessageIcon::Information);
        if (refusal->focusNamingBox) {
            naming_->setFocus();
        }
        return;
    }
    const QuickShootSettings& accepted = std::get<QuickShootSettings>(checked);
    host_.quickShoot().settings = accepted;
    WriteQuickShootSettings(store_, accepted, form);  // a failed write is not reported
    if (accepted.namingMode() == NamingMode::ExcelCell) {
        host_.openNameListForPhotos();
    }
    confirmed_ = true;
    accept();
}

}  // namespace picura
