#include "sampling/zipped_text_set.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "runtime/error.h"
#include "runtime/messages.h"
#include "runtime/native_names.h"
#include "support/test_support.h"

namespace {

struct Entry {
  QString name;
  QByteArray data;
};

std::vector<Entry> ReadArchive(const QString& path) {
  std::vector<Entry> out;
  int err = 0;
  zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  if (!za) {
    ADD_FAILURE() << "cannot open archive, libzip error " << err;
    return out;
  }
  const zip_int64_t n = zip_get_num_entries(za, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
    QByteArray data(static_cast<qsizetype>(st.size), '\0');
    zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
    if (f) {
      zip_fread(f, data.data(), st.size);
      zip_fclose(f);
    }
    out.push_back(Entry{QString::fromUtf8(st.name), data});
  }
  zip_close(za);
  return out;
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

void ExpectUnzipAccepts(const QString& archive) {
  const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
  if (unzip.isEmpty()) return;  // the library read-back above still checks the archive
  QProcess p;
  p.start(unzip, {QStringLiteral("-t"), archive});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
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
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, QStringLiteral("List_of_3_Texts.txt"));
  EXPECT_EQ(entries[1].name, QStringLiteral("as_one_text.txt"));
  EXPECT_EQ(entries[2].name, QStringLiteral("one.txt"));
  EXPECT_EQ(entries[3].name, QStringLiteral("three.txt"));
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
  ExpectUnzipAccepts(zip);
}

TEST(ZippedTextSet, EmptySampleTabEntriesEmptyFilesAndRepeatedNames) {
  TempTree t;
  const QString zip = t.Path("empty.zip");
  WriteZippedTextSet({}, zip);
  auto entries = ReadArchive(zip);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, QStringLiteral("List_of_0_Texts.txt"));
  EXPECT_EQ(Utf8Text(entries[0].data), Heading());
  EXPECT_EQ(entries[1].name, QStringLiteral("as_one_text.txt"));
  EXPECT_TRUE(entries[1].data.isEmpty());
  ExpectUnzipAccepts(zip);

  // A list line with fields is read through its path but not added as a file;
  // an empty file gives its header and the empty line; a name met twice is
  // stored under a second name.
  const QString tabbed = t.Write("x/notes.txt", "alpha\n");
  const QString empty = t.Write("x/empty.txt", "");
  const QString same1 = t.Write("p/same.txt", "p");
  const QString same2 = t.Write("q/same.txt", "q");
  const QStringList sample{QStringLiteral("  ") + tabbed + QStringLiteral("\t0.75\tx"), empty,
                           same1, same2};
  WriteZippedTextSet(sample, zip, {}, true);
  entries = ReadArchive(zip);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].name, QStringLiteral("List_of_4_Texts.txt"));
  EXPECT_EQ(entries[2].name, QStringLiteral("empty.txt"));
  EXPECT_EQ(entries[3].name, QStringLiteral("same.txt"));
  EXPECT_EQ(entries[3].data, QByteArray("p"));
  EXPECT_EQ(entries[4].name, QStringLiteral("same_2.txt"));
  EXPECT_EQ(entries[4].data, QByteArray("q"));
  const QString joined = Utf8Text(entries[1].data);
  EXPECT_TRUE(joined.startsWith(QStringLiteral("1\t***") + sample[0] +
                                QStringLiteral("\t***\r\n\r\nalpha\r\n2\t***") + empty +
                                QStringLiteral("\t***\r\n\r\n3\t***")))
      << joined.toStdString();
  EXPECT_TRUE(Utf8Text(entries[0].data)
                  .contains(QStringLiteral("\r\n1\t") + sample[0] + QStringLiteral("\t?\r\n")));
  ExpectUnzipAccepts(zip);
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
  // or a file elsewhere is not.
  const QString other = t.Write("corpus/sub/other.txt", "not drawn");
  EXPECT_FALSE(ArchiveOverSampledFolderRefusal(other, t.Path("corpus")).isEmpty());
  EXPECT_TRUE(
      ArchiveOverSampledFolderRefusal(t.Path("corpus/new.zip"), t.Path("corpus")).isEmpty());
  EXPECT_TRUE(
      ArchiveOverSampledFolderRefusal(t.Write("out/old.zip", "z"), t.Path("corpus")).isEmpty());

  // Temporary files of a killed run are removed; a finished run leaves none.
  const QString zip = t.Path("out/set.zip");
  const QString prefix = ZippedTextSetPartialPrefix(zip);
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
    QByteArray bytes;
    if (k == 0) bytes = text.toUtf8();
    if (k == 1) bytes = Utf16LeWithBom(text);
    if (k == 2) bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    sample << t.Write(QStringLiteral("t%1.txt").arg(k), bytes);
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

// Files whose names hold "*", a tab or bytes that are not UTF-8 are packed
// as themselves: "a*.txt" is not taken as a mask (which would add ab.txt
// twice), the tab is not taken as the start of fields, and the Latin-1 name
// keeps its bytes in the archive. The list shows the names' display forms.
TEST(ZippedTextSet, OddNamesArePackedAsThemselves) {
  TempTree t;
  const QString latin1 = NameFromNative(QByteArray("Gr\xFC\xDF.txt"));
  const QStringList sample{t.Write("in/a*.txt", "star"), t.Write("in/ab.txt", "ab"),
                           t.Write("in/a\tb.txt", "tab"),
                           t.Write(QStringLiteral("in/") + latin1, "latin")};
  const QString zip = t.Path("set.zip");
  WriteZippedTextSet(sample, zip);

  const auto entries = ReadArchive(zip);
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[2].name, QStringLiteral("a*.txt"));
  EXPECT_EQ(entries[2].data, QByteArray("star"));
  EXPECT_EQ(entries[3].name, QStringLiteral("ab.txt"));
  EXPECT_EQ(entries[4].name, QStringLiteral("a\tb.txt"));
  EXPECT_EQ(entries[4].data, QByteArray("tab"));
  EXPECT_EQ(entries[5].data, QByteArray("latin"));
  int err = 0;
  zip_t* za = zip_open(NativeFromName(zip).constData(), ZIP_RDONLY, &err);
  ASSERT_NE(za, nullptr);
  EXPECT_EQ(QByteArray(zip_get_name(za, 5, ZIP_FL_ENC_RAW)), QByteArray("Gr\xFC\xDF.txt"));
  zip_close(za);

  const QString list = Utf8Text(entries[0].data);
  EXPECT_TRUE(
      list.contains(QStringLiteral("\t") + t.Path("in/a\\tb.txt") + QStringLiteral("\t?\r\n")))
      << list.toStdString();
  EXPECT_TRUE(list.contains(t.Path("in/Gr\\xfc\\xdf.txt"))) << list.toStdString();
  EXPECT_FALSE(list.contains(QChar(0xFFFD)));
  EXPECT_TRUE(Utf8Text(entries[1].data).contains(QStringLiteral("***\r\n\r\ntab\r\n")));
}
