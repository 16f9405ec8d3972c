#include "sampling/zipped_text_set.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <QDir>
#include <QFile>

#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/native_names.h"
#include "support/test_support.h"

namespace {

struct Entry {
  QByteArray name;  // as stored, not decoded
  QByteArray data;
};

std::vector<Entry> ReadArchive(const QString& path) {
  int err = 0;
  zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  EXPECT_NE(za, nullptr) << "cannot open archive, libzip error " << err;
  std::vector<Entry> out;
  for (zip_uint64_t i = 0; za && i < static_cast<zip_uint64_t>(zip_get_num_entries(za, 0)); ++i) {
    zip_stat_t st;
    zip_stat_index(za, i, 0, &st);
    Entry e{zip_get_name(za, i, ZIP_FL_ENC_RAW), QByteArray(static_cast<qsizetype>(st.size), 0)};
    zip_file_t* f = zip_fopen_index(za, i, 0);
    EXPECT_TRUE(f && zip_fread(f, e.data.data(), st.size) == static_cast<zip_int64_t>(st.size));
    if (f) zip_fclose(f);
    out.push_back(e);
  }
  if (za) zip_close(za);
  return out;
}

QList<QByteArray> Names(const std::vector<Entry>& entries) {
  QList<QByteArray> names;
  for (const Entry& e : entries) names << e.name;
  return names;
}

QString Utf8Text(const QByteArray& b) {
  EXPECT_TRUE(b.isEmpty() || b.startsWith("\xEF\xBB\xBF"))
      << "generated entries carry a UTF-8 mark";
  return QString::fromUtf8(b.mid(3));
}

// The list's heading line and the empty line under it.
QString Heading() {
  return LX("LXN") + QLatin1Char('\t') + LX("LXFilenames") + QLatin1Char('\t') + LX("LXScores") +
         QStringLiteral("\r\n\r\n");
}

}  // namespace

TEST(ZippedTextSet, MissingFileIsLeftOutAndItsNumberSkipped) {
  TempTree t;
  const QString one = t.Write("a/one.txt", "first line\r\nsecond");
  const QString three = t.Write("b/three.txt",
                                "\xEF\xBB\xBF"
                                "drei \xC3\xA4\n");
  const QStringList sample{one, t.Path("gone.txt"), three};
  const QString zip = t.Path("set.zip");
  t.Write("set.zip", "an older archive of the same name");
  EXPECT_THROW(WriteZippedTextSet(sample, zip), SorvelError);  // replaced only when asked to
  EXPECT_EQ(ReadAll(zip), QByteArray("an older archive of the same name"));
  const ZippedTextSetOutcome outcome = WriteZippedTextSet(sample, zip, {}, true);
  EXPECT_EQ(outcome.texts, 2);
  EXPECT_EQ(outcome.files_added, 2);

  const auto entries = ReadArchive(zip);
  ASSERT_EQ(Names(entries),
            (QList<QByteArray>{"List_of_3_Texts.txt", "as_one_text.txt", "one.txt", "three.txt"}));
  EXPECT_EQ(Utf8Text(entries[0].data), Heading() + QStringLiteral("1\t") + one +
                                           QStringLiteral("\t?\r\n3\t") + three +
                                           QStringLiteral("\t?\r\n"));
  EXPECT_EQ(Utf8Text(entries[1].data),
            QStringLiteral("1\t***") + one +
                QStringLiteral("\t***\r\n\r\nfirst line\r\nsecond\r\n3\t***") + three +
                QStringLiteral("\t***\r\n\r\ndrei ä\r\n"));
  // Files are stored as they are on disk.
  EXPECT_EQ(entries[2].data, QByteArray("first line\r\nsecond"));
  EXPECT_EQ(entries[3].data, ReadAll(three));
}

// A list line with fields is read through its path but not added as a file;
// an empty file gives its header and the empty line; a name met twice is
// stored under a second name. Names that hold "*", a tab or bytes that are
// not UTF-8 are packed as themselves: "a*.txt" is no mask (which would add
// ab.txt twice), the tab starts no fields, and the Latin-1 name keeps its
// bytes. The list shows the names' display forms.
TEST(ZippedTextSet, EmptySampleEntriesWithFieldsEmptyFilesRepeatedAndOddNames) {
  TempTree t;
  const QString zip = t.Path("set.zip");
  WriteZippedTextSet({}, zip);
  auto entries = ReadArchive(zip);
  ASSERT_EQ(Names(entries), (QList<QByteArray>{"List_of_0_Texts.txt", "as_one_text.txt"}));
  EXPECT_EQ(Utf8Text(entries[0].data), Heading());
  EXPECT_TRUE(entries[1].data.isEmpty());

  const QString tabbed = t.Write("x/notes.txt", "alpha\n");
  const QString empty = t.Write("x/empty.txt", "");
  const QString latin1 = NameFromNative(QByteArray("Gr\xFC\xDF.txt"));
  const QStringList sample{QStringLiteral("  ") + tabbed + QStringLiteral("\t0.75\tx"),
                           empty,
                           t.Write("p/same.txt", "p"),
                           t.Write("q/same.txt", "q"),
                           t.Write("in/a*.txt", "star"),
                           t.Write("in/ab.txt", "ab"),
                           t.Write("in/a\tb.txt", "tab"),
                           t.Write(QStringLiteral("in/") + latin1, "latin")};
  WriteZippedTextSet(sample, zip, {}, true);
  entries = ReadArchive(zip);
  ASSERT_EQ(Names(entries),
            (QList<QByteArray>{"List_of_8_Texts.txt", "as_one_text.txt", "empty.txt", "same.txt",
                               "same_2.txt", "a*.txt", "ab.txt", "a\tb.txt", "Gr\xFC\xDF.txt"}));
  EXPECT_EQ((QList<QByteArray>{entries[3].data, entries[4].data, entries[5].data, entries[7].data,
                               entries[8].data}),
            (QList<QByteArray>{"p", "q", "star", "tab", "latin"}));
  const QString joined = Utf8Text(entries[1].data);
  EXPECT_TRUE(joined.startsWith(QStringLiteral("1\t***") + sample[0] +
                                QStringLiteral("\t***\r\n\r\nalpha\r\n2\t***") + empty +
                                QStringLiteral("\t***\r\n\r\n3\t***")))
      << joined.toStdString();
  // An odd name is shown in a text's header as in the list, so that a tab in
  // it cannot split the header's fields.
  EXPECT_TRUE(joined.contains(t.Path("in/a\\tb.txt") + QStringLiteral("\t***\r\n\r\ntab\r\n")));
  EXPECT_TRUE(joined.contains(t.Path("in/Gr\\xfc\\xdf.txt") + QStringLiteral("\t***")));
  const QString list = Utf8Text(entries[0].data);
  EXPECT_TRUE(list.contains(QStringLiteral("\r\n1\t") + sample[0] + QStringLiteral("\t?\r\n")));
  EXPECT_TRUE(list.contains(QStringLiteral("\t") + t.Path("in/a\\tb.txt") + QStringLiteral("\t?")));
  EXPECT_TRUE(list.contains(t.Path("in/Gr\\xfc\\xdf.txt"))) << list.toStdString();
}

TEST(ZippedTextSet, CleanSamplePathAndUnwritableTarget) {
  TempTree t;
  const QString f = t.Write("f.txt", "x");
  EXPECT_EQ(CleanSamplePath(QStringLiteral(" ") + f + QStringLiteral(" \tmore")), f);
  EXPECT_TRUE(CleanSamplePath(t.Path("no.txt")).isEmpty());
  EXPECT_TRUE(CleanSamplePath(t.Root()).isEmpty());  // a folder is not a text
  EXPECT_THROW(WriteZippedTextSet({f}, t.Path("no/such/folder/out.zip")), SorvelError);
}

TEST(ZippedTextSet, NeverOverASampleTextAndNoTemporaryFilesLeft) {
  TempTree t;
  const QString a = t.Write("corpus/a.txt", "alpha text");
  const QString b = t.Write("corpus/b.txt", "beta text");
  // A text of the sample given as the archive's name is never replaced, even
  // when replacing is allowed; nor through a link to it.
  EXPECT_THROW(WriteZippedTextSet({a, b}, b, {}, true), SorvelError);
  EXPECT_EQ(ReadAll(b), QByteArray("beta text"));
  ASSERT_EQ(::symlink(QFile::encodeName(a).constData(),
                      QFile::encodeName(t.Path("link.zip")).constData()),
            0);
  EXPECT_THROW(WriteZippedTextSet({a, b}, t.Path("link.zip"), {}, true), SorvelError);
  EXPECT_EQ(ReadAll(a), QByteArray("alpha text"));
  // Any existing file inside the sampled folder is refused; a new name there
  // is not (a file elsewhere is replaced with --yes in the command-line test).
  const QString other = t.Write("corpus/sub/other.txt", "not drawn");
  EXPECT_FALSE(ArchiveOverSampledFolderRefusal(other, t.Path("corpus")).isEmpty());
  EXPECT_TRUE(
      ArchiveOverSampledFolderRefusal(t.Path("corpus/new.zip"), t.Path("corpus")).isEmpty());

  // Temporary files of a killed run are removed; a finished run leaves none.
  const QString zip = t.Path("out/set.zip");
  const QString prefix = ZippedTextSetPartialPrefix(zip);
  t.Write(QStringLiteral("out/old.zip"), "not ours");
  t.Write(QStringLiteral("out/") + prefix, "stale archive");
  t.Write(QStringLiteral("out/") + prefix + QStringLiteral(".Xy12Zw"),
          "stale archive of the zip library");
  WriteZippedTextSet({a, b}, zip);
  EXPECT_EQ(QDir(t.Path("out")).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"old.zip", "set.zip"}));
  EXPECT_EQ(ReadArchive(zip).size(), 4u);
}

TEST(ZippedTextSet, StreamedJoinedTextEqualsTheWholeTextBuiltInMemory) {
  // Long texts in every encoding, with characters outside the basic plane
  // that straddle the reader's pieces, must come out as the in-memory
  // joining gives them.
  TempTree t;
  QStringList sample;
  std::srand(5);
  for (int k = 0; k < 3; ++k) {
    QString text;
    // Over 256 KB in every encoding: more than one piece of the reader.
    while (text.size() < 220000 + k * 7777) {
      text += RandomPiecesText(
          {QStringLiteral("word"), QStringLiteral("\U0001F600"), QStringLiteral("\u00e4\u00df"),
           QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\u4e2d")},
          8);
    }
    const QByteArray mark = k == 2 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    sample << t.Write(QStringLiteral("t%1.txt").arg(k),
                      k == 1 ? Utf16LeWithBom(text) : mark + text.toUtf8());
  }
  sample.insert(1, t.Path("missing.txt"));
  const QString zip = t.Path("big.zip");
  WriteZippedTextSet(sample, zip);
  const auto entries = ReadArchive(zip);
  ASSERT_GE(entries.size(), 2u);
  const ZippedTextSetTexts whole = BuildZippedTextSetTexts(sample);
  EXPECT_TRUE(Utf8Text(entries[1].data) == whole.joined_text);
  EXPECT_EQ(Utf8Text(entries[0].data), whole.list_text);
}
