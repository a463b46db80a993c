#include "support/fuzz_checks.h"

#include "core/app_error.h"
#include "core/document_codec.h"
#include "core/document_file.h"
#include "core/html_colors.h"
#include "core/settings_store.h"
#include "editor/text_search.h"
#include "page/page_properties.h"
#include "wizards/picture_decoder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace FuzzChecks {

const QStringList& targets()
{
    static const QStringList names = {
        QStringLiteral("document_codec"), QStringLiteral("body_tag"),
        QStringLiteral("html_colors"),    QStringLiteral("picture_decoder"),
        QStringLiteral("settings_store"), QStringLiteral("document_editing"),
        QStringLiteral("text_search")};
    return names;
}

QString check(const QString& target, const QByteArray& input)
{
    if (target == QLatin1String("document_codec"))
        return documentRoundTrip(input);
    if (target == QLatin1String("body_tag"))
        return bodyTag(input);
    if (target == QLatin1String("html_colors"))
        return colorRoundTrip(input);
    if (target == QLatin1String("picture_decoder"))
        return pictureDecoder(input);
    if (target == QLatin1String("settings_store"))
        return settingsStore(input);
    if (target == QLatin1String("document_editing"))
        return documentEditing(input);
    if (target == QLatin1String("text_search"))
        return textSearch(input);
    return QStringLiteral("no target called %1").arg(target);
}

namespace {

// UTF-8 as the editor takes it: a leading U+FEFF is a character (QString::fromUtf8 drops it).
QString utf16(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(utf8);
}

// Every CR LF, lone CR and lone LF as CR LF, written out byte by byte as the rule says.
QByteArray withCrLf(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == '\r') {
            out.append("\r\n");
            if (i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
        } else if (c == '\n') {
            out.append("\r\n");
        } else {
            out.append(c);
        }
    }
    return out;
}

// The same for UTF-16 (after its mark), unit by unit; an odd last byte stays as it is.
QByteArray withCrLf16(const QByteArray& bytes, bool bigEndian)
{
    auto unitAt = [&](qsizetype i) {
        const auto a = static_cast<unsigned char>(bytes.at(i)),
                   b = static_cast<unsigned char>(bytes.at(i + 1));
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    const QByteArray cr = bigEndian ? QByteArray("\0\r", 2) : QByteArray("\r\0", 2);
    const QByteArray lf = bigEndian ? QByteArray("\0\n", 2) : QByteArray("\n\0", 2);
    QByteArray out = bytes.left(2);
    qsizetype i = 2;
    for (; i + 1 < bytes.size(); i += 2) {
        const int unit = unitAt(i);
        if (unit == '\r' || unit == '\n') {
            out.append(cr).append(lf);
            if (unit == '\r' && i + 3 < bytes.size() && unitAt(i + 2) == '\n')
                i += 2;
        } else {
            out.append(bytes.mid(i, 2));
        }
    }
    return out.append(bytes.mid(i));
}

// The text with every three-byte surrogate form (ED A0..BF xx) taken out.
QByteArray withoutSurrogates(const QByteArray& utf8)
{
    QByteArray out;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8.at(i));
        if (c == 0xED && i + 2 < utf8.size() &&
            (static_cast<unsigned char>(utf8.at(i + 1)) & 0xE0) == 0xA0 &&
            (static_cast<unsigned char>(utf8.at(i + 2)) & 0xC0) == 0x80) {
            i += 2;
            continue;
        }
        out.append(char(c));
    }
    return out;
}

QString pageFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

// The bytes as a file: loaded as Open loads it (the buffer read is decoded where it lies) and
// saved as Save writes it.
QString loadAndSaveFile(const QByteArray& input, const EditorBytes& copied)
{
    const QString path = pageFolder() + QStringLiteral("/page.htm");
    try {
        writeFileAtomically(path, input);
        const EditorBytes loaded = readDocumentFile(path);
        if (loaded.utf8 != copied.utf8 || !(loaded.format == copied.format))
            return QStringLiteral("loading the file gives another text than decoding a copy");
        writeDocumentFile(path, loaded.utf8.constData(), loaded.utf8.size(), loaded.format);
    } catch (const AppError& e) {
        return QStringLiteral("the file could not be loaded or saved: %1").arg(e.message());
    }
    QFile saved(path);
    if (!saved.open(QIODevice::ReadOnly) ||
        saved.readAll() != encodeDocument(copied.utf8, copied.format))
        return QStringLiteral("the saved file differs from the encoded text");
    return QString();
}

qsizetype firstDifference(const QByteArray& a, const QByteArray& b)
{
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a.at(i) == b.at(i))
        ++i;
    return i;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool startsWithBody(const QString& text, qsizetype at)
{
    return at + 5 <= text.size() &&
           PageProperties::asciiUpper(text.mid(at, 5)) == QLatin1String("<BODY");
}

} // namespace

QString documentRoundTrip(const QByteArray& input)
{
    const EditorBytes decoded = decodeDocument(input);
    if (decoded.utf8.contains('\r'))
        return QStringLiteral("the editor text holds a CR");
    const bool utf16 = decoded.format.encoding == TextEncoding::Utf16LE ||
                       decoded.format.encoding == TextEncoding::Utf16BE;
    // Unpaired surrogates of a UTF-16 page are kept in their three-byte form, nothing else.
    const QByteArray checked = utf16 ? withoutSurrogates(decoded.utf8) : decoded.utf8;
    if (!isValidUtf8(checked.constData(), checked.size()))
        return QStringLiteral("the editor text is not UTF-8");
    qsizetype references = 0;
    const QByteArray written = encodeDocument(decoded.utf8, decoded.format, &references);
    if (references != 0)
        return QStringLiteral("characters of the page itself were written as references");
    const QByteArray expected =
        utf16 ? withCrLf16(input, decoded.format.encoding == TextEncoding::Utf16BE)
              : withCrLf(input);
    if (written != expected) {
        return QStringLiteral("the bytes changed at offset %1 (%2 bytes written, %3 expected)")
            .arg(firstDifference(written, expected))
            .arg(written.size())
            .arg(expected.size());
    }
    // Reading the saved file gives the same text again.
    const EditorBytes again = decodeDocument(written);
    if (again.utf8 != decoded.utf8 || !(again.format == decoded.format))
        return QStringLiteral("reading the saved bytes gives another text");
    return loadAndSaveFile(input, decoded);
}

namespace {

// Takes numbers and bytes off the front of a fuzz input; zeros once it runs out.
class InputReader
{
public:
    explicit InputReader(const QByteArray& input) : input_(input) {}
    bool atEnd() const { return at_ >= input_.size(); }
    uint byte() { return atEnd() ? 0 : uchar(input_.at(at_++)); }
    uint number(int bytes)
    {
        uint n = 0;
        for (int i = 0; i < bytes; ++i)
            n = n << 8 | byte();
        return n;
    }
    QByteArray take(qsizetype n)
    {
        const QByteArray part = input_.mid(at_, n);
        at_ += part.size();
        return part;
    }

private:
    const QByteArray& input_;
    qsizetype at_ = 0;
};

// What the markup commands insert, and the odd characters that make encodings matter.
const char* const kInsertions[] = {"<B>",
                                   "</B>",
                                   "<I>",
                                   "</I>",
                                   "<P>",
                                   "<BR>\n",
                                   "<HR>\n",
                                   "&nbsp;",
                                   "&copy;",
                                   "&amp;",
                                   "<A HREF=\"\">",
                                   "</A>",
                                   "<TABLE BORDER=1>\n<TR>\n<TD></TD>\n</TR>\n</TABLE>\n",
                                   "\n",
                                   "\u00e9",
                                   "\u00ff",
                                   "\u20ac",
                                   "\u00df",
                                   "\U0001F600",
                                   "\u212a"};

QString insertion(InputReader& in)
{
    const uint kind = in.byte();
    if (kind < 128)
        return QString::fromUtf8(kInsertions[kind % std::size(kInsertions)]);
    // A character of any plane (surrogate code points are not characters).
    char32_t cp = char32_t(in.number(3) % 0x110000);
    if (cp >= 0xD800 && cp <= 0xDFFF)
        cp = 0xFFFD;
    if (cp == '\r')
        cp = '\n'; // the editor holds line ends as LF only
    return QString::fromUcs4(&cp, 1);
}

// A position in the text that does not split a surrogate pair.
qsizetype position(const QString& text, uint raw)
{
    qsizetype at = qsizetype(raw % uint(text.size() + 1));
    if (at > 0 && at < text.size() && text.at(at).isLowSurrogate())
        --at;
    return at;
}

} // namespace

QString documentEditing(const QByteArray& input)
{
    InputReader in(input);
    // The page: its bytes come first, and the first byte says how the rest is made.
    const uint shape = in.byte();
    QByteArray page = in.take(qsizetype(in.number(2) % 2048));
    if (shape % 3 == 1)
        page.prepend("\xEF\xBB\xBF");
    else if (shape % 3 == 2)
        page.append('\xE9'); // never valid UTF-8: read as Windows-1252
    const EditorBytes loaded = decodeDocument(page);
    QString text = utf16(loaded.utf8);
    const QString original = text;

    // Edits; what lies before `front` and after `back` characters from the end is untouched.
    qsizetype front = text.size();
    qsizetype back = text.size();
    for (int edits = 0; edits < 8 && !in.atEnd(); ++edits) {
        const uint op = in.byte() % 3; // insert, delete, replace
        const qsizetype at = position(text, in.number(2));
        qsizetype removed = op == 0 ? 0 : qMin<qsizetype>(in.byte() % 16, text.size() - at);
        if (at + removed < text.size() && text.at(at + removed).isLowSurrogate())
            ++removed;
        const QString added = op == 1 ? QString() : insertion(in);
        front = qMin(front, at);
        back = qMin(back, text.size() - at - removed);
        text.replace(at, removed, added);
    }
    front = qMin(front, original.size());
    back = qMin(back, original.size() - front);

    // Saved from the editor's two runs either side of a gap.
    const QByteArray utf8 = text.toUtf8();
    const qsizetype gap = qsizetype(in.number(2)) % (utf8.size() + 1);
    const TextEncoding encoding = loaded.format.encoding;
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
        return QString(); // the codec's own tables cover UTF-16; this target edits 8-bit pages
    qsizetype references = 0;
    const QByteArray saved =
        encodeDocument(TextRuns{QByteArrayView(utf8).first(gap), QByteArrayView(utf8).sliced(gap)},
                       loaded.format, &references);
    // A Windows-1252 page may happen to read as UTF-8 once the edits took the last byte that
    // was not, and characters it cannot hold come back as references: only UTF-8 pages must
    // read back as the edited text.
    EditorBytes reread = decodeDocument(saved);
    // A page that begins with U+FEFF, written without a mark, reads as one with a mark.
    if (encoding == TextEncoding::Utf8 && reread.format.encoding == TextEncoding::Utf8WithBom)
        reread.utf8.prepend("\xEF\xBB\xBF");
    if (encoding != TextEncoding::Windows1252 && reread.utf8 != utf8)
        return QStringLiteral("the saved page reads back as another text, from byte %1 (%2)")
            .arg(firstDifference(reread.utf8, utf8))
            .arg(QString::fromLatin1(utf8.toHex(' ')));

    const QByteArray before = withCrLf(page);
    // Every byte outside the edited range is written as it was, whatever went in between.
    const QByteArray head = encodeDocument(original.left(front).toUtf8(), loaded.format);
    const QByteArray tail =
        encodeDocument(original.right(back).toUtf8(),
                       encoding == TextEncoding::Utf8WithBom ? TextEncoding::Utf8 : encoding);
    if (!before.startsWith(head) || !before.endsWith(tail))
        return QStringLiteral("the unedited page does not hold its own ends");
    if (!saved.startsWith(head))
        return QStringLiteral("a byte before the edits changed, at offset %1")
            .arg(firstDifference(saved, head));
    if (!saved.endsWith(tail))
        return QStringLiteral("a byte after the edits changed");
    return QString();
}

namespace {

// Simple case folding of every character, as code points.
QList<char32_t> folded(const QString& text)
{
    QList<char32_t> out;
    for (const char32_t cp : text.toUcs4())
        out.append(QChar::toCaseFolded(cp));
    return out;
}

// The UTF-8 bytes of a string, as the editor holds its text (never a lone surrogate).
QByteArray editorUtf8(const QByteArray& bytes)
{
    return utf16(bytes).toUtf8();
}

} // namespace

QPair<QString, QString> textSearchParts(const QByteArray& input)
{
    const qsizetype cut = input.indexOf('\n');
    if (cut < 0)
        return {utf16(input), QString()};
    return {utf16(input.left(cut)), utf16(input.mid(cut + 1))};
}

QPair<qsizetype, qsizetype> referenceFind(const QString& text, const QString& needle)
{
    const QList<char32_t> want = folded(needle);
    const QList<uint> chars = text.toUcs4();
    if (want.isEmpty())
        return {-1, 0};
    qsizetype at16 = 0;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        bool match = i + want.size() <= chars.size();
        qsizetype length16 = 0;
        for (qsizetype k = 0; match && k < want.size(); ++k) {
            match = QChar::toCaseFolded(chars.at(i + k)) == want.at(k);
            length16 += QChar::requiresSurrogates(chars.at(i + k)) ? 2 : 1;
        }
        if (match)
            return {at16, length16};
        at16 += QChar::requiresSurrogates(chars.at(i)) ? 2 : 1;
    }
    return {-1, 0};
}

QString textSearch(const QByteArray& input)
{
    const auto [needle, textString] = textSearchParts(input);
    const QByteArray text = editorUtf8(textString.toUtf8());
    const QString text16 = utf16(text);
    const QList<char32_t> want = folded(needle);

    const CaseBlindSearch search(needle);
    const QList<CaseBlindSearch::Match> matches = search.all(text);
    qsizetype from16 = 0;
    QString rest = text16;
    qsizetype restStart16 = 0;
    for (const CaseBlindSearch::Match& m : matches) {
        if (m.start < 0 || m.end <= m.start || m.end > text.size())
            return QStringLiteral("a match outside the text: %1..%2").arg(m.start).arg(m.end);
        if ((uchar(text.at(m.start)) & 0xC0) == 0x80 ||
            (m.end < text.size() && (uchar(text.at(m.end)) & 0xC0) == 0x80))
            return QStringLiteral("a match splits a character at %1..%2").arg(m.start).arg(m.end);
        // The editor's positions: UTF-16 units before the match and inside it.
        const qsizetype at16 = utf16(text.left(m.start)).size();
        const qsizetype length16 = utf16(text.mid(m.start, m.end - m.start)).size();
        if (folded(text16.mid(at16, length16)) != want)
            return QStringLiteral("the text at %1 (%2 long) is not the needle")
                .arg(at16)
                .arg(length16);
        // Nothing between the previous match and this one was missed.
        const auto expected = referenceFind(rest, needle);
        if (expected.first + restStart16 != at16 || expected.second != length16)
            return QStringLiteral("the search reports %1, a plain scan %2")
                .arg(at16)
                .arg(expected.first < 0 ? -1 : expected.first + restStart16);
        from16 = at16 + qMax<qsizetype>(length16, 1);
        rest = text16.mid(from16);
        restStart16 = from16;
    }
    if (referenceFind(rest, needle).first >= 0)
        return QStringLiteral("a match after %1 was missed").arg(restStart16);
    return QString();
}

QString pageWithBodyTag(const QString& page, const QString& newTag)
{
    const PageProperties::BodyTag tag = PageProperties::findBodyTag(page);
    if (!tag.found())
        return QString();
    return page.left(tag.start) + newTag + page.mid(tag.start + tag.length);
}

QString bodyTag(const QByteArray& input)
{
    using namespace PageProperties;
    const QString page = QString::fromUtf8(input);
    pageTitle(page);

    const BodyTag tag = findBodyTag(page);
    if (!tag.found()) {
        if (asciiUpper(page).contains(QLatin1String("<BODY")))
            return QStringLiteral("a BODY tag was missed");
        return QString();
    }
    if (tag.start < 0 || tag.length < 0 || qsizetype(tag.start) + tag.length > page.size())
        return QStringLiteral("the tag lies outside the page (%1, %2 of %3)")
            .arg(tag.start)
            .arg(tag.length)
            .arg(page.size());
    if (!startsWithBody(page, tag.start))
        return QStringLiteral("the tag does not start with <BODY");
    if (asciiUpper(page.left(tag.start)).contains(QLatin1String("<BODY")))
        return QStringLiteral("an earlier BODY tag was skipped");
    const QString tagText = page.mid(tag.start, tag.length);
    if (tag.length > 0 &&
        (!tagText.endsWith(QLatin1Char('>')) || tagText.count(QLatin1Char('>')) != 1))
        return QStringLiteral("the tag does not end at its first '>'");
    if (tag.length == 0 && page.indexOf(QLatin1Char('>'), tag.start) >= 0)
        return QStringLiteral("the tag's '>' was missed");

    const QString attributeText = bodyAttributeText(page, tag);
    if (!tagText.contains(attributeText))
        return QStringLiteral("the attributes are not the tag's");
    const QStringList values = extractBodyAttributes(attributeText);
    if (values.size() != AttributeCount)
        return QStringLiteral("%1 attributes read").arg(values.size());
    for (const QString& value : values) {
        // Only a value written in double quotes may hold a blank, and then exactly as quoted.
        QString quoted = value;
        quoted.replace(QLatin1Char('"'), QLatin1String("&quot;"));
        const bool inQuotes = tagText.contains(QLatin1Char('"') + quoted + QLatin1Char('"'));
        if ((value.contains(QLatin1Char(' ')) && !inQuotes) || value.contains(QLatin1Char('>')))
            return QStringLiteral("a value runs past its end: %1").arg(value);
    }

    const QString newTag = buildBodyTag(values);
    const QString result = pageWithBodyTag(page, newTag);
    // Everything around the tag is the page as it was.
    if (!result.startsWith(page.left(tag.start)) ||
        !result.endsWith(page.mid(tag.start + tag.length)) ||
        result.size() != page.size() - tag.length + newTag.size())
        return QStringLiteral("text outside the tag changed");
    const BodyTag again = findBodyTag(result);
    if (again.start != tag.start || again.length != newTag.size())
        return QStringLiteral("the written tag is not found where it was written");

    // A picture path made relative to a document name from the same bytes.
    const qsizetype cut = page.indexOf(QLatin1Char('\n'));
    const QString path = cut < 0 ? page : page.left(cut);
    const QString document = cut < 0 ? QString() : page.mid(cut + 1);
    const QString relative = pathRelativeToDocument(path, document);
    if (!path.endsWith(relative))
        return QStringLiteral("a relative path that is not a tail of the path");
    return QString();
}

QString colorRoundTrip(const QByteArray& input)
{
    static const QString numberMessage = QStringLiteral("' is not a valid integer value");
    const QString text = QString::fromUtf8(input);
    ColorValue value = 0;
    try {
        value = HtmlColorToColor(text);
    } catch (const AppError& e) {
        if (!e.message().startsWith(QLatin1String("'$")) || !e.message().endsWith(numberMessage))
            return QStringLiteral("unexpected message: %1").arg(e.message());
        return QString();
    }
    if (value > 0xFFFFFFu)
        return QStringLiteral("a colour value above 24 bits: %1").arg(value, 0, 16);
    const QString written = ColorToHtmlColor(value);
    static const QString hex = QStringLiteral("0123456789ABCDEF");
    bool wellFormed = written.size() == 7 && written.at(0) == QLatin1Char('#');
    for (qsizetype i = 1; wellFormed && i < written.size(); ++i)
        wellFormed = hex.contains(written.at(i));
    if (!wellFormed)
        return QStringLiteral("badly written colour text: %1").arg(written);
    try {
        if (HtmlColorToColor(written) != value)
            return QStringLiteral("%1 reads back as another colour").arg(written);
    } catch (const AppError& e) {
        return QStringLiteral("written colour text cannot be read: %1").arg(e.message());
    }
    if (ColorToHtmlColor(value | 0xFF000000u) != written)
        return QStringLiteral("the unused top byte changed the colour text");
    if (fromQColor(toQColor(value)) != value)
        return QStringLiteral("the colour changed on its way through QColor");
    return QString();
}

QString pictureDecoder(const QByteArray& input)
{
    const PictureKind kinds[] = {PictureKind::Jpeg, PictureKind::Bitmap, PictureKind::Icon};
    for (const PictureKind kind : kinds) {
        const DecodedPicture picture = decodePicture(input, kind);
        if (!picture.ok())
            continue;
        const QString name = QStringLiteral("kind %1: ").arg(int(kind));
        if (picture.width <= 0 || picture.height <= 0)
            return name + QStringLiteral("a picture without a size");
        if (qint64(picture.width) * picture.height > kMaxPicturePixels)
            return name + QStringLiteral("an oversized picture was decoded");
        if (picture.image.width() > picture.width || picture.image.height() > picture.height)
            return name + QStringLiteral("the image is larger than the picture");
    }
    if (decodePicture(input, PictureKind::Unreadable).ok())
        return QStringLiteral("an unreadable kind gave a picture");
    return QString();
}

namespace {

// Qt re-reads a settings file only when its size or time changed; give every input its own
// time so that each one is really parsed.
void stampUniquely(const QString& path)
{
    static qint64 counter = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::fromSecsSinceEpoch(1'000'000'000 + ++counter),
                         QFileDevice::FileModificationTime);
}

// Whether Qt can parse these bytes, asked of a copy so that the store's own view is untouched.
bool parsesCleanly(const QByteArray& bytes)
{
    const QString copy =
        QFileInfo(settingsFilePath()).absolutePath() + QStringLiteral("/probe.ini");
    QFile file(copy);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return true;
    file.write(bytes);
    file.close();
    stampUniquely(copy);
    const bool clean = QSettings(copy, QSettings::IniFormat).status() == QSettings::NoError;
    QFile::remove(copy);
    return clean;
}

} // namespace

QString settingsStore(const QByteArray& input)
{
    const QString path = settingsFilePath();
    const QString backup = path + QStringLiteral(".unreadable");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(backup);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QStringLiteral("cannot write the settings file");
        file.write(input);
    }
    stampUniquely(path);

    // Every value reads as text or fails with the type message; nothing else.
    QHash<QString, QString> before;
    for (const SettingKey& key : Setting::all()) {
        const QString name = QString::fromUtf8(key.name);
        try {
            const QString value = ReadSetting(key);
            if (value.contains(QChar(0)))
                return QStringLiteral("%1 read with a NUL").arg(name);
            before.insert(name, value);
        } catch (const AppError& e) {
            if (e.message() != QStringLiteral("Invalid data type for '%1'").arg(name))
                return QStringLiteral("%1: unexpected message %2").arg(name, e.message());
        }
    }
    const auto recent = ListSubkeyValues(kRecentFilesKeyPath, kRecentFilesSubkey);
    for (const auto& entry : recent) {
        if (entry.second.isEmpty() || entry.second.contains(QChar(0)))
            return QStringLiteral("recent file %1 listed empty or with a NUL").arg(entry.first);
    }

    // The first write keeps a copy of a file Qt could not parse, and every value that could
    // be read reads the same afterwards.
    const bool clean = parsesCleanly(input);
    try {
        WriteSetting(Setting::TaskTray, QStringLiteral("written"));
    } catch (const AppError& e) {
        return QStringLiteral("the write failed: %1").arg(e.message());
    }
    if (!clean && readBytes(backup) != input)
        return QStringLiteral("no copy was kept of a file that could not be parsed");
    if (clean && QFileInfo::exists(backup))
        return QStringLiteral("a copy was made of a file that parsed");
    try {
        if (ReadSetting(Setting::TaskTray) != QLatin1String("written"))
            return QStringLiteral("the written value does not read back");
        for (const SettingKey& key : Setting::all()) {
            const QString name = QString::fromUtf8(key.name);
            if (name != QLatin1String(Setting::TaskTray.name) && before.contains(name) &&
                ReadSetting(key) != before.value(name))
                return QStringLiteral("%1 changed when another value was written").arg(name);
        }
    } catch (const AppError& e) {
        return QStringLiteral("a read after the write failed: %1").arg(e.message());
    }
    return QString();
}

} // namespace FuzzChecks
