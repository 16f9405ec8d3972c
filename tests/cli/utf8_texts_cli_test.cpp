// Every tool of the command line on German texts saved as UTF-8 without a
// byte-order mark, the usual kind on Linux: the words come out as written.

#include <gtest/gtest.h>
#include <zip.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <charconv>

#include "cli/cli_runner.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

const QString kSentence = u"Es ist unmöglich, dass die schöne Straße in Köln so grün blüht."_s;

QByteArray GermanProse(int lines) {
  QByteArray out;
  const QStringList words = {u"Über"_s,   u"Brücken"_s, u"gehen"_s,
                             u"Bäcker"_s, u"früh"_s,    u"täglich"_s};
  for (int i = 0; i < lines; ++i) {
    out += (words[i % words.size()] + u' ' + words[(i * 5 + 1) % words.size()] + u' ' + kSentence +
            u"\r\n"_s)
               .toUtf8();
  }
  return out;
}

// The tests read no user settings: the defaults hold ("auto").
class Utf8TextsCli : public ::testing::Test {
 protected:
  void SetUp() override { qputenv("SORVEL_SETTINGS", settings_.Path(u"lexivor.ini"_s).toUtf8()); }
  void TearDown() override { qunsetenv("SORVEL_SETTINGS"); }
  TempTree settings_;
  TempTree t_;
};

QByteArray ZipEntry(const QString& archive, const char* name) {
  int err = 0;
  zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &err);
  if (!za) return {};
  QByteArray data;
  zip_stat_t st;
  if (zip_stat(za, name, 0, &st) == 0) {
    data.resize(static_cast<qsizetype>(st.size));
    if (zip_file_t* f = zip_fopen(za, name, 0)) {
      zip_fread(f, data.data(), st.size);
      zip_fclose(f);
    }
  }
  zip_close(za);
  return data;
}

}  // namespace

TEST_F(Utf8TextsCli, CorruptionPassesCleanUtf8AndFlagsLostBytes) {
  const QByteArray prose = GermanProse(30);
  const QString good = t_.Write(u"good/ref.txt"_s, prose);
  t_.Write(u"data/clean.txt"_s, prose);
  QByteArray cut = prose;
  cut[100] = '\0';
  const QString cut_path = t_.Write(u"data/cut.txt"_s, cut);
  QByteArray spoilt = prose;
  spoilt[200] = '\xFF';
  spoilt[201] = '\xFE';
  const QString spoilt_path = t_.Write(u"data/spoilt.txt"_s, spoilt);
  const QString data = t_.Path(u"data"_s);

  // Auto: only the text cut by a NUL lost bytes (100 bytes and the line
  // break). The one with stray bytes is read in the 8-bit code page whole,
  // where the digraph test sees its accents as foreign pairs.
  CliResult r = RunCli({u"corruption"_s, u"--good"_s, good, u"--digraph"_s, data});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(QString::fromUtf8(r.out).section(QLatin1Char('\n'), 0, 0),
            cut_path + u"\tFile-size %1 but text-length 102"_s.arg(cut.size()));
  EXPECT_TRUE(QString::fromUtf8(r.out).contains(spoilt_path + u"\tToo many: "_s + u" AÃ"_s))
      << r.out.toStdString();
  // Forced UTF-8: the stray bytes are lost bytes too.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"utf-8"_s, data});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(spoilt_path.toUtf8() + "\tFile-size ")) << r.out.toStdString();
  // Windows-1252 throughout: one character per byte, nothing lost but the cut.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"windows-1252"_s, data});
  EXPECT_EQ(QString::fromUtf8(r.out),
            cut_path + u"\tFile-size %1 but text-length 102\n"_s.arg(cut.size()));

  // An unknown or multi-byte code page is unusable input, said clearly; the
  // help names the choices and the default.
  r = RunCli({u"corruption"_s, u"--good"_s, good, u"--codepage"_s, u"klingon-1"_s, data});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("unknown code page \"klingon-1\"")) << r.err.toStdString();
  r = RunCli({u"boilerplate"_s, u"--codepage"_s, u"BIG5"_s, data});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("not an 8-bit code page")) << r.err.toStdString();
  r = RunCli({u"relevance"_s, u"--help"_s});
  EXPECT_TRUE(r.out.contains("--codepage")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("Default: the suite setting, now \"auto\"")) << r.out.toStdString();
}

TEST_F(Utf8TextsCli, DupContentsFindsTheSameTextWithAndWithoutAMark) {
  const QByteArray prose = GermanProse(60);
  t_.Write(u"c/plain.txt"_s, prose);
  t_.Write(u"c/marked.txt"_s, QByteArray("\xEF\xBB\xBF") + prose);
  const CliResult r = RunCli({u"dupcontents"_s, u"--json"_s, u"--no-dates"_s, t_.Path(u"c"_s)});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  const QJsonArray groups = o.value(u"groups"_s).toArray();
  ASSERT_EQ(groups.size(), 1) << r.out.toStdString();
  for (const auto& m : groups[0].toObject().value(u"members"_s).toArray()) {
    EXPECT_EQ(m.toObject().value(u"type_diff"_s).toInt(), 0);
  }
}

TEST_F(Utf8TextsCli, BoilerplateChunksReadAsWritten) {
  t_.WriteText(u"a.txt"_s, u"Erster Text über Bäume. "_s + kSentence);
  t_.WriteText(u"b.txt"_s, kSentence + u" Zweiter Text, ganz anders."_s);
  const CliResult r = RunCli({u"boilerplate"_s, u"--json"_s, t_.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonArray chunks = QJsonDocument::fromJson(r.out).object().value(u"chunks"_s).toArray();
  ASSERT_EQ(chunks.size(), 1) << r.out.toStdString();
  EXPECT_EQ(chunks[0].toObject().value(u"text"_s).toString(), kSentence);
}

TEST_F(Utf8TextsCli, RelevanceMatchesAMarkedFilterFileAndItsScoreReadsBack) {
  // "schön" from a filter file with a mark, in texts without one. 29 hits in
  // 256 words, one segment: the score is 2900 / 256 = 11.328125 exactly.
  const QString filters =
      t_.Write(u"filters.txt"_s, QByteArray("\xEF\xBB\xBF") + u"schön\t1\t0\t\n"_s.toUtf8());
  QString text;
  for (int i = 0; i < 227; ++i) text += u"wort "_s;
  for (int i = 0; i < 29; ++i) text += u"schön "_s;
  t_.WriteText(u"c/de.txt"_s, text);
  t_.WriteText(u"c/other.txt"_s, u"schon "_s.repeated(256));
  const QStringList args = {u"relevance"_s,  u"--filters"_s,   filters, u"--folder"_s,
                            t_.Path(u"c"_s), u"--segments"_s,  u"1"_s,  u"--coverage"_s,
                            u"1"_s,          u"--min-score"_s, u"1"_s};
  CliResult r = RunCli(args + QStringList{u"--json"_s});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonArray results = QJsonDocument::fromJson(r.out).object().value(u"results"_s).toArray();
  ASSERT_EQ(results.size(), 1) << r.out.toStdString();
  EXPECT_TRUE(results[0].toObject().value(u"file"_s).toString().endsWith(u"de.txt"_s));
  // The number as printed is the shortest that reads back as the same float.
  const QRegularExpressionMatch m =
      QRegularExpression(u"\"score\": ([-0-9.eE+]+)"_s).match(QString::fromUtf8(r.out));
  ASSERT_TRUE(m.hasMatch());
  EXPECT_EQ(m.captured(1), u"11.328125"_s);
  // The human lines keep one decimal.
  r = RunCli(args);
  EXPECT_TRUE(r.out.startsWith("1\t11.3\t256\t1\t")) << r.out.toStdString();
}

TEST_F(Utf8TextsCli, SampleZipJoinsTheTextsAsWritten) {
  t_.Write(u"c/de.txt"_s, GermanProse(3));
  const QString zip = t_.Path(u"set.zip"_s);
  const CliResult r =
      RunCli({u"sample"_s, u"--folder"_s, t_.Path(u"c"_s), u"--size"_s, u"1"_s, u"--zip"_s, zip});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QByteArray joined = ZipEntry(zip, "as_one_text.txt");
  ASSERT_TRUE(joined.startsWith("\xEF\xBB\xBF"));
  const QString text = QString::fromUtf8(joined.mid(3));
  EXPECT_TRUE(text.contains(u"Über Brücken "_s + kSentence + u"\r\n"_s)) << text.toStdString();
}

TEST_F(Utf8TextsCli, SubCorporaWriteTheTextsAsWritten) {
  t_.Write(u"c/de.txt"_s, GermanProse(3));
  t_.SetMTime(u"c/de.txt"_s, 1262304000);  // 1 January 2010
  const CliResult r =
      RunCli({u"subcorpora"_s, u"--delicacy"_s, u"year"_s, t_.Path(u"c"_s), t_.Path(u"out"_s)});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QString all;
  QDirIterator it(t_.Path(u"out"_s), QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QByteArray b = ReadAll(it.next());
    ASSERT_TRUE(b.startsWith("\xFF\xFE")) << "sub-corpus files are UTF-16 LE with a mark";
    all += QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData() + 2),
                              (b.size() - 2) / 2);
  }
  EXPECT_TRUE(all.contains(kSentence)) << all.toStdString();
  EXPECT_FALSE(all.contains(u"Ã"_s)) << all.toStdString();
}
