#include "wizards/picture_decoder.h"

#include "core/app_error.h"
#include "core/file_names.h"
#include "core/runtime_library.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// Files larger than this are not pictures anyone previews; they are not read into memory.
constexpr qint64 kMaxPictureFileBytes = 256LL * 1024 * 1024;
// Working memory libjpeg may take (a progressive picture keeps all its coefficients).
constexpr long kMaxJpegWorkMemory = 512L * 1024 * 1024;
// A progressive file with thousands of tiny scans costs minutes of CPU for nothing.
constexpr int kMaxJpegScans = 1000;
// Large JPEGs are decoded at 1/2, 1/4 or 1/8 scale while both sides stay at least this big:
// plenty for a 217 x 169 preview, and far quicker than a full camera picture.
constexpr unsigned kMinScaledSide = 512;

// ---- libjpeg -------------------------------------------------------------------------------
// Opened the first time a JPEG is shown: most runs never show one.
// clang-format off
#define VORLANE_JPEG_FUNCTIONS(X) \
    X(jpeg_std_error) \
    X(jpeg_CreateDecompress) \
    X(jpeg_resync_to_restart) \
    X(jpeg_read_header) \
    X(jpeg_calc_output_dimensions) \
    X(jpeg_start_decompress) \
    X(jpeg_read_scanlines) \
    X(jpeg_finish_decompress) \
    X(jpeg_destroy_decompress)
// clang-format on
VORLANE_RUNTIME_LIBRARY(JpegFunctions, jpegFunctions, VORLANE_JPEG_LIBRARY, VORLANE_JPEG_FUNCTIONS)

// Only called once jpegFunctions() has given them.
const JpegFunctions& jpeg()
{
    return *jpegFunctions(nullptr);
}

// libjpeg reports fatal errors through a callback that must not return. Ours longjmps back to
// a setjmp in one of the small stage functions below; those functions hold no C++ object with
// a destructor, so the jump skips nothing but libjpeg's own C frames.

struct JpegErrorManager
{
    jpeg_error_mgr pub; // first member: libjpeg only sees this part
    std::jmp_buf jump;
    bool dataCutShort; // the picture's data ended before the picture did
};

struct JpegSource
{
    jpeg_source_mgr pub; // first member
    bool truncated;
};

struct JpegState
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    JpegSource source;
    jpeg_progress_mgr progress;
};

const JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

extern "C" {
static void jpegErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings and trace output would go to stderr; nobody reads them there. Only one warning
// matters: the end marker came while picture data was still due.
static void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_HIT_MARKER)
        reinterpret_cast<JpegErrorManager*>(cinfo->err)->dataCutShort = true;
}

static void jpegProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
        jpegErrorExit(cinfo);
}

static void jpegInitSource(j_decompress_ptr) {}

// Called only when the data ran out before the picture did.
static boolean jpegFillInput(j_decompress_ptr cinfo)
{
    auto* source = reinterpret_cast<JpegSource*>(cinfo->src);
    source->truncated = true;
    // Hand libjpeg an end marker so it winds down instead of asking again.
    source->pub.next_input_byte = kFakeEndOfImage;
    source->pub.bytes_in_buffer = sizeof kFakeEndOfImage;
    return TRUE;
}

static void jpegSkipInput(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0)
        return;
    if (static_cast<size_t>(count) > src->bytes_in_buffer) {
        jpegFillInput(cinfo); // skipping past the end: the data is cut short
        return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

static void jpegTermSource(j_decompress_ptr) {}
}

// Stage 1: creates the decompressor, reads the header and fixes the output size and colour
// layout. False when libjpeg gave up.
bool jpegReadHeader(JpegState* s, const unsigned char* data, size_t size)
{
    s->cinfo.err = jpeg().jpeg_std_error(&s->error.pub);
    s->error.pub.error_exit = jpegErrorExit;
    s->error.pub.emit_message = jpegEmitMessage;
    s->error.dataCutShort = false;
    if (setjmp(s->error.jump))
        return false;

    jpeg().jpeg_CreateDecompress(&s->cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
    s->cinfo.mem->max_memory_to_use = kMaxJpegWorkMemory;
    s->progress.progress_monitor = jpegProgress;
    s->cinfo.progress = &s->progress;

    s->source.pub.init_source = jpegInitSource;
    s->source.pub.fill_input_buffer = jpegFillInput;
    s->source.pub.skip_input_data = jpegSkipInput;
    s->source.pub.resync_to_restart = jpeg().jpeg_resync_to_restart;
    s->source.pub.term_source = jpegTermSource;
    s->source.pub.next_input_byte = data;
    s->source.pub.bytes_in_buffer = size;
    s->source.truncated = false;
    s->cinfo.src = &s->source.pub;

    if (jpeg().jpeg_read_header(&s->cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    switch (s->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        s->cinfo.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        s->cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        s->cinfo.out_color_space = JCS_RGB;
        break;
    }
    unsigned denominator = 1;
    while (denominator < 8 && s->cinfo.image_width / (denominator * 2) >= kMinScaledSide &&
           s->cinfo.image_height / (denominator * 2) >= kMinScaledSide)
        denominator *= 2;
    s->cinfo.scale_num = 1;
    s->cinfo.scale_denom = denominator;
    jpeg().jpeg_calc_output_dimensions(&s->cinfo);
    return true;
}

// Stage 2: decodes every row into the caller's buffer, whose rows are `stride` bytes apart and
// hold at least output_width * output_components bytes each.
bool jpegDecodeRows(JpegState* s, unsigned char* pixels, size_t stride)
{
    if (setjmp(s->error.jump))
        return false;
    if (!jpeg().jpeg_start_decompress(&s->cinfo))
        return false;
    while (s->cinfo.output_scanline < s->cinfo.output_height) {
        JSAMPROW row[1] = {pixels + size_t(s->cinfo.output_scanline) * stride};
        if (jpeg().jpeg_read_scanlines(&s->cinfo, row, 1) != 1)
            return false;
    }
    jpeg().jpeg_finish_decompress(&s->cinfo);
    return true;
}

// Owns the decompressor's memory; the destructor frees it however far decoding got.
class JpegDecompressor
{
public:
    JpegDecompressor() { std::memset(&state_, 0, sizeof state_); }
    ~JpegDecompressor() { jpeg().jpeg_destroy_decompress(&state_.cinfo); }
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;

    JpegState* state() { return &state_; }

private:
    JpegState state_;
};

// Adobe writes CMYK inverted (0 = full ink); other writers do not.
void cmykToRgb(QImage& image, bool inverted)
{
    for (int y = 0; y < image.height(); ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            int c = p[0], m = p[1], yl = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                yl = 255 - yl;
                k = 255 - k;
            }
            reinterpret_cast<QRgb*>(p)[0] = qRgb(c * k / 255, m * k / 255, yl * k / 255);
        }
    }
}

DecodedPicture decodeJpeg(QByteArray bytes)
{
    if (bytes.isEmpty() || !jpegFunctions(nullptr))
        return {};
    // Many writers leave the end marker off; with it the file is whole again. Data cut off
    // anywhere else then ends early at that marker, which libjpeg reports.
    static const QByteArray kEnd("\xFF\xD9", 2);
    if (!bytes.endsWith(kEnd))
        bytes.append(kEnd);
    JpegDecompressor decompressor;
    JpegState* s = decompressor.state();
    if (!jpegReadHeader(s, reinterpret_cast<const unsigned char*>(bytes.constData()),
                        size_t(bytes.size())))
        return {};
    const jpeg_decompress_struct& info = s->cinfo;
    if (info.image_width == 0 || info.image_height == 0)
        return {};
    // The header's size is known from here on, whatever becomes of the pixels.
    DecodedPicture sized{QImage(), int(info.image_width), int(info.image_height)};
    if (qint64(info.output_width) * info.output_height > kMaxPicturePixels)
        return sized;

    QImage::Format format = QImage::Format_RGB888;
    int bytesPerPixel = 3;
    if (info.out_color_space == JCS_GRAYSCALE) {
        format = QImage::Format_Grayscale8;
        bytesPerPixel = 1;
    } else if (info.out_color_space == JCS_CMYK) {
        format = QImage::Format_RGB32;
        bytesPerPixel = 4;
    }
    // libjpeg writes output_components bytes per pixel; anything else would overrun the rows.
    if (info.output_components != bytesPerPixel)
        return sized;
    QImage image(int(info.output_width), int(info.output_height), format);
    if (image.isNull())
        return sized;
    if (!jpegDecodeRows(s, image.bits(), size_t(image.bytesPerLine())) || s->error.dataCutShort ||
        s->source.truncated)
        return sized;
    if (info.out_color_space == JCS_CMYK)
        cmykToRgb(image, info.saw_Adobe_marker);
    sized.image = image;
    return sized;
}

// ---- bitmaps and icons ---------------------------------------------------------------------

DecodedPicture decodeWithQt(const QByteArray& bytes, const char* format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // Only the named format: a PNG called .bmp is a picture we cannot read.
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    DecodedPicture sized;
    if (size.isValid() && !size.isEmpty()) {
        sized.width = size.width();
        sized.height = size.height();
        if (qint64(size.width()) * size.height() > kMaxPicturePixels)
            return sized;
    }
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return sized;
    if (qint64(image.width()) * image.height() > kMaxPicturePixels)
        return sized;
    return {image, image.width(), image.height()};
}

} // namespace

PictureKind pictureKindForName(const QString& fileName)
{
    const QString name = fileNamePart(fileName);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return PictureKind::Unreadable;
    const QString extension = asciiLower(name.mid(dot + 1));
    if (extension == QLatin1String("bmp"))
        return PictureKind::Bitmap;
    if (extension == QLatin1String("ico"))
        return PictureKind::Icon;
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return PictureKind::Jpeg;
    return PictureKind::Unreadable;
}

DecodedPicture decodePicture(const QByteArray& bytes, PictureKind kind)
{
    switch (kind) {
    case PictureKind::Jpeg:
        return decodeJpeg(bytes);
    case PictureKind::Bitmap:
        return decodeWithQt(bytes, "bmp");
    case PictureKind::Icon:
        return decodeWithQt(bytes, "ico");
    case PictureKind::Unreadable:
        break;
    }
    return {};
}

DecodedPicture decodePictureFile(const QString& path)
{
    const PictureKind kind = pictureKindForName(path);
    if (kind == PictureKind::Unreadable)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    if (file.size() > kMaxPictureFileBytes)
        return {};
    // A missing library is no fault of the picture: say so rather than show it as unreadable.
    QString why;
    if (kind == PictureKind::Jpeg && !jpegFunctions(&why))
        throw AppError(why);
    return decodePicture(file.readAll(), kind);
}
