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
  EXPECT_EQ(ReadTextOfFile(t.Write("nul2.txt", QByteArray("ab\r\n\0cd", 7))), QStringLiteral("ab\r\n"));
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
  EXPECT_EQ(ReadTextOfFile(t.Write("le0.txt", Utf16LeWithBom(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd")))),
            QStringLiteral("ab\r\n"));
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
