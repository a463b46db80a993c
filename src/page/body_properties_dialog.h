#pragma once

#include <QColor>
#include <QDialog>
#include <QFrame>
#include <QStringList>

class QLineEdit;
class QPushButton;
class QTextEdit;
class QToolButton;

// A colour sample: a filled rectangle with a frame.
class TShape : public QFrame
{
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);
    QColor brushColor() const { return color_; }
    void setBrushColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_ = Qt::white;
};

// The page title and the six BODY attributes, with colour samples. The same dialog edits the
// Quick Start settings. It never touches the editor: callers read fields() when exec() accepted it.
class TBodyProperties : public QDialog
{
    Q_OBJECT
public:
    explicit TBodyProperties(QWidget* parent = nullptr);
    ~TBodyProperties() override;

    // True only when the latest showing ended with OK.

    // The page's file name; the picture chooser starts in its folder and paths below that
    // folder come back relative. "Untitled" or empty: no folder.
    void setDocumentFileName(const QString& name);

    // Order: background image, background colour, text, link, visited link, active link.
    void setFields(const QString& title, const QStringList& sixAttributes);
    QStringList fields() const;
    QString title() const;

    // Sets each shape from its colour field; raises AppError for text that is not a colour.
    void updateSamplesFromFields();

    // Controls, named as on the form.
    QLineEdit* DocTitle = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* BgImageFile = nullptr;
    TShape* Shape1 = nullptr;
    TShape* Shape2 = nullptr;
    TShape* Shape3 = nullptr;
    TShape* Shape4 = nullptr;
    TShape* Shape5 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QTextEdit* Sample = nullptr;

public Q_SLOTS:

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void pickColor(QLineEdit* field, TShape* shape);
    void SpeedButton1Click();
    void BitBtn1Click();
    void paintSample();

    QString documentFileName_;
    QString pictureFolder_;
    QColor lastColor_ = Qt::black;
};
