#pragma once
// Reading a text file the way every tool of the suite reads it.
//
// The byte-order mark decides the encoding: EF BB BF is UTF-8, FF FE UTF-16
// little-endian, FE FF UTF-16 big-endian. Without a mark the bytes are decoded
// in the "ANSI code page", a suite setting that defaults to Windows-1252. The
// mark is not part of the text. The text ends at the first NUL character. It is
// cut into lines at CR LF, lone CR and lone LF, and joined again with CR LF
// after every line, the last one included; an empty text has no lines.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>

enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

struct TextFileInfo {
  TextEncoding encoding = TextEncoding::Ansi;
  bool has_bom = false;
  std::int64_t size = 0;  // bytes on disk
  bool cut_at_nul = false;  // the text ended at a NUL character before the end of the file
};

// Which single-byte code page decodes files without a byte-order mark. The
// name is one that QStringDecoder knows, or "windows-1252" (our own table).
// Returns false, leaving the current choice, when the name is not usable.
bool SetAnsiCodePage(const QString& name);
QString AnsiCodePage();

// Decodes bytes in the ANSI code page (no mark handling, no NUL cut).
QString DecodeAnsi(const char* data, std::int64_t n);

// Streams the normalised text of a file to sink in pieces, in order. Returns
// the total length in UTF-16 code units. Throws FileReadError when the file
// cannot be opened or read, or is not a regular file.
std::int64_t ReadNormalisedText(const QString& path, const std::function<void(QStringView)>& sink,
                                TextFileInfo* info = nullptr);

// The whole normalised text of a file.
QString ReadTextOfFile(const QString& path, TextFileInfo* info = nullptr);

// Normalises already decoded text: NUL cut and line breaks as above.
QString NormaliseDecodedText(QStringView text);

// True when the file starts with any byte-order mark. False when it has none
// or cannot be read.
bool TextFileInUnicode(const QString& path);

// The simple one-to-one upper-case mapping of a UTF-16 code unit; surrogate
// halves map to themselves, so the length of a text never changes.
char16_t UpperCaseUnit(char16_t c);
void UpperCaseInPlace(QString& text);

// A code unit whose Unicode general category is Lu, Ll, Lt, Lm or Lo.
bool IsLetterUnit(char16_t c);
