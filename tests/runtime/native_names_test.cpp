#include "runtime/native_names.h"

#include <gtest/gtest.h>

#include <random>

#include "runtime/file_walker.h"
#include "runtime/native_files.h"
#include "runtime/text_case.h"
#include "runtime/text_reader.h"
#include "support/test_support.h"

namespace {

void ExpectRoundTrip(const QByteArray& bytes) {
  const QString name = NameFromNative(bytes);
  ASSERT_EQ(NativeFromName(name), bytes) << bytes.toHex().toStdString();
  // Decoding is a function of the bytes alone: the name decodes the same again.
  ASSERT_EQ(NameFromNative(NativeFromName(name)), name) << bytes.toHex().toStdString();
  ASSERT_FALSE(name.contains(QChar(0xFFFD)) && !bytes.contains("\xEF\xBF\xBD"))
      << bytes.toHex().toStdString();
}

}  // namespace

// Every byte string comes back byte for byte; valid UTF-8 reads as Qt reads
// it; each byte of an invalid sequence, and only those, is escaped.
TEST(NativeNames, EveryByteStringRoundTrips) {
  std::mt19937 rng(12);
  for (int i = 0; i < 20000; ++i) {
    QByteArray b;
    const int n = static_cast<int>(rng() % 12);
    // Half the strings lean to high bytes, where the sequences are.
    for (int k = 0; k < n; ++k)
      b.append(static_cast<char>(i % 2 ? 0x80 + rng() % 0x80 : rng() % 0x100));
    ExpectRoundTrip(b);
  }
  for (int i = 0; i < 5000; ++i) {
    QString expected;
    for (int k = 0; k < 4; ++k) {
      char32_t c = static_cast<char32_t>(1 + rng() % 0x10FFFF);
      if (c >= 0xD800 && c <= 0xDFFF) c = 0xE9;
      expected += QString::fromUcs4(&c, 1);
    }
    const QByteArray b = expected.toUtf8();
    ExpectRoundTrip(b);
    EXPECT_EQ(NameFromNative(b), expected);
    EXPECT_FALSE(HasEscapedBytes(NameFromNative(b)));
  }

  const QByteArray invalid[] = {
      "\xE0\x80\xAF",              // overlong "/"
      "\xF0\x9F\x98",              // cut short
      "\xED\xB3\xBC",              // a lone low surrogate: looks like an escaped byte
      "\xED\xA0\xBD\xED\xB8\x80",  // a surrogate pair in three-byte forms
      "\xF4\x90\x80\x80",          // above U+10FFFF
      "\xFF",
      "\x80",
  };
  for (const QByteArray& b : invalid) {
    ExpectRoundTrip(b);
    const QString name = NameFromNative(b);
    EXPECT_TRUE(HasEscapedBytes(name)) << b.toHex().toStdString();
    EXPECT_EQ(name.size(), b.size()) << b.toHex().toStdString();  // one unit per escaped byte
  }
  // A bad byte escapes only itself: a valid sequence right after it stays.
  EXPECT_EQ(NameFromNative(QByteArray("\xE2\x82\xC3\xBC")),
            QString(QChar(0xDCE2)) + QChar(0xDC82) + u'ü');
  // Lower-casing keeps escaped bytes, so names stay apart.
  EXPECT_EQ(LowerCasedName(NameFromNative(QByteArray("\xC3\x84R\xFC"))),
            NameFromNative(QByteArray("\xC3\xA4r\xFC")));
  EXPECT_NE(LowerCasedName(NameFromNative(QByteArray("GR\xC4"))),
            LowerCasedName(NameFromNative(QByteArray("GR\xDC"))));
}

// Shown names: escaped bytes in hex, TAB/newline/CR named, other control
// characters in hex, a backslash doubled; text outside the BMP and plain
// names unchanged.
TEST(NativeNames, DisplayFormEscapesWhatWouldMislead) {
  EXPECT_EQ(DisplayName(NameFromNative(QByteArray("/c/d\xFCr/a.txt"))),
            QStringLiteral("/c/d\\xfcr/a.txt"));
  EXPECT_EQ(DisplayName(QStringLiteral("a\tb\nc\rd\x01\x7f.txt")),
            QStringLiteral("a\\tb\\nc\\rd\\x01\\x7f.txt"));
  EXPECT_EQ(DisplayName(QStringLiteral("a\\xfc")), QStringLiteral("a\\\\xfc"));
  const QString plain = QString::fromUtf8("/corpus/Ärger \xF0\x9F\x98\x80 ok.txt");
  EXPECT_EQ(DisplayName(plain), plain);
  EXPECT_EQ(DisplayName(QString(QChar(0xD800))), QStringLiteral("\\ud800"));
}

// A folder and a file whose names are Latin-1 bytes: the walk finds the
// file under its true path, the reader reads it, and the file helpers stat,
// create, rename and remove such names.
TEST(NativeNames, WalkAndFilesWithLatin1Names) {
  TempTree t;
  const QString folder_name = NameFromNative(QByteArray("d\xFCr"));
  const QString file_name = NameFromNative(QByteArray("Gr\xFC\xDF.txt"));
  t.Write(folder_name + QLatin1Char('/') + file_name, "Wort und Satz.\r\n");
  t.Write(QStringLiteral("plain.txt"), "x");

  FileWalker it;
  it.HeadDir = t.Root();
  it.IncludeSubFolders = true;
  ASSERT_EQ(it.IterateFindingFiles(), 2);
  EXPECT_TRUE(it.Problems().isEmpty()) << it.Problems().join('\n').toStdString();
  it.BuildDetailedList(FileSortOrder::ByName);
  const QString found = it.FilesFound().GetFullFilename(0);
  EXPECT_EQ(found, t.Path(folder_name + QLatin1Char('/') + file_name));
  EXPECT_EQ(ReadTextOfFile(found), QStringLiteral("Wort und Satz.\r\n"));
  EXPECT_TRUE(StatPath(found).is_file);
  EXPECT_EQ(StatPath(found).size, 16);
  EXPECT_TRUE(IsExistingFolder(t.Path(folder_name)));

  const QString made = t.Path(folder_name + QStringLiteral("/neu/") + folder_name);
  ASSERT_TRUE(MakeFolders(made));
  const QString moved = made + QStringLiteral("/") + file_name;
  ASSERT_TRUE(RenameNoReplace(found, moved));
  EXPECT_FALSE(PathExists(found));
  EXPECT_EQ(FileNamesInFolder(made), QStringList{file_name});
  t.Write(QStringLiteral("other.txt"), "y");
  EXPECT_FALSE(RenameNoReplace(t.Path(QStringLiteral("other.txt")), moved));  // never replaces
  EXPECT_TRUE(RemoveFile(moved));
  EXPECT_FALSE(PathExists(moved));
}
