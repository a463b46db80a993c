#pragma once

#include <QString>
#include <QStringList>

// The fields of the insert image dialog that reach the markup, as the user typed them.
struct ImageFields
{
    QString fileName;    // as it stands in the name box
    QString width;       // empty: no WIDTH
    QString height;      // empty: no HEIGHT
    QString description; // empty: no ALT
    QString align;       // "(none)": no ALIGN
    QString border;      // "No (0)" counts as "0"
    QString link;        // non-empty: the image is wrapped in a link
};

inline const QString kNoAlign = QStringLiteral("(none)");
inline const QString kNoBorder = QStringLiteral("No (0)");

// Every "\" turned into "/", for names that go into markup.
QString markupFileName(const QString& name);

// "0" for the border box's "No (0)", the box's text unchanged otherwise.
QString imageBorderValue(const QString& borderBox);

// One image element: "<IMG SRC=" name, WIDTH, HEIGHT, ALT, ALIGN in that order, BORDER when it
// is not "0" or the image is linked, and the link around it. fileName is used as given.
QString buildImageMarkup(const ImageFields& fields);

// One image element per name, in order, with the description, alignment, border and link of
// `fields` (never a size: the pictures differ). Joined by "<BR>" and a line end, or by a line
// end alone.
QString buildSeveralImagesMarkup(const QStringList& names, const ImageFields& fields,
                                 bool breakBetween);

// Makes an image name relative to the document's folder when it lies in or below it. Folders
// are compared with ASCII-only lower-casing; names elsewhere are left as they are.
QString shortenImagePath(const QString& name, const QString& documentFileName);
