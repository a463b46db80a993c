#include "support/fuzz_checks.h"

#include "core/app_error.h"
#include "core/document_codec.h"
#include "core/settings_store.h"
#include "core/html_colors.h"
#include "page/page_properties.h"
#include "wizards/picture_decoder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>

namespace FuzzChecks {

const QStringList& targets()
{
    static const QStringList names = {
        QStringLiteral("document_codec"), QStringLiteral("body_tag"), QStringLiteral("html_colors"),
        QStringLiteral("picture_decoder"), QStringLiteral("settings_store")};
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
    return QStringLiteral("no target called %1").arg(target);
}

namespace {

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
    if (!isValidUtf8(decoded.utf8.constData(), decoded.utf8.size()))
        return QStringLiteral("the editor text is not UTF-8");
    TextEncoding used = decoded.encoding;
    const QByteArray written = encodeDocument(decoded.utf8, decoded.encoding, &used);
    if (used != decoded.encoding)
        return QStringLiteral("written in another encoding than read");
    const QByteArray expected = withCrLf(input);
    if (written != expected) {
        return QStringLiteral("the bytes changed at offset %1 (%2 bytes written, %3 expected)")
            .arg(firstDifference(written, expected))
            .arg(written.size())
            .arg(expected.size());
    }
    // Reading the saved file gives the same text again.
    const EditorBytes again = decodeDocument(written);
    if (again.utf8 != decoded.utf8 || again.encoding != decoded.encoding)
        return QStringLiteral("reading the saved bytes gives another text");
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
