#include "runtime/text_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "runtime/error.h"
#include "support/test_support.h"

TEST(TextReader, LineBreaksAreNormalisedAndTheLastLineGetsOne) {
  TempTree t;
  EXPECT_EQ(ReadTextOfFile(t.Write("a.txt", "one\r\ntwo\nthree\rfour")),
            QStringLiteral("one\r\ntwo\r\nthree\r\nfour\r\n"));
  // A break already at the end adds no empty line; an inner empty line stays.
  EXPECT_EQ(ReadTextOfFile(t.Write("b.txt", "a\n\nb\n")), QStringLiteral("a\r\n\r\nb\r\n"));
  // LF-only text reads longer than its size.
  const QString lf = ReadTextOfFile(t.Write("c.txt", "x\ny\n"));
  EXPECT_EQ(lf.size(), 6);
  EXPECT_EQ(ReadTextOfFile(t.Write("empty.txt", "")), QString());
}

TEST(TextReader, TextEndsAtTheFirstNul) {
  TempTree t;
  QByteArray bytes(1000, 'a');
  bytes[100] = '\0';
  TextFileInfo info;
  const QString text = ReadTextOfFile(t.Write("nul.txt", bytes), &info);
  EXPECT_EQ(text.size(), 102);  // 100 characters and the line break
  EXPECT_EQ(info.size, 1000);
  EXPECT_FALSE(info.has_bom);
  EXPECT_EQ(ReadTextOfFile(t.Write("nul0.txt", QByteArray("\0abc", 4))), QString());
  EXPECT_EQ(ReadTextOfFile(t.Write("nul2.txt", QByteArray("ab\r\n\0cd", 7))),
            QStringLiteral("ab\r\n"));
}

TEST(TextReader, ByteOrderMarksDecideTheEncoding) {
  TempTree t;
  const QString sample = QStringLiteral("Grüße, Ελλάδα\r\n");
  TextFileInfo info;
  EXPECT_EQ(ReadTextOfFile(t.Write("u8.txt", QByteArray("\xEF\xBB\xBF") + sample.toUtf8()), &info),
            sample);
  EXPECT_EQ(info.encoding, TextEncoding::Utf8);
  EXPECT_EQ(ReadTextOfFile(t.Write("le.txt", Utf16LeWithBom(sample)), &info), sample);
  EXPECT_EQ(info.encoding, TextEncoding::Utf16LE);
  QByteArray be("\xFE\xFF", 2);
  for (QChar c : sample) {
    be.append(static_cast<char>(c.unicode() >> 8));
    be.append(static_cast<char>(c.unicode() & 0xFF));
  }
  EXPECT_EQ(ReadTextOfFile(t.Write("be.txt", be), &info), sample);
  EXPECT_EQ(info.encoding, TextEncoding::Utf16BE);
  // A UTF-16 NUL unit ends the text as well.
  EXPECT_EQ(ReadTextOfFile(t.Write(
                "le0.txt", Utf16LeWithBom(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")))),
            QStringLiteral("ab\r\n"));
  EXPECT_EQ(TextEncodingName(info), QStringLiteral("UTF-16 BE"));
  // A mark decides even when the choice forces an 8-bit code page.
  {
    TextDecodingScope forced(QStringLiteral("windows-1252"));
    EXPECT_EQ(ReadTextOfFile(t.Path("u8.txt"), &info), sample);
    EXPECT_EQ(TextEncodingName(info), QStringLiteral("UTF-8 with byte-order mark"));
  }
  EXPECT_TRUE(TextFileInUnicode(t.Path("u8.txt")));
  EXPECT_TRUE(TextFileInUnicode(t.Path("be.txt")));
  EXPECT_FALSE(TextFileInUnicode(t.Write("plain.txt", "plain")));
  EXPECT_FALSE(TextFileInUnicode(t.Path("missing.txt")));
}

TEST(TextReader, AnsiIsWindows1252WithOneCharacterPerByte) {
  QByteArray all;
  for (int b = 1; b < 256; ++b) all.append(static_cast<char>(b));
  const QString s = DecodeAnsi(all.constData(), all.size());
  ASSERT_EQ(s.size(), 255);
  EXPECT_EQ(s[0x80 - 1].unicode(), 0x20AC);  // euro sign
  EXPECT_EQ(s[0x81 - 1].unicode(), 0x0081);  // undefined byte: its C1 control
  EXPECT_EQ(s[0x9D - 1].unicode(), 0x009D);
  EXPECT_EQ(s[0x9F - 1].unicode(), 0x0178);
  EXPECT_EQ(s[0xE9 - 1].unicode(), 0x00E9);
}

TEST(TextReader, ChunkBoundariesDoNotSplitBreaksOrCharacters) {
  // Large enough to cross the reader's internal buffer several times, with a
  // CR LF and a UTF-8 sequence placed across each boundary.
  TempTree t;
  QByteArray bytes("\xEF\xBB\xBF");
  QString expected;
  const QByteArray line = QStringLiteral("línea\r\n").toUtf8();
  while (bytes.size() < 3 * (1 << 18) + 17) {
    bytes += line;
    expected += QStringLiteral("línea\r\n");
  }
  EXPECT_EQ(ReadTextOfFile(t.Write("big.txt", bytes)), expected);
}

namespace {
// A text in its UTF-8 bytes and in the Windows-1252 reading of those bytes.
const QString kGerman = QStringLiteral("Es ist unmöglich, schön und süß zu sein: Grüße!\r\n");
QString As1252(const QByteArray& bytes) {
  return NormaliseDecodedText(DecodeAnsi(bytes.constData(), bytes.size()));
}
}  // namespace

TEST(TextReader, WithoutAMarkWellFormedUtf8IsReadAsUtf8AndAnythingElseIn8Bit) {
  TempTree t;
  TextFileInfo info;
  // UTF-8 with multi-byte sequences: UTF-8, measured in its own bytes.
  const QByteArray utf8 = kGerman.toUtf8();
  EXPECT_EQ(ReadTextOfFile(t.Write("de.txt", utf8), &info), kGerman);
  EXPECT_EQ(info.encoding, TextEncoding::Utf8);
  EXPECT_FALSE(info.has_bom);
  EXPECT_EQ(info.utf8_length, utf8.size());
  EXPECT_EQ(TextEncodingName(info), QStringLiteral("UTF-8"));
  EXPECT_FALSE(TextFileInUnicode(t.Path("de.txt")));
  // The same words in Latin-1 are not well-formed UTF-8: Windows-1252.
  const QByteArray latin = kGerman.toLatin1() + "\x80";  // and a euro sign
  EXPECT_EQ(ReadTextOfFile(t.Write("latin.txt", latin), &info),
            kGerman + QChar(0x20AC) + QStringLiteral("\r\n"));
  EXPECT_EQ(info.encoding, TextEncoding::Ansi);
  EXPECT_EQ(TextEncodingName(info), QStringLiteral("windows-1252"));
  // Pure ASCII is the code page's, and reads the same either way.
  EXPECT_EQ(ReadTextOfFile(t.Write("ascii.txt", "plain\n"), &info), QStringLiteral("plain\r\n"));
  EXPECT_EQ(info.encoding, TextEncoding::Ansi);
  // Well-formed UTF-8 that ends in a Latin-1 byte: the whole text is 8-bit,
  // the accents before that byte included.
  const QByteArray mixed = utf8 + "caf\xE9\r\n";
  EXPECT_EQ(ReadTextOfFile(t.Write("mixed.txt", mixed), &info), As1252(mixed));
  EXPECT_TRUE(As1252(mixed).contains(QStringLiteral("unmÃ¶glich")));
  EXPECT_EQ(info.encoding, TextEncoding::Ansi);
  // Ill-formed sequences: overlong, surrogate, beyond U+10FFFF, stray
  // continuation byte, a sequence cut by the end of the file.
  for (const QByteArray& bad :
       {QByteArray("\xC3\xA4 \xC0\xAF"), QByteArray("\xC3\xA4 \xED\xA0\x80"),
        QByteArray("\xC3\xA4 \xF4\x90\x80\x80"), QByteArray("\xC3\xA4 \x80"),
        QByteArray("\xC3\xA4 \xE2\x82")}) {
    EXPECT_EQ(ReadTextOfFile(t.Write("bad.txt", bad), &info), As1252(bad))
        << bad.toHex().constData();
    EXPECT_EQ(info.encoding, TextEncoding::Ansi) << bad.toHex().constData();
  }
  // Four-byte sequences become surrogate pairs.
  EXPECT_EQ(ReadTextOfFile(t.Write("emoji.txt", "\xF0\x9F\x98\x80"), &info),
            QStringLiteral("\U0001F600\r\n"));
  EXPECT_EQ(info.encoding, TextEncoding::Utf8);
  // Only the bytes before the NUL count: what follows it is never read.
  const QByteArray cut = QByteArray("sch\xC3\xB6n\n\0\xFF\xFE", 10);
  EXPECT_EQ(ReadTextOfFile(t.Write("nul.txt", cut), &info), QStringLiteral("schön\r\n"));
  EXPECT_EQ(info.encoding, TextEncoding::Utf8);
  EXPECT_EQ(info.utf8_length, 8);  // "schön" in 6 bytes and CR LF
  EXPECT_EQ(ReadTextOfFile(t.Write("nul-ascii.txt", QByteArray("ab\0\xC3\xB6", 5)), &info),
            QStringLiteral("ab\r\n"));
  EXPECT_EQ(info.encoding, TextEncoding::Ansi);
}

TEST(TextReader, TheChoiceCanForceUtf8OrOneCodePage) {
  TempTree t;
  TextFileInfo info;
  const QByteArray utf8 = kGerman.toUtf8();
  const QString de = t.Write("de.txt", utf8);
  const QString latin = t.Write("latin.txt", QByteArray("gr\xFC\xDF \xA4\n"));
  {
    TextDecodingScope forced(QStringLiteral("windows-1252"));
    EXPECT_EQ(TextDecoding(), QStringLiteral("windows-1252"));
    EXPECT_EQ(ReadTextOfFile(de, &info), As1252(utf8));
    EXPECT_EQ(info.encoding, TextEncoding::Ansi);
  }
  {
    // Each ill-formed byte becomes one replacement character, which the
    // UTF-8 length does not count.
    TextDecodingScope forced(QStringLiteral("UTF-8"));
    EXPECT_EQ(TextDecoding(), QStringLiteral("utf-8"));
    EXPECT_EQ(ReadTextOfFile(latin, &info), QStringLiteral("gr\uFFFD\uFFFD \uFFFD\r\n"));
    EXPECT_EQ(info.encoding, TextEncoding::Utf8);
    EXPECT_EQ(info.utf8_length, 5);  // "gr", the space and CR LF
    // The maximal well-formed start of a sequence is one replacement.
    EXPECT_EQ(ReadTextOfFile(t.Write("cut.txt",
                                     "a\xE2\x82"
                                     "b\xE2\x82"),
                             &info),
              QStringLiteral("a\uFFFDb\uFFFD\r\n"));
    EXPECT_EQ(ReadTextOfFile(t.Write("ascii.txt", "abc"), &info), QStringLiteral("abc\r\n"));
    EXPECT_EQ(info.encoding, TextEncoding::Utf8);
  }
  {
    // Other code pages come from iconv; the euro sign of ISO-8859-15 is A4.
    TextDecodingScope forced(QStringLiteral("ISO-8859-15"));
    EXPECT_EQ(ReadTextOfFile(latin, &info), QStringLiteral("grüß €\r\n"));
    EXPECT_EQ(info.code_page, QStringLiteral("ISO-8859-15"));
    EXPECT_EQ(DecodeAnsi("\xA4", 1), QStringLiteral("€"));
  }
  {
    // In auto mode the configured code page reads what is not UTF-8.
    TextDecodingScope automatic(QStringLiteral("auto"), QStringLiteral("KOI8-R"));
    EXPECT_EQ(ReadTextOfFile(t.Write("koi8.txt", "\xD0\xD2\xC9\xD7\xC5\xD4"), &info),
              QStringLiteral("привет\r\n"));
    EXPECT_EQ(TextEncodingName(info), QStringLiteral("KOI8-R"));
    EXPECT_EQ(ReadTextOfFile(de), kGerman);
  }
  // Unknown names, multi-byte and stateful encodings, and code pages that
  // change ASCII are refused with a reason, leaving the choice as it was.
  for (const char* name : {"no-such-page", "SHIFT_JIS", "UTF-16", "UTF-7", "IBM037", ""}) {
    QString why;
    EXPECT_FALSE(SetTextDecoding(QString::fromLatin1(name), &why)) << name;
    EXPECT_FALSE(why.isEmpty()) << name;
    EXPECT_FALSE(IsUsableTextDecoding(QString::fromLatin1(name))) << name;
  }
  EXPECT_FALSE(SetAnsiCodePage(QStringLiteral("utf-8")));
  EXPECT_EQ(TextDecoding(), QStringLiteral("auto"));
  EXPECT_EQ(AnsiCodePage(), QStringLiteral("windows-1252"));
}

TEST(TextReader, LongTextsAreDecidedAcrossReadsAndBeyondWhatIsHeld) {
  // Texts long enough to cross the reader's buffer many times, and to pass
  // the amount it holds back before it reads ahead to decide.
  TempTree t;
  const QByteArray line = QStringLiteral("línea número ünd €\r\n").toUtf8();
  QByteArray bytes = "start ";  // an ASCII start that goes straight through
  QString expected = QStringLiteral("start ");
  for (const int target : {3 * (1 << 18) + 17, 9 * (1 << 20)}) {
    while (bytes.size() < target) {
      bytes += line;
      expected += QStringLiteral("línea número ünd €\r\n");
    }
    TextFileInfo info;
    EXPECT_EQ(ReadTextOfFile(t.Write("long.txt", bytes), &info), expected) << target;
    EXPECT_EQ(info.encoding, TextEncoding::Utf8);
    EXPECT_EQ(info.utf8_length, bytes.size());
    // One Latin-1 byte at the very end makes it all 8-bit.
    const QByteArray spoilt = bytes + "\xE9";
    EXPECT_EQ(ReadTextOfFile(t.Write("spoilt.txt", spoilt), &info), As1252(spoilt)) << target;
    EXPECT_EQ(info.encoding, TextEncoding::Ansi);
    // A NUL ends the text before that byte: UTF-8 again.
    const QByteArray nul = bytes + QByteArray(1, '\0') + "\xE9";
    EXPECT_EQ(ReadTextOfFile(t.Write("nul.txt", nul), &info), expected) << target;
    EXPECT_EQ(info.encoding, TextEncoding::Utf8);
  }
}

TEST(TextReader, UnreadableAndSpecialFilesThrowAClearError) {
  TempTree t;
  EXPECT_THROW(ReadTextOfFile(t.Path("none.txt")), FileReadError);
  const QString fifo = t.Path("pipe");
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  try {
    ReadTextOfFile(fifo);
    FAIL() << "a FIFO was read";
  } catch (const FileReadError& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("not a regular file")));
  }
  EXPECT_FALSE(TextFileInUnicode(fifo));
}

TEST(TextReader, UpperCasingKeepsTheLength) {
  QString s = QStringLiteral("straße ǆ abc");
  s.append(QChar(0xD83D));
  s.append(QChar(0xDE00));
  const qsizetype n = s.size();
  UpperCaseInPlace(s);
  EXPECT_EQ(s.size(), n);
  EXPECT_TRUE(s.startsWith(QStringLiteral("STRAßE Ǆ ABC")));
  EXPECT_TRUE(IsLetterUnit(u'a'));
  EXPECT_TRUE(IsLetterUnit(u'ß'));
  EXPECT_TRUE(IsLetterUnit(u'ʰ'));   // Lm
  EXPECT_TRUE(IsLetterUnit(u'中'));  // Lo
  EXPECT_FALSE(IsLetterUnit(u'1'));
  EXPECT_FALSE(IsLetterUnit(u'\u00A0'));
  EXPECT_FALSE(IsLetterUnit(0xD83D));
}
