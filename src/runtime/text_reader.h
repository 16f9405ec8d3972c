#pragma once
// Reading a text file the way every tool of the suite reads it.
//
// The byte-order mark decides the encoding: EF BB BF is UTF-8, FF FE UTF-16
// little-endian, FE FF UTF-16 big-endian. The mark is not part of the text.
// Without a mark the decoding choice decides (a suite setting, "auto" by
// default): in auto mode, a text whose bytes are well-formed UTF-8 and hold
// at least one multi-byte sequence is read as UTF-8, anything else in the
// 8-bit code page (default Windows-1252); pure ASCII reads the same either
// way. The choice can also force UTF-8 or one 8-bit code page. The text ends
// at the first NUL character, and only the bytes before it count for the
// auto decision. It is cut into lines at CR LF, lone CR and lone LF, and
// joined again with CR LF after every line, the last one included; an empty
// text has no lines.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>

enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

struct TextFileInfo {
  TextEncoding encoding = TextEncoding::Ansi;  // Ansi: the 8-bit code page named below
  bool has_bom = false;
  std::int64_t size = 0;    // bytes on disk
  bool cut_at_nul = false;  // the text ended at a NUL character before the end of the file
  // For UTF-8 without a mark: the UTF-8 length of the text read, not counting
  // the replacement characters that stand for ill-formed bytes. Comparing it
  // with the size tells whether bytes were lost between the file and its text.
  std::int64_t utf8_length = 0;
  QString code_page;  // the 8-bit code page used, when encoding is Ansi
};

// A short name of the encoding a file was read in, for the user: "UTF-8 with
// byte-order mark", "UTF-16 LE", "UTF-16 BE", "UTF-8" or the code page name.
QString TextEncodingName(const TextFileInfo& info);

// How texts without a byte-order mark are decoded: "auto", "utf-8", or the
// name of an 8-bit code page (Windows-1252 built in, any other through the
// system's iconv) that every file is then read in. Returns false and says why
// in *error, leaving the current choice, when the choice is not usable.
bool SetTextDecoding(const QString& choice, QString* error = nullptr);
QString TextDecoding();
// Checks a choice without making it.
bool IsUsableTextDecoding(const QString& choice, QString* error = nullptr);

// The 8-bit code page of auto mode. A code page must give one character per
// byte and keep ASCII as it is; multi-byte and stateful encodings are refused.
// Returns false (and says why), leaving the current page, when the name is not
// usable.
bool SetAnsiCodePage(const QString& name, QString* error = nullptr);
QString AnsiCodePage();
// Checks a code page name without making it the current one.
bool IsUsableAnsiCodePage(const QString& name, QString* error = nullptr);

// Decodes bytes in the 8-bit code page that files without a mark fall back
// to (the forced one, if the choice forces one); no mark handling, no NUL cut.
QString DecodeAnsi(const char* data, std::int64_t n);

// Streams the normalised text of a file to sink in pieces, in order. Returns
// the total length in UTF-16 code units. Throws FileReadError when the file
// cannot be opened or read, or is not a regular file.
std::int64_t ReadNormalisedText(const QString& path, const std::function<void(QStringView)>& sink,
                                TextFileInfo* info = nullptr);

// The whole normalised text of a file.
QString ReadTextOfFile(const QString& path, TextFileInfo* info = nullptr);

// The sizes the reader works in: how much it reads at a time, and how many
// decoded units it holds while a text without a mark is still undecided
// before it settles the question by reading ahead. Small sizes make short
// inputs cross every boundary; the fuzz harness and tests set them so.
struct TextReaderSizes {
  std::size_t read_chunk = std::size_t(1) << 18;
  std::size_t hold_limit = std::size_t(1) << 22;
};
TextReaderSizes CurrentTextReaderSizes();
void SetTextReaderSizes(const TextReaderSizes& sizes);

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
