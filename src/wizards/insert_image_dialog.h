#pragma once

#include "core/prompter.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Insert Image": one image tag, optionally linked, or several at once; the markup goes to the
// pending markup on OK. It can preview the picture and fill in its size, and it makes the
// image's name relative to the document's folder when the "Parse Image Paths" setting says so.
class TInsImg : public QDialog
{
    Q_OBJECT
public:
    explicit TInsImg(const QString& documentFileName, QWidget* parent = nullptr);

    QLineEdit* ImageEditBox = nullptr;
    QPushButton* BitBtn2 = nullptr; // browse
    QLineEdit* Edit1 = nullptr;     // width
    QLineEdit* Edit2 = nullptr;     // height
    QLabel* Label8 = nullptr;       // "pixels"
    QLineEdit* Edit3 = nullptr;     // link
    QLineEdit* Edit4 = nullptr;     // description
    QComboBox* AlignBox = nullptr;
    QComboBox* ComboBox1 = nullptr; // border
    QCheckBox* CheckBox2 = nullptr; // <BR> between images
    QCheckBox* CheckBox1 = nullptr; // preview and size
    QPushButton* OK = nullptr;
    QPushButton* BitBtn1 = nullptr; // cancel
    QLabel* Image1 = nullptr;       // preview
    QStringList Memo1;              // names collected from a browse with several files
    Prompter::FileRequest OpenDialog1;

    // "Parse Image Paths", read from the settings on every activation.
    bool shortenPaths() const { return shortenPaths_; }
    bool severalFiles() const { return severalFiles_; }

public Q_SLOTS:
    void FormActivate();
    void ImageEditBoxChange();
    void ImageEditBoxExit();
    void BitBtn2Click();
    void CheckBox1Click();
    void OKClick();

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    // The name box's file as it lies on disk: relative names are taken from the page's folder.
    QString pathOnDisk(const QString& name) const;
    bool namedFileExists() const;
    void loadPreview();
    void widen();
    void applyPathShortening();
    void enterSeveralFiles(const QStringList& files);
    void leaveSeveralFiles();

    QString documentFileName_;
    bool shortenPaths_ = true;
    bool severalFiles_ = false;
    bool centred_ = false;
    bool activationFailed_ = false;
};

// The image element Insert Image makes for one picture file taken as it stands: the name
// shortened as the dialog shortens it ("Parse Image Paths"), WIDTH and HEIGHT when the picture's
// size can be read. Used where a picture is inserted without the dialog (the site panel).
QString pictureFileMarkup(const QString& path, const QString& documentFileName);
