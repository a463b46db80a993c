#include "wizards/insert_image_dialog.h"

#include "core/command_guard.h"
#include "core/file_names.h"
#include "core/icons.h"
#include "core/pending_markup.h"
#include "core/settings_store.h"
#include "wizards/image_markup.h"
#include "wizards/picture_decoder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int kNarrowWidth = 359; // inside width: the preview pane lies beyond it
const QSize kPreviewSize(217, 169);
// Inside width once the preview is uncovered: up to the pane's right edge. With the design's
// 4-pixel borders that is 592 pixels outside; the window manager's real frame, which is not
// known reliably right after mapping, does not change it.
constexpr int kWideWidth = kNarrowWidth + 8 + 217;
static_assert(kWideWidth + 2 * 4 == 592);

// "*.[jJ][pP][gG]": a pattern that matches the extension in any letter case.
QString anyCasePattern(const QString& extension)
{
    QString pattern = QStringLiteral("*.");
    for (const QChar c : extension)
        pattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    return pattern;
}
const QString kMultipleImages = QStringLiteral("[Multiple Images]");
const QString kNotApplicable = QStringLiteral("[n/a]");
} // namespace

TInsImg::TInsImg(const QString& documentFileName, QWidget* parent)
    : QDialog(parent), documentFileName_(documentFileName)
{
    setObjectName(QStringLiteral("InsImg"));
    setWindowTitle(QStringLiteral("Insert Image"));
    OpenDialog1.title = QStringLiteral("Load Image");
    // "All Images" also lists every kind the preview can show.
    QStringList allImages;
    for (const char* extension : {"gif", "jpg", "jpeg", "bmp", "ico"})
        allImages.append(anyCasePattern(QString::fromLatin1(extension)));
    OpenDialog1.filters = {QStringLiteral("All Images (%1)").arg(allImages.join(QLatin1Char(' '))),
                           QStringLiteral("Compuserve GIF Images (*.gif)"),
                           QStringLiteral("JPEG Images (*.jpg)"), QStringLiteral("All Files (*)")};
    OpenDialog1.showReadOnlyBox = false;
    OpenDialog1.allowMultiple = true;
    buildControls();

    connect(ImageEditBox, &QLineEdit::textChanged, this,
            guardedSlot(this, &TInsImg::ImageEditBoxChange));
    connect(BitBtn2, &QPushButton::clicked, this, guardedSlot(this, &TInsImg::BitBtn2Click));
    connect(CheckBox1, &QCheckBox::toggled, this, guardedSlot(this, &TInsImg::CheckBox1Click));
    connect(OK, &QPushButton::clicked, this, guardedSlot(this, &TInsImg::OKClick));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    ImageEditBox->installEventFilter(this);
    Image1->installEventFilter(this);
}

void TInsImg::buildControls()
{
    auto* area = new QWidget(this);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(10, 10, 10, 10);

    column->addWidget(new QLabel(QStringLiteral("Image Filename"), area));
    auto* nameRow = new QHBoxLayout;
    ImageEditBox = new QLineEdit(area);
    ImageEditBox->setObjectName(QStringLiteral("ImageEditBox"));
    BitBtn2 = new QPushButton(area);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setIcon(vorlaneIcon(QStringLiteral("document-open")));
    BitBtn2->setAutoDefault(false);
    nameRow->addWidget(ImageEditBox, 1);
    nameRow->addWidget(BitBtn2);
    column->addLayout(nameRow);

    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(QStringLiteral("Width/Height:"), area));
    Edit1 = new QLineEdit(area);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(area);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Label8 = new QLabel(QStringLiteral("pixels"), area);
    Label8->setObjectName(QStringLiteral("Label8"));
    sizeRow->addWidget(Edit1);
    sizeRow->addWidget(new QLabel(QStringLiteral("X"), area));
    sizeRow->addWidget(Edit2);
    sizeRow->addWidget(Label8);
    column->addLayout(sizeRow);

    auto* group = new QGroupBox(QStringLiteral("Paramaters (Optional)"), area);
    auto* grid = new QGridLayout(group);
    Edit3 = new QLineEdit(group);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit4 = new QLineEdit(group);
    Edit4->setObjectName(QStringLiteral("Edit4"));
    const QString hint = QStringLiteral("Alternate Description. Shows this text while the image "
                                        "is loading or on a text-only browser.");
    Edit4->setToolTip(hint);
    Edit4->setStatusTip(hint);
    AlignBox = new QComboBox(group);
    AlignBox->setObjectName(QStringLiteral("AlignBox"));
    AlignBox->setEditable(true);
    AlignBox->setInsertPolicy(QComboBox::NoInsert);
    AlignBox->addItems({kNoAlign, QStringLiteral("Left"), QStringLiteral("Right"),
                        QStringLiteral("Center"), QStringLiteral("Top "), QStringLiteral("Bottom"),
                        QStringLiteral("Abscenter")});
    AlignBox->setCurrentIndex(0);
    ComboBox1 = new QComboBox(group);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItem(kNoBorder);
    for (int i = 1; i <= 10; ++i)
        ComboBox1->addItem(QString::number(i));
    ComboBox1->setCurrentIndex(0);
    CheckBox2 = new QCheckBox(QStringLiteral("Insert <BR> between images"), group);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setVisible(false);
    grid->addWidget(new QLabel(QStringLiteral("Image Link:"), group), 0, 0);
    grid->addWidget(Edit3, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Description:"), group), 1, 0);
    grid->addWidget(Edit4, 1, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Align:"), group), 2, 0);
    grid->addWidget(AlignBox, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Border:"), group), 2, 2);
    grid->addWidget(ComboBox1, 2, 3);
    grid->addWidget(CheckBox2, 3, 0, 1, 4);
    // The row is kept while the box is hidden, so showing it moves nothing.
    grid->setRowMinimumHeight(3, CheckBox2->sizeHint().height());
    column->addWidget(group);

    CheckBox1 = new QCheckBox(QStringLiteral("Show JPEG and Autodect Size"), area);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    column->addWidget(CheckBox1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OK = new QPushButton(QStringLiteral("OK"), area);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    OK->setEnabled(false);
    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), area);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    buttons->addWidget(OK);
    buttons->addWidget(BitBtn1);
    column->addLayout(buttons);

    // The dialog has no layout of its own: it is a fixed window whose right part, the
    // preview, stays hidden until the dialog widens.
    const int height = std::max(area->sizeHint().height(), kPreviewSize.height() + 24);
    area->setGeometry(0, 0, kNarrowWidth, height);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setGeometry(QRect(QPoint(kNarrowWidth + 8, 12), kPreviewSize));
    setFixedSize(kNarrowWidth, height);
}

void TInsImg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!centred_) {
        centred_ = true;
        if (QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
    }
    activationFailed_ = !runGuarded(this, [this] { FormActivate(); });
}

void TInsImg::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    // After a failure the error box itself hands activation back to us; trying again there
    // would show the same error for ever.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && !activationFailed_)
        activationFailed_ = !runGuarded(this, [this] { FormActivate(); });
}

bool TInsImg::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == ImageEditBox && e->type() == QEvent::FocusOut) {
        // Only a move to another control of this dialog counts as leaving the box; switching
        // windows or opening a menu does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (isVisible() && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            runGuarded(this, [this] { ImageEditBoxExit(); });
    } else if (watched == Image1 && e->type() == QEvent::MouseButtonPress) {
        Image1->update();
    }
    return QDialog::eventFilter(watched, e);
}

void TInsImg::FormActivate()
{
    shortenPaths_ = ReadFlag(Setting::ParseImagePaths);
    if (documentFileName_ != kUntitled)
        OpenDialog1.folder = folderForDialog(documentFileName_);
    CheckBox1->setChecked(true);
}

void TInsImg::ImageEditBoxChange()
{
    OK->setEnabled(true);
}

void TInsImg::ImageEditBoxExit()
{
    const QString name = ImageEditBox->text();
    if (CheckBox1->isChecked() && namedFileExists()) {
        widen();
        // Only a name typed with ".jpg" is previewed here; browsing previews any kind.
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && name.mid(dot) == QLatin1String(".jpg"))
            loadPreview();
    }
    applyPathShortening();
}

void TInsImg::BitBtn2Click()
{
    const Prompter::FileAnswer answer = prompter().openFiles(this, OpenDialog1);
    if (answer.files.size() == 1) {
        leaveSeveralFiles();
        ImageEditBox->setText(answer.files.constFirst());
    } else if (answer.files.size() > 1) {
        enterSeveralFiles(answer.files);
    }
    if (CheckBox1->isChecked() && namedFileExists()) {
        widen();
        loadPreview();
    }
    applyPathShortening();
}

void TInsImg::CheckBox1Click()
{
    if (CheckBox1->isChecked()) {
        Image1->setEnabled(true);
        if (namedFileExists())
            loadPreview();
    } else {
        Image1->clear();
        Image1->setEnabled(false);
    }
}

void TInsImg::OKClick()
{
    ImageFields fields;
    fields.width = Edit1->text();
    fields.height = Edit2->text();
    fields.description = Edit4->text();
    fields.align = AlignBox->currentText();
    fields.border = ComboBox1->currentText();
    fields.link = Edit3->text();
    if (severalFiles_) {
        PendingMarkup::set(buildSeveralImagesMarkup(Memo1, fields, CheckBox2->isChecked()));
    } else {
        fields.fileName = markupFileName(ImageEditBox->text());
        ImageEditBox->setText(fields.fileName);
        PendingMarkup::set(buildImageMarkup(fields));
    }
    accept();
}

QString TInsImg::pathOnDisk(const QString& name) const
{
    const QString folder = folderPart(documentFileName_);
    if (!name.isEmpty() && QDir::isRelativePath(name) && !folder.isEmpty())
        return folder + name;
    return name;
}

bool TInsImg::namedFileExists() const
{
    const QString name = ImageEditBox->text();
    return !name.isEmpty() && QFileInfo(pathOnDisk(name)).isFile();
}

void TInsImg::loadPreview()
{
    const DecodedPicture picture = decodePictureFile(pathOnDisk(ImageEditBox->text()));
    if (picture.ok()) {
        // Kept at the pane's size: a camera picture would otherwise sit in memory in full.
        Image1->setPixmap(QPixmap::fromImage(
            picture.image.scaled(kPreviewSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    } else {
        Image1->clear();
    }
    // A picture too large to draw still has the size its header states.
    if (!picture.hasSize())
        return;
    Edit1->setText(QString::number(picture.width));
    Edit2->setText(QString::number(picture.height));
}

void TInsImg::widen()
{
    if (kWideWidth <= width())
        return;
    setFixedWidth(kWideWidth);
    // The whole dialog stays on the screen (a large scale factor leaves little room).
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QMargins frame(geometry().left() - frameGeometry().left(),
                         geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(),
                         frameGeometry().bottom() - geometry().bottom());
    QRect outer = geometry().marginsAdded(frame);
    if (outer.right() > room.right())
        outer.moveRight(room.right());
    if (outer.bottom() > room.bottom())
        outer.moveBottom(room.bottom());
    if (outer.left() < room.left())
        outer.moveLeft(room.left());
    if (outer.top() < room.top())
        outer.moveTop(room.top());
    if (outer.topLeft() != frameGeometry().topLeft())
        move(outer.topLeft());
}

void TInsImg::applyPathShortening()
{
    if (shortenPaths_)
        ImageEditBox->setText(shortenImagePath(ImageEditBox->text(), documentFileName_));
}

void TInsImg::enterSeveralFiles(const QStringList& files)
{
    severalFiles_ = true;
    ImageEditBox->setText(kMultipleImages);
    ImageEditBox->setEnabled(false);
    Edit1->setText(kNotApplicable);
    Edit1->setEnabled(false);
    Edit2->setText(kNotApplicable);
    Edit2->setEnabled(false);
    Label8->setVisible(false);
    CheckBox2->setVisible(true);
    // Each name is shortened as a single one would be, so the tags come out relative too.
    Memo1.clear();
    for (const QString& file : files) {
        const QString name = shortenPaths_ ? shortenImagePath(file, documentFileName_) : file;
        Memo1.append(markupFileName(name));
    }
}

void TInsImg::leaveSeveralFiles()
{
    if (!severalFiles_)
        return;
    severalFiles_ = false;
    Memo1.clear();
    ImageEditBox->setEnabled(true);
    for (QLineEdit* box : {Edit1, Edit2}) {
        box->clear();
        box->setEnabled(true);
    }
    Label8->setVisible(true);
    CheckBox2->setVisible(false);
}

QString pictureFileMarkup(const QString& path, const QString& documentFileName)
{
    ImageFields fields;
    const QString name =
        ReadFlag(Setting::ParseImagePaths) ? shortenImagePath(path, documentFileName) : path;
    fields.fileName = markupFileName(name);
    fields.align = kNoAlign;
    fields.border = kNoBorder;
    if (pictureKindForName(path) != PictureKind::Unreadable) {
        const DecodedPicture picture = decodePictureFile(path);
        if (picture.hasSize()) {
            fields.width = QString::number(picture.width);
            fields.height = QString::number(picture.height);
        }
    }
    return buildImageMarkup(fields);
}
