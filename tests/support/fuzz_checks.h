#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QStringList>

// What each fuzz target checks on one input. The fuzz entry points and the regression test
// that replays kept inputs run exactly these functions. Each returns an empty text when every
// property held, otherwise what broke; a crash is a failure of its own.
namespace FuzzChecks {

// The targets by name, as their corpus and regression folders are called.
const QStringList& targets();

// Runs the named target's check.
QString check(const QString& target, const QByteArray& input);

// File bytes -> editor text -> file bytes: unchanged apart from every line end becoming CR LF.
// Also through the program's own load and save of a file (the in-place decoding, the atomic
// write), which must agree with the copying decoder.
QString documentRoundTrip(const QByteArray& input);
// A page of any encoding, edited at random (characters of every plane, deletions,
// replacements, markup literals) and saved: every byte outside the edited range is the byte
// that was read.
QString documentEditing(const QByteArray& input);
// A needle and a text: every match the case-blind search reports is a whole-character range
// whose text folds to the needle, in UTF-8 bytes and in the editor's UTF-16 positions alike,
// and the matches are exactly those a plain character-by-character scan finds.
QString textSearch(const QByteArray& input);
// The needle and the text a text_search input stands for (for replaying it in the editor).
QPair<QString, QString> textSearchParts(const QByteArray& input);
// The first match a plain scan with Unicode simple case folding finds in `text` (UTF-16
// position and length), or (-1, 0).
QPair<qsizetype, qsizetype> referenceFind(const QString& text, const QString& needle);
// Finding the BODY tag, reading its attributes and writing a new tag over the old one: every
// position stays inside the page, and only the tag itself changes.
QString bodyTag(const QByteArray& input);
// Colour text -> colour value -> colour text -> colour value: stable, or the number message.
QString colorRoundTrip(const QByteArray& input);
// JPEG, bitmap and icon decoding of the same bytes: a sane picture or none, never a crash.
QString pictureDecoder(const QByteArray& input);
// The bytes as the settings file: every read gives a value or the type message; a write
// keeps what could be read and a copy of a file that could not be parsed.
QString settingsStore(const QByteArray& input);

// The page as GenerateBody leaves it with the given tag text, or a null string when the page
// has no BODY tag.
QString pageWithBodyTag(const QString& page, const QString& newTag);

} // namespace FuzzChecks
