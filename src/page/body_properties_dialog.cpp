#include "page/body_properties_dialog.h"
#include "core/dialog_buttons.h"

#include "core/app_error.h"
#include "core/file_names.h"
#include "core/html_colors.h"
#include "core/prompter.h"
#include "page/page_properties.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kSampleLines[] = {
    QStringLiteral("Normal Text"),  QString(), QStringLiteral("Link Text"),   QString(),
    QStringLiteral("Visited Link"), QString(), QStringLiteral("Active Link"),
};
} // namespace

TShape::TShape(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFixedSize(25, 21);
}

void TShape::setBrushColor(const QColor& color)
{
    color_ = color;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(color_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

TBodyProperties::TBodyProperties(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BodyProperties"));
    setWindowTitle(QStringLiteral("Document Properties"));

    auto* notebook = new QTabWidget(this);
    notebook->setObjectName(QStringLiteral("Notebook1"));

    // "Document and Body"
    auto* bodyPage = new QWidget(notebook);
    auto* grid = new QGridLayout(bodyPage);
    auto makeEdit = [&](const char* name, const QString& text) {
        auto* edit = new QLineEdit(text, bodyPage);
        edit->setObjectName(QLatin1String(name));
        return edit;
    };
    DocTitle = makeEdit("DocTitle", QString());
    grid->addWidget(new QLabel(QStringLiteral("Document Title:"), bodyPage), 0, 0);
    grid->addWidget(DocTitle, 0, 1, 1, 3);

    struct Row
    {
        const char* label;
        const char* edit;
        const char* initial;
        const char* shape;
        const char* button;
        QLineEdit** editPtr;
        TShape** shapePtr;
        QPushButton** buttonPtr;
    };
    const Row rows[] = {
        {"Background:", "Edit2", "#FFFFFF", "Shape1", "Button1", &Edit2, &Shape1, &Button1},
        {"Normal Text:", "Edit3", "#000000", "Shape2", "Button2", &Edit3, &Shape2, &Button2},
        {"Link Color:", "Edit4", "#0000FF", "Shape3", "Button3", &Edit4, &Shape3, &Button3},
        {"Visitied Link:", "Edit5", "#FF0000", "Shape4", "Button4", &Edit5, &Shape4, &Button4},
        {"Active Link:", "Edit6", "#FF0000", "Shape5", "Button5", &Edit6, &Shape5, &Button5},
    };
    int line = 1;
    for (const Row& row : rows) {
        QLineEdit* edit = makeEdit(row.edit, QLatin1String(row.initial));
        auto* shape = new TShape(bodyPage);
        shape->setObjectName(QLatin1String(row.shape));
        shape->setToolTip(QStringLiteral("Click to change color"));
        shape->setBrushColor(toQColor(HtmlColorToColor(edit->text())));
        auto* button = new QPushButton(QStringLiteral("..."), bodyPage);
        button->setObjectName(QLatin1String(row.button));
        button->setFixedWidth(25);
        grid->addWidget(new QLabel(QLatin1String(row.label), bodyPage), line, 0);
        grid->addWidget(edit, line, 1);
        grid->addWidget(shape, line, 2);
        grid->addWidget(button, line, 3);
        *row.editPtr = edit;
        *row.shapePtr = shape;
        *row.buttonPtr = button;
        connect(button, &QPushButton::clicked, this,
                [this, edit, shape] { pickColor(edit, shape); });
        ++line;
    }

    BgImageFile = makeEdit("BgImageFile", QString());
    SpeedButton1 = new QToolButton(bodyPage);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("..."));
    connect(SpeedButton1, &QToolButton::clicked, this, &TBodyProperties::SpeedButton1Click);
    grid->addWidget(new QLabel(QStringLiteral("Background Image:"), bodyPage), line, 0);
    grid->addWidget(BgImageFile, line, 1, 1, 2);
    grid->addWidget(SpeedButton1, line, 3);

    auto* sampleGroup = new QGroupBox(QStringLiteral("Sample"), bodyPage);
    auto* sampleLayout = new QVBoxLayout(sampleGroup);
    Sample = new QTextEdit(sampleGroup);
    Sample->setObjectName(QStringLiteral("Sample"));
    Sample->setReadOnly(true);
    Sample->setFixedSize(130, 130);
    Sample->setAutoFillBackground(true);
    sampleLayout->addWidget(Sample);
    grid->addWidget(sampleGroup, 0, 4, line + 1, 1, Qt::AlignTop);
    notebook->addTab(bodyPage, QStringLiteral("Document and Body"));

    // "Meta Information": kept for the layout; nothing reads these fields.
    auto* metaPage = new QWidget(notebook);
    auto* metaGrid = new QGridLayout(metaPage);
    Edit7 = new QLineEdit(metaPage);
    Edit7->setObjectName(QStringLiteral("Edit7"));
    Edit8 = new QLineEdit(metaPage);
    Edit8->setObjectName(QStringLiteral("Edit8"));
    Edit9 = new QLineEdit(metaPage);
    Edit9->setObjectName(QStringLiteral("Edit9"));
    metaGrid->addWidget(new QLabel(QStringLiteral("Description:"), metaPage), 0, 0);
    metaGrid->addWidget(Edit7, 0, 1);
    metaGrid->addWidget(new QLabel(QStringLiteral("Keywords (seperated by commas):"), metaPage), 1,
                        0);
    metaGrid->addWidget(Edit8, 1, 1);
    metaGrid->addWidget(new QLabel(QStringLiteral("Author's email:"), metaPage), 2, 0);
    metaGrid->addWidget(Edit9, 2, 1);
    metaGrid->addWidget(
        new QLabel(QStringLiteral("Not Implimented in the beta version of Vorlane. Sorry."),
                   metaPage),
        3, 0, 1, 2);
    metaGrid->setRowStretch(4, 1);
    notebook->addTab(metaPage, QStringLiteral("Meta Information"));

    BitBtn1 = namedButton(this, "BitBtn1", QStringLiteral("OK"));
    BitBtn2 = namedButton(this, "BitBtn2", QStringLiteral("Cancel"));
    connect(BitBtn1, &QPushButton::clicked, this, &TBodyProperties::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TBodyProperties::reject);
    QHBoxLayout* buttons = buttonRow({BitBtn1, BitBtn2});
    auto* root = new QVBoxLayout(this);
    root->addWidget(notebook);
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);
    DocTitle->setFocus(); // not the notebook's tab bar

    paintSample();
}

TBodyProperties::~TBodyProperties() = default;

void TBodyProperties::setDocumentFileName(const QString& name)
{
    documentFileName_ = name;
}

void TBodyProperties::setFields(const QString& title, const QStringList& sixAttributes)
{
    DocTitle->setText(title);
    QLineEdit* const edits[] = {BgImageFile, Edit2, Edit3, Edit4, Edit5, Edit6};
    for (int i = 0; i < PageProperties::AttributeCount; ++i)
        edits[i]->setText(sixAttributes.value(i));
}

QStringList TBodyProperties::fields() const
{
    return {BgImageFile->text(), Edit2->text(), Edit3->text(),
            Edit4->text(),       Edit5->text(), Edit6->text()};
}

QString TBodyProperties::title() const
{
    return DocTitle->text();
}

void TBodyProperties::updateSamplesFromFields()
{
    // Convert all five first, so a bad field leaves every sample as it was.
    QLineEdit* const edits[] = {Edit2, Edit3, Edit4, Edit5, Edit6};
    TShape* const shapes[] = {Shape1, Shape2, Shape3, Shape4, Shape5};
    QColor colors[5];
    for (int i = 0; i < 5; ++i)
        colors[i] = toQColor(HtmlColorToColor(edits[i]->text()));
    for (int i = 0; i < 5; ++i)
        shapes[i]->setBrushColor(colors[i]);
    paintSample();
}

void TBodyProperties::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TBodyProperties::FormActivate()
{
    lastColor_ = Qt::black;
    paintSample();
    pictureFolder_.clear();
    if (!documentFileName_.isEmpty() && documentFileName_ != kUntitled)
        pictureFolder_ = folderForDialog(documentFileName_);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
}

void TBodyProperties::paintSample()
{
    QPalette palette = Sample->palette();
    palette.setColor(QPalette::Base, Shape1->brushColor());
    Sample->setPalette(palette);

    const TShape* const lineShapes[] = {Shape2, nullptr, Shape3, nullptr, Shape4, nullptr, Shape5};
    Sample->clear();
    QTextCursor cursor(Sample->document());
    for (int i = 0; i < 7; ++i) {
        if (i > 0)
            cursor.insertBlock();
        QTextBlockFormat block;
        block.setAlignment(Qt::AlignHCenter);
        cursor.setBlockFormat(block);
        QTextCharFormat format;
        if (lineShapes[i]) {
            format.setForeground(lineShapes[i]->brushColor());
            format.setFontUnderline(i > 0);
        }
        cursor.setCharFormat(format);
        cursor.insertText(kSampleLines[i], format);
    }
}

void TBodyProperties::pickColor(QLineEdit* field, TShape* shape)
{
    QColor color = lastColor_;
    if (!prompter().chooseColor(this, color, false))
        return;
    lastColor_ = color;
    field->setText(ColorToHtmlColor(fromQColor(color)));
    shape->setBrushColor(toQColor(fromQColor(color)));
    paintSample();
}

void TBodyProperties::SpeedButton1Click()
{
    Prompter::FileRequest request;
    request.folder = pictureFolder_;
    request.filters = {QStringLiteral("All Files (*)")};
    const Prompter::FileAnswer answer = prompter().openFiles(this, request);
    if (answer.files.isEmpty())
        return;
    BgImageFile->setText(
        PageProperties::pathRelativeToDocument(answer.files.first(), documentFileName_));
}

void TBodyProperties::BitBtn1Click()
{
    BgImageFile->setText(BgImageFile->text().replace(QLatin1Char('\\'), QLatin1Char('/')));
    accept();
}
