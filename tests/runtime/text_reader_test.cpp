#include "runtime/text_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "runtime/error.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

// A text in its UTF-8 bytes and in the Windows-1252 reading of those bytes.
const QString kGerman = u"Es ist unmöglich, schön und süß zu sein: Grüße!\r\n"_s;

// Files written into a tree of their own and read back, with what the reader
// says about them in info.
struct TextReader : ::testing::Test {
  TempTree t;
  TextFileInfo info;
  QString Read(const QByteArray& bytes) {
    return ReadTextOfFile(t.Write(u"f%1.txt"_s.arg(files++), bytes), &info);
  }
  int files = 0;
};

}  // namespace

TEST_F(TextReader, LineBreaksAreNormalisedAndTheTextEndsAtTheFirstNul) {
  EXPECT_EQ(Read("one\r\ntwo\nthree\rfour"), u"one\r\ntwo\r\nthree\r\nfour\r\n"_s);
  // A break already at the end adds no empty line; an inner empty line stays.
  EXPECT_EQ(Read("a\n\nb\n"), u"a\r\n\r\nb\r\n"_s);
  EXPECT_EQ(Read(""), QString());

  EXPECT_EQ(Read(QByteArray("\0abc", 4)), QString());
  EXPECT_EQ(Read(QByteArray("ab\r\n\0cd", 7)), u"ab\r\n"_s);
}

TEST_F(TextReader, ByteOrderMarksDecideTheEncoding) {
  const QString sample = u"Grüße, Ελλάδα\r\n"_s;
  const QString u8 = t.Write(u"u8.txt"_s, QByteArray("\xEF\xBB\xBF") + sample.toUtf8());
  EXPECT_EQ(ReadTextOfFile(u8, &info), sample);
  EXPECT_EQ(info.encoding, TextEncoding::Utf8);
  EXPECT_EQ(Read(Utf16LeWithBom(sample)), sample);
  EXPECT_EQ(info.encoding, TextEncoding::Utf16LE);
  // A mark decides even when the choice forces an 8-bit code page.
  {
    TextDecodingScope forced(u"windows-1252"_s);
    EXPECT_EQ(ReadTextOfFile(u8, &info), sample);
    EXPECT_EQ(TextEncodingName(info), u"UTF-8 with byte-order mark"_s);
  }
  EXPECT_TRUE(TextFileInUnicode(u8));
  EXPECT_FALSE(TextFileInUnicode(t.Write(u"plain.txt"_s, "plain")));
}

TEST(TextReaderCodePage, AnsiIsWindows1252WithOneCharacterPerByte) {
  QByteArray all;
  for (int b = 1; b < 256; ++b) all.append(static_cast<char>(b));
  const QString s = DecodeAnsi(all.constData(), all.size());
  ASSERT_EQ(s.size(), 255);
  EXPECT_EQ(s[0x80 - 1].unicode(), 0x20AC);  // euro sign
  EXPECT_EQ(s[0x81 - 1].unicode(), 0x0081);  // undefined byte: its C1 control
  EXPECT_EQ(s[0x9F - 1].unicode(), 0x0178);
}

// Which texts count as well-formed, the UTF-8 length, and texts longer than
// the reader's read and hold sizes are checked by the text reader's fuzz target.
TEST_F(TextReader, WithoutAMarkWellFormedUtf8IsReadAsUtf8AndAnythingElseIn8Bit) {
  EXPECT_EQ(Read(kGerman.toUtf8()), kGerman);
  EXPECT_EQ(TextEncodingName(info), u"UTF-8"_s);
  // The same words in Latin-1 are not well-formed UTF-8: Windows-1252.
  EXPECT_EQ(Read(kGerman.toLatin1() + "\x80"), kGerman + u"€\r\n"_s);  // and a euro sign
  EXPECT_EQ(TextEncodingName(info), u"windows-1252"_s);
}

TEST_F(TextReader, TheChoiceCanForceUtf8OrOneCodePage) {
  const QByteArray utf8 = kGerman.toUtf8();
  const QString de = t.Write(u"de.txt"_s, utf8);
  const QString latin = t.Write(u"latin.txt"_s, QByteArray("gr\xFC\xDF \xA4\n"));
  {
    TextDecodingScope forced(u"windows-1252"_s);
    EXPECT_EQ(ReadTextOfFile(de, &info),
              NormaliseDecodedText(DecodeAnsi(utf8.data(), utf8.size())));
    EXPECT_EQ(info.encoding, TextEncoding::Ansi);
  }
  {
    // Each ill-formed byte becomes one replacement character, which the
    // UTF-8 length does not count.
    TextDecodingScope forced(u"UTF-8"_s);
    EXPECT_EQ(ReadTextOfFile(latin, &info), u"gr\uFFFD\uFFFD \uFFFD\r\n"_s);
    EXPECT_EQ(info.encoding, TextEncoding::Utf8);
    EXPECT_EQ(info.utf8_length, 5);  // "gr", the space and CR LF
    // The maximal well-formed start of a sequence is one replacement.
    EXPECT_EQ(Read("a\xE2\x82"
                   "b\xE2\x82"),
              u"a\uFFFDb\uFFFD\r\n"_s);
  }
  {
    // Other code pages come from iconv; the euro sign of ISO-8859-15 is A4.
    TextDecodingScope forced(u"ISO-8859-15"_s);
    EXPECT_EQ(ReadTextOfFile(latin, &info), u"grüß €\r\n"_s);
    EXPECT_EQ(info.code_page, u"ISO-8859-15"_s);
  }
  // Unknown names, multi-byte and stateful encodings, and code pages that
  // change ASCII are refused with a reason, leaving the choice as it was.
  for (const char* name : {"no-such-page", "SHIFT_JIS", "UTF-7", "IBM037"}) {
    QString why;
    EXPECT_FALSE(SetTextDecoding(QString::fromLatin1(name), &why)) << name;
    EXPECT_FALSE(why.isEmpty()) << name;
    EXPECT_FALSE(IsUsableTextDecoding(QString::fromLatin1(name))) << name;
  }
  EXPECT_FALSE(SetAnsiCodePage(u"utf-8"_s));
  EXPECT_EQ(TextDecoding(), u"auto"_s);
  EXPECT_EQ(AnsiCodePage(), u"windows-1252"_s);
}

TEST_F(TextReader, UnreadableAndSpecialFilesThrowAClearError) {
  EXPECT_THROW(ReadTextOfFile(t.Path(u"none.txt"_s)), FileReadError);
  const QString fifo = t.Path(u"pipe"_s);
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  try {
    ReadTextOfFile(fifo);
    FAIL() << "a FIFO was read";
  } catch (const FileReadError& e) {
    EXPECT_TRUE(e.Message().contains(u"not a regular file"_s));
  }
  EXPECT_FALSE(TextFileInUnicode(fifo));
}

TEST(TextCase, UpperCasingKeepsTheLength) {
  QString s = u"straße ǆ abc"_s + QChar(0xD83D) + QChar(0xDE00);
  UpperCaseInPlace(s);
  EXPECT_EQ(s, u"STRAßE Ǆ ABC"_s + QChar(0xD83D) + QChar(0xDE00));
  EXPECT_TRUE(IsLetterUnit(u'ʰ'));   // Lm
  EXPECT_TRUE(IsLetterUnit(u'中'));  // Lo
  EXPECT_FALSE(IsLetterUnit(u'1'));
  EXPECT_FALSE(IsLetterUnit(u'\u00A0'));
  EXPECT_FALSE(IsLetterUnit(0xD83D));
}
