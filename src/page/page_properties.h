#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Reading and writing the page's title and BODY tag, and the Quick Start page. Pure functions
// over the page text; positions are QString indexes.
namespace PageProperties {

// The six BODY attributes, in the order they are read, shown and written.
enum Attribute { BgImage, BgColor, TextColor, LinkColor, VLinkColor, ALinkColor, AttributeCount };

// What is searched when reading (upper case; " LINK=" keeps its blank so that VLINK= and
// ALINK= are not taken for it) and what is written in front of each value.
const QStringList& attributeSearchNames();
const QStringList& attributeWrittenNames();

// The text between the first "<TITLE>" and the first "</TITLE>" (exact case). "No Title"
// without "<TITLE>"; empty when "</TITLE>" is missing or comes first.
QString pageTitle(const QString& text);

// ASCII-only upper-casing: keeps every position where it was.
QString asciiUpper(const QString& text);

// Where the first BODY tag stands: start of "<BODY" (any case; -1 when there is none) and
// the length up to and including the first ">" after it (0 when there is no ">").
struct BodyTag
{
    int start = -1;
    int length = 0;
    bool found() const { return start >= 0; }
};
BodyTag findBodyTag(const QString& text);

// How many leading bytes of a UTF-8 page hold everything pageTitle, findBodyTag and
// bodyAttributeText read: those functions give the same answers on that prefix, decoded, as on
// the whole page. Found in one forward pass, so a page whose head is at the top costs little.
qsizetype headPrefixLength(QByteArrayView utf8);

// The text between "<BODY" and its ">"; empty without a ">".
QString bodyAttributeText(const QString& text, const BodyTag& tag);

// One attribute's value: after the first `name` (any case) up to the next blank, one leading
// and then one trailing double quote dropped. Empty when the name is not there.
QString extractAttribute(const QString& attributeText, const QString& name);

// All six, in Attribute order.
QStringList extractBodyAttributes(const QString& attributeText);

// "<BODY", each non-empty value with its written name, ">". A value the user typed is put in
// double quotes when a blank or a bracket would break it (attributeValue); a value that is
// still what was read from the page (`fromPage`, in Attribute order) keeps its bytes, line
// breaks included, unless it holds a blank, which only its quotes kept in one piece.
QString buildBodyTag(const QStringList& sixAttributes, const QStringList& fromPage = {});

// A chosen picture's path: relative when it lies in or below the document's folder
// (the folder compared without regard to case), otherwise unchanged. "Untitled" keeps the path.
QString pathRelativeToDocument(const QString& path, const QString& documentFileName);

// The Quick Start page with its BODY tag already built, and where the placeholder stands.
inline const QString kQuickStartPlaceholder = QStringLiteral("Document text and body");
struct QuickStartPage
{
    QString text;
    int placeholderStart = 0;
};
QuickStartPage quickStartPage(const QString& title, const QStringList& sixAttributes);

// The message shown when Web Page Properties finds no BODY tag.
QString noBodyTagMessage();

} // namespace PageProperties
