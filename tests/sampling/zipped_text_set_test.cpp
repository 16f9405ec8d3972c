#include "sampling/zipped_text_set.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <zip.h>

#include "runtime/error.h"
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
  EXPECT_TRUE(b.isEmpty() || b.startsWith("\xEF\xBB\xBF")) << "generated entries carry a UTF-8 mark";
  return QString::fromUtf8(b.mid(3));
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
  const QString three = t.Write("b/three.txt", "\xEF\xBB\xBF" "drei \xC3\xA4\n");
  const QStringList sample{one, t.Path("gone.txt"), three};
  const QString zip = t.Path("set.zip");
  t.Write("set.zip", "an older archive of the same name");
  WriteZippedTextSet(sample, zip);

  const auto entries = ReadArchive(zip);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, QStringLiteral("List_of_3_Texts.txt"));
  EXPECT_EQ(entries[1].name, QStringLiteral("as_one_text.txt"));
  EXPECT_EQ(entries[2].name, QStringLiteral("one.txt"));
  EXPECT_EQ(entries[3].name, QStringLiteral("three.txt"));
  EXPECT_EQ(Utf8Text(entries[0].data), QStringLiteral("N\tFilenames\tScores\r\n\r\n1\t") + one +
                                           QStringLiteral("\t?\r\n3\t") + three + QStringLiteral("\t?\r\n"));
  EXPECT_EQ(Utf8Text(entries[1].data), QStringLiteral("1\t***") + one +
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
  EXPECT_EQ(Utf8Text(entries[0].data), QStringLiteral("N\tFilenames\tScores\r\n\r\n"));
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
  const QStringList sample{QStringLiteral("  ") + tabbed + QStringLiteral("\t0.75\tx"), empty, same1, same2};
  WriteZippedTextSet(sample, zip);
  entries = ReadArchive(zip);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].name, QStringLiteral("List_of_4_Texts.txt"));
  EXPECT_EQ(entries[2].name, QStringLiteral("empty.txt"));
  EXPECT_EQ(entries[3].name, QStringLiteral("same.txt"));
  EXPECT_EQ(entries[3].data, QByteArray("p"));
  EXPECT_EQ(entries[4].name, QStringLiteral("same_2.txt"));
  EXPECT_EQ(entries[4].data, QByteArray("q"));
  const QString joined = Utf8Text(entries[1].data);
  EXPECT_TRUE(joined.startsWith(QStringLiteral("1\t***") + sample[0] + QStringLiteral("\t***\r\n\r\nalpha\r\n2\t***") +
                                empty + QStringLiteral("\t***\r\n\r\n3\t***")))
      << joined.toStdString();
  EXPECT_TRUE(Utf8Text(entries[0].data).contains(QStringLiteral("\r\n1\t") + sample[0] + QStringLiteral("\t?\r\n")));
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
