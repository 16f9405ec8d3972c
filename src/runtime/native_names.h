#pragma once
// File and folder names as the system stores them are bytes, usually but not
// always UTF-8. Qt's own conversion replaces bytes that are not valid UTF-8,
// so a name such as "d\xfc r" (bytes 64 FC 72) would come back as a name
// that does not exist. These functions map names to QString and back without
// losing a byte:
//
// - valid UTF-8 decodes as usual;
// - each byte of an invalid sequence becomes a lone low surrogate, U+DC80 +
//   (byte - 0x80) (ASCII bytes are always valid, so only 0x80-0xFF occur);
// - encoding turns those units back into the same bytes.
//
// Valid UTF-8 never encodes a surrogate, so decoding never yields one except
// for an escaped byte, and bytes -> QString -> bytes gives back every byte
// string unchanged.
//
// A QString that holds escaped bytes must not reach Qt's file classes
// (QFile, QFileInfo, QDir), which would encode it lossily: open, stat, create
// and remove files through runtime/native_files.h instead. For people, show
// names in their display form (DisplayName), never the raw QString.

#include <QByteArray>
#include <QString>
#include <string_view>

// Bytes of a name or path as the system gives them, as a QString.
QString NameFromNative(std::string_view bytes);
inline QString NameFromNative(const QByteArray& bytes) {
  return NameFromNative(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// The system's bytes of a name or path made by NameFromNative (or typed by a
// user). A lone surrogate that is not an escaped byte cannot come from a
// name; it is written as its three-byte form, which no file name matches.
QByteArray NativeFromName(const QString& name);

// Whether a name holds escaped bytes (it was not valid UTF-8 on disk).
bool HasEscapedBytes(const QString& name);

// The form in which a name or path is shown in messages, results and JSON:
// escaped bytes as "\xfc", TAB, newline and
// carriage return as "\t", "\n", "\r", other control characters as "\xHH",
// and a backslash doubled, so that the form is never ambiguous. Names without
// any of these come back unchanged.
QString DisplayName(const QString& name);

// The name lower-cased as QString::toLower does it, but with escaped bytes
// kept as they are (toLower turns every lone surrogate into U+FFFD, which
// would make different names equal).
QString LowerCasedKeepingEscapedBytes(const QString& name);
