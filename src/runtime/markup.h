#pragma once
// Markup removal shared by every tool that reads texts which may hold tags.
//
// A tag is the text from an opening character ("<") up to the next closing
// character (">"), both included, when that closing character comes within
// tag_span characters of the opening one. An opening character whose closing
// one is farther away (or missing) is ordinary text: a lone "<" in prose, such
// as "a < b", must not swallow the rest of the text. A tag span of 0 or less
// means no markup is removed.

#include <QString>
#include <QStringView>

// The position of the closing character of a tag whose opening character is
// at open_at, or -1 when none comes within tag_span characters (the opening
// character is then ordinary text).
qsizetype MarkupTagClose(QStringView text, qsizetype open_at, QChar close, int tag_span);

QString WithoutMarkup(QStringView text, QChar open = QLatin1Char('<'),
                      QChar close = QLatin1Char('>'), int tag_span = 250);

// The whole text of a file as the suite reads it (see text_reader.h), or an
// empty string when it cannot be read.
QString GetTextFromFile(const QString& path);

// The text of a file with its markup removed; empty when it cannot be read.
QString MarkupFreeTextFromAFile(const QString& path, int tag_span);
