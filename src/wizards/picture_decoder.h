#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The kinds of picture the image dialog can show. Everything else (GIF, PNG, metafiles, ...)
// is a kind we cannot read.
enum class PictureKind { Unreadable, Bitmap, Icon, Jpeg };

// The kind a file name stands for, by its extension in any letter case.
PictureKind pictureKindForName(const QString& fileName);

// A decoded picture. `image` is null when the picture could not be drawn; width and height are
// the picture's own size in pixels, known whenever its header could be read (hasSize()), even
// when the picture itself could not be decoded. A very large JPEG may be decoded at a reduced
// scale, so `image` can be smaller than width x height; it is only ever drawn stretched into
// the preview.
struct DecodedPicture
{
    QImage image;
    int width = 0;
    int height = 0;
    bool ok() const { return !image.isNull(); }
    bool hasSize() const { return width > 0 && height > 0; }
};

// Decoded images above this many pixels are not made, so a hostile file cannot make us
// allocate gigabytes. The cap applies to what is decoded, not to the size the header states.
inline constexpr qint64 kMaxPicturePixels = 50'000'000;

// Decodes bytes of the given kind. Never throws and never crashes on bad input: corrupt,
// mislabelled or oversized data gives a picture that is not ok(). A JPEG cut short is drawn as
// far as its data goes.
DecodedPicture decodePicture(const QByteArray& bytes, PictureKind kind);

// Reads and decodes a file, choosing the kind by its extension. A kind we cannot read gives a
// picture that is not ok() without touching the file; a file that cannot be opened raises
// "Cannot open file %s".
DecodedPicture decodePictureFile(const QString& path);
