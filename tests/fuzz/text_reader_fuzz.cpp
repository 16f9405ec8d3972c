// The text reader on arbitrary bytes, through every encoding it knows: the
// three byte-order marks, the built-in Windows-1252 table or a code page
// decoded by Qt, and the choice between UTF-8 and the code page for a text
// without a mark. A control bit shrinks the reader's chunk and hold sizes to
// a few bytes, so that CR LF pairs, UTF-8 sequences, UTF-16 units and
// multi-byte characters are cut in two and the read-ahead runs.
//
// Input: one control byte (bits 0-1 the code page, bit 2 small sizes, bits
// 3-7 how small), then the file's bytes.

#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <vector>

#include "fuzz_targets.h"
#include "runtime/text_reader.h"

namespace {

const std::array<const char*, 4> kCodePages = {"windows-1252", "ISO-8859-7", "windows-1251",
                                               "KOI8-R"};

std::size_t MarkLength(const std::vector<char>& file) {
  const auto* u = reinterpret_cast<const unsigned char*>(file.data());
  if (file.size() >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) return 3;
  if (file.size() >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF)))
    return 2;
  return 0;
}

// The whole file decoded in one piece, the mark left out: what the streamed
// reading must match, whatever its chunking.
QString DecodeWhole(const std::vector<char>& file, TextEncoding encoding, std::size_t mark) {
  const char* p = file.data() + mark;
  const std::size_t n = file.size() - mark;
  switch (encoding) {
    case TextEncoding::Utf8:
      // A U+FEFF after the mark is a character of the text, which
      // QString::fromUtf8 would drop as if it were a second mark.
      return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                      QStringDecoder::Flag::ConvertInitialBom)
          .decode(QByteArrayView(p, static_cast<qsizetype>(n)));
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
      const auto* u = reinterpret_cast<const unsigned char*>(p);
      QString s;
      for (std::size_t k = 0; k + 1 < n; k += 2) {
        const char16_t c = encoding == TextEncoding::Utf16LE ? char16_t(u[k] | (u[k + 1] << 8))
                                                             : char16_t((u[k] << 8) | u[k + 1]);
        s.append(QChar(c));
      }
      return s;
    }
    case TextEncoding::Ansi:
      break;
  }
  return DecodeAnsi(p, static_cast<std::int64_t>(n));
}

}  // namespace

int FuzzTextReader(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t control = data[0];
  std::vector<char> file(reinterpret_cast<const char*>(data) + 1,
                         reinterpret_cast<const char*>(data) + size);
  const TextReaderSizes usual_sizes;
  if (control & 4) {
    const std::size_t step = control >> 3;
    SetTextReaderSizes({4 + step, 1 + 3 * step});
  }
  FuzzCheck(SetAnsiCodePage(QString::fromLatin1(kCodePages[control & 3])),
            "code page not available");
  const QString path = WriteFuzzScratchFile(QStringLiteral("text.txt"), file.data(), file.size());

  // A readable regular file that is refused throws, which fails the input.
  TextFileInfo info;
  QString text;
  const std::int64_t length = ReadNormalisedText(
      path, [&](QStringView piece) { text.append(piece); }, &info);
  FuzzCheck(length == text.size(), "returned length differs from the text streamed");
  FuzzCheck(info.size == static_cast<std::int64_t>(file.size()), "size on disk misreported");
  FuzzCheck(info.has_bom == (MarkLength(file) != 0), "byte-order mark misdetected");

  // Line breaks come out as CR LF only, after every line, and no NUL passes.
  for (qsizetype i = 0; i < text.size(); ++i) {
    FuzzCheck(text[i] != QChar(u'\0'), "NUL in the text");
    if (text[i] == QChar(u'\r'))
      FuzzCheck(i + 1 < text.size() && text[i + 1] == QChar(u'\n'), "lone CR");
    if (text[i] == QChar(u'\n')) FuzzCheck(i > 0 && text[i - 1] == QChar(u'\r'), "lone LF");
  }
  FuzzCheck(text.isEmpty() || text.endsWith(QStringLiteral("\r\n")), "last line not ended");

  // Qt replaces ill-formed UTF-8 by a rule of its own, so decoding in one
  // piece with it is a reference for well-formed UTF-8 only (stateless: a
  // sequence cut off at the end is ill-formed); ill-formed UTF-8 is compared
  // with the whole-file reading below.
  QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const std::size_t mark = MarkLength(file);
  const QString decoded_by_qt =
      strict.decode(QByteArrayView(file.data() + mark, static_cast<qsizetype>(file.size() - mark)));
  if (info.encoding != TextEncoding::Utf8 || (!strict.hasError() && !decoded_by_qt.isNull())) {
    const QString whole = NormaliseDecodedText(DecodeWhole(file, info.encoding, mark));
    FuzzCheck(text == whole, "streamed text differs from the text decoded in one piece");
  }
  FuzzCheck(ReadTextOfFile(path) == text, "whole-file reading differs from streaming");

  // Without a mark only the bytes before the first NUL decide: UTF-8 when
  // they are well-formed and hold a multi-byte sequence, else the code page.
  if (mark == 0) {
    const auto nul = std::find(file.begin(), file.end(), '\0');
    const QByteArrayView before(file.data(), nul - file.begin());
    QStringDecoder check(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = check.decode(before);  // decodes only when taken as a string
    const bool utf8 = !check.hasError() && std::any_of(before.begin(), before.end(), [](char c) {
      return static_cast<unsigned char>(c) >= 0x80;
    });
    FuzzCheck(info.encoding == (utf8 ? TextEncoding::Utf8 : TextEncoding::Ansi),
              "encoding decided against the bytes before the first NUL");
    FuzzCheck(info.cut_at_nul == (nul != file.end()), "NUL cut misreported");
    FuzzCheck(!utf8 || info.utf8_length == text.toUtf8().size(), "UTF-8 length misreported");
  }

  SetAnsiCodePage(QStringLiteral("windows-1252"));
  SetTextReaderSizes(usual_sizes);
  return 0;
}
