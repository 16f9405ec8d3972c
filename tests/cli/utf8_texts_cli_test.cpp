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

namespace {

const QString kSentence =
    QStringLiteral("Es ist unmöglich, dass die schöne Straße in Köln so grün blüht.");

QByteArray GermanProse(int lines) {
  QByteArray out;
  const QStringList words = {QStringLiteral("Über"),  QStringLiteral("Brücken"),
                             QStringLiteral("gehen"), QStringLiteral("Bäcker"),
                             QStringLiteral("früh"),  QStringLiteral("täglich")};
  for (int i = 0; i < lines; ++i) {
    out += (words[i % words.size()] + u' ' + words[(i * 5 + 1) % words.size()] + u' ' + kSentence +
            QStringLiteral("\r\n"))
               .toUtf8();
  }
  return out;
}

// The tests read no user settings: the defaults hold ("auto").
class Utf8TextsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("SORVEL_SETTINGS", settings_.Path(QStringLiteral("lexivor.ini")).toUtf8());
  }
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
  const QString good = t_.Write(QStringLiteral("good/ref.txt"), prose);
  t_.Write(QStringLiteral("data/clean.txt"), prose);
  QByteArray cut = prose;
  cut[100] = '\0';
  const QString cut_path = t_.Write(QStringLiteral("data/cut.txt"), cut);
  QByteArray spoilt = prose;
  spoilt[200] = '\xFF';
  spoilt[201] = '\xFE';
  const QString spoilt_path = t_.Write(QStringLiteral("data/spoilt.txt"), spoilt);
  const QString data = t_.Path(QStringLiteral("data"));

  // Auto: only the text cut by a NUL lost bytes (100 bytes and the line
  // break). The one with stray bytes is read in the 8-bit code page whole,
  // where the digraph test sees its accents as foreign pairs.
  CliResult r = RunCli({QStringLiteral("corruption"), QStringLiteral("--good"), good,
                        QStringLiteral("--digraph"), data});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(QString::fromUtf8(r.out).section(QLatin1Char('\n'), 0, 0),
            cut_path + QStringLiteral("\tFile-size %1 but text-length 102").arg(cut.size()));
  EXPECT_TRUE(QString::fromUtf8(r.out).contains(spoilt_path + QStringLiteral("\tToo many: ") +
                                                QStringLiteral(" AÃ")))
      << r.out.toStdString();
  // Forced UTF-8: the stray bytes are lost bytes too.
  r = RunCli({QStringLiteral("corruption"), QStringLiteral("--good"), good,
              QStringLiteral("--codepage"), QStringLiteral("utf-8"), data});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(spoilt_path.toUtf8() + "\tFile-size ")) << r.out.toStdString();
  // Windows-1252 throughout: one character per byte, nothing lost but the cut.
  r = RunCli({QStringLiteral("corruption"), QStringLiteral("--good"), good,
              QStringLiteral("--codepage"), QStringLiteral("windows-1252"), data});
  EXPECT_EQ(QString::fromUtf8(r.out),
            cut_path + QStringLiteral("\tFile-size %1 but text-length 102\n").arg(cut.size()));

  // An unknown or multi-byte code page is unusable input, said clearly; the
  // help names the choices and the default.
  r = RunCli({QStringLiteral("corruption"), QStringLiteral("--good"), good,
              QStringLiteral("--codepage"), QStringLiteral("klingon-1"), data});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("unknown code page \"klingon-1\"")) << r.err.toStdString();
  r = RunCli(
      {QStringLiteral("boilerplate"), QStringLiteral("--codepage"), QStringLiteral("BIG5"), data});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("not an 8-bit code page")) << r.err.toStdString();
  r = RunCli({QStringLiteral("relevance"), QStringLiteral("--help")});
  EXPECT_TRUE(r.out.contains("--codepage")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("Default: the suite setting, now \"auto\"")) << r.out.toStdString();
}

TEST_F(Utf8TextsCli, DupContentsFindsTheSameTextWithAndWithoutAMark) {
  const QByteArray prose = GermanProse(60);
  t_.Write(QStringLiteral("c/plain.txt"), prose);
  t_.Write(QStringLiteral("c/marked.txt"), QByteArray("\xEF\xBB\xBF") + prose);
  const CliResult r = RunCli({QStringLiteral("dupcontents"), QStringLiteral("--json"),
                              QStringLiteral("--no-dates"), t_.Path(QStringLiteral("c"))});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  const QJsonArray groups = o.value(QStringLiteral("groups")).toArray();
  ASSERT_EQ(groups.size(), 1) << r.out.toStdString();
  for (const auto& m : groups[0].toObject().value(QStringLiteral("members")).toArray()) {
    EXPECT_EQ(m.toObject().value(QStringLiteral("type_diff")).toInt(), 0);
  }
}

TEST_F(Utf8TextsCli, BoilerplateChunksReadAsWritten) {
  t_.WriteText(QStringLiteral("a.txt"), QStringLiteral("Erster Text über Bäume. ") + kSentence);
  t_.WriteText(QStringLiteral("b.txt"), kSentence + QStringLiteral(" Zweiter Text, ganz anders."));
  const CliResult r = RunCli({QStringLiteral("boilerplate"), QStringLiteral("--json"), t_.Root()});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonArray chunks =
      QJsonDocument::fromJson(r.out).object().value(QStringLiteral("chunks")).toArray();
  ASSERT_EQ(chunks.size(), 1) << r.out.toStdString();
  EXPECT_EQ(chunks[0].toObject().value(QStringLiteral("text")).toString(), kSentence);
}

TEST_F(Utf8TextsCli, RelevanceMatchesAMarkedFilterFileAndItsScoreReadsBack) {
  // "schön" from a filter file with a mark, in texts without one. 29 hits in
  // 256 words, one segment: the score is 2900 / 256 = 11.328125 exactly.
  const QString filters =
      t_.Write(QStringLiteral("filters.txt"),
               QByteArray("\xEF\xBB\xBF") + QStringLiteral("schön\t1\t0\t\n").toUtf8());
  QString text;
  for (int i = 0; i < 227; ++i) text += QStringLiteral("wort ");
  for (int i = 0; i < 29; ++i) text += QStringLiteral("schön ");
  t_.WriteText(QStringLiteral("c/de.txt"), text);
  t_.WriteText(QStringLiteral("c/other.txt"), QStringLiteral("schon ").repeated(256));
  const QStringList args = {
      QStringLiteral("relevance"),   QStringLiteral("--filters"),  filters,
      QStringLiteral("--folder"),    t_.Path(QStringLiteral("c")), QStringLiteral("--segments"),
      QStringLiteral("1"),           QStringLiteral("--coverage"), QStringLiteral("1"),
      QStringLiteral("--min-score"), QStringLiteral("1")};
  CliResult r = RunCli(args + QStringList{QStringLiteral("--json")});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonArray results =
      QJsonDocument::fromJson(r.out).object().value(QStringLiteral("results")).toArray();
  ASSERT_EQ(results.size(), 1) << r.out.toStdString();
  EXPECT_TRUE(results[0]
                  .toObject()
                  .value(QStringLiteral("file"))
                  .toString()
                  .endsWith(QStringLiteral("de.txt")));
  // The number as printed is the shortest that reads back as the same float.
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\"score\": ([-0-9.eE+]+)"))
                                        .match(QString::fromUtf8(r.out));
  ASSERT_TRUE(m.hasMatch());
  EXPECT_EQ(m.captured(1), QStringLiteral("11.328125"));
  // The human lines keep one decimal.
  r = RunCli(args);
  EXPECT_TRUE(r.out.startsWith("1\t11.3\t256\t1\t")) << r.out.toStdString();
}

TEST_F(Utf8TextsCli, SampleZipJoinsTheTextsAsWritten) {
  t_.Write(QStringLiteral("c/de.txt"), GermanProse(3));
  const QString zip = t_.Path(QStringLiteral("set.zip"));
  const CliResult r =
      RunCli({QStringLiteral("sample"), QStringLiteral("--folder"), t_.Path(QStringLiteral("c")),
              QStringLiteral("--size"), QStringLiteral("1"), QStringLiteral("--zip"), zip});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  const QByteArray joined = ZipEntry(zip, "as_one_text.txt");
  ASSERT_TRUE(joined.startsWith("\xEF\xBB\xBF"));
  const QString text = QString::fromUtf8(joined.mid(3));
  EXPECT_TRUE(text.contains(QStringLiteral("Über Brücken ") + kSentence + QStringLiteral("\r\n")))
      << text.toStdString();
}

TEST_F(Utf8TextsCli, SubCorporaWriteTheTextsAsWritten) {
  t_.Write(QStringLiteral("c/de.txt"), GermanProse(3));
  t_.SetMTime(QStringLiteral("c/de.txt"), 1262304000);  // 1 January 2010
  const CliResult r =
      RunCli({QStringLiteral("subcorpora"), QStringLiteral("--delicacy"), QStringLiteral("year"),
              t_.Path(QStringLiteral("c")), t_.Path(QStringLiteral("out"))});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QString all;
  QDirIterator it(t_.Path(QStringLiteral("out")), QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QByteArray b = ReadAll(it.next());
    ASSERT_TRUE(b.startsWith("\xFF\xFE")) << "sub-corpus files are UTF-16 LE with a mark";
    all += QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData() + 2),
                              (b.size() - 2) / 2);
  }
  EXPECT_TRUE(all.contains(kSentence)) << all.toStdString();
  EXPECT_FALSE(all.contains(QStringLiteral("Ã"))) << all.toStdString();
}
