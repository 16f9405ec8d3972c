#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <csignal>
#include <random>

#include "../duplicates/dup_contents_test_corpus.h"
#include "cli/cli_runner.h"
#include "runtime/native_names.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

// The number of entries of a complete archive, or -1 when it is not one.
int ArchiveEntries(const QString& path) {
  int err = 0;
  zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err);
  if (!za) return -1;
  const int n = static_cast<int>(zip_get_num_entries(za, 0));
  zip_discard(za);
  return n;
}

QStringList HiddenLeftovers(const QString& folder) {
  return QDir(folder).entryList({u".*sorvel-partial*"_s}, QDir::Files | QDir::Hidden);
}

}  // namespace

TEST(SamplingCli, ZipNeverReplacesWithoutYesNorOverACorpusText) {
  TempTree t;
  for (int k = 0; k < 4; ++k)
    t.Write(u"corpus/t%1.txt"_s.arg(k), "text number " + QByteArray::number(k));
  const QString corpus = t.Path(u"corpus"_s);
  const QString text = t.Path(u"corpus/t2.txt"_s);
  const QStringList draw{u"sample"_s, u"--size"_s,   u"3"_s, u"--seed"_s,
                         u"1"_s,      u"--folder"_s, corpus};

  // A corpus text given as the archive's name: refused, even with --yes.
  for (const QStringList& extra : {QStringList{}, QStringList{u"--yes"_s}}) {
    const CliResult r = RunCli(draw + extra + QStringList{u"--zip"_s, text});
    EXPECT_EQ(r.code, 2) << r.err.constData();
    EXPECT_TRUE(r.err.contains("sampled folder")) << r.err.constData();
    EXPECT_EQ(ReadAll(text), QByteArray("text number 2"));
  }
  // An existing file elsewhere: refused without --yes, replaced with it.
  const QString zip = t.Write(u"out/set.zip"_s, "older file");
  CliResult r = RunCli(draw + QStringList{u"--zip"_s, zip});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("--yes")) << r.err.constData();
  EXPECT_EQ(ReadAll(zip), QByteArray("older file"));
  r = RunCli(draw + QStringList{u"--yes"_s, u"--zip"_s, zip});
  EXPECT_EQ(r.code, 0) << r.err.constData();
  EXPECT_EQ(ArchiveEntries(zip), 2 + 3);
  EXPECT_TRUE(HiddenLeftovers(t.Path(u"out"_s)).isEmpty());

  // The report counts the texts archived, not the lines of the list.
  const QString list =
      t.Write(u"list.txt"_s, (t.Path(u"corpus/t0.txt"_s) + "\n" + t.Path(u"gone1.txt"_s) + "\n" +
                              t.Path(u"corpus/t1.txt"_s) + "\n" + t.Path(u"gone2.txt"_s) + "\n")
                                 .toUtf8());
  const QString zip2 = t.Path(u"out/list.zip"_s);
  r = RunCli(
      {u"sample"_s, u"--size"_s, u"9"_s, u"--list"_s, list, u"--no-reduce"_s, u"--zip"_s, zip2});
  EXPECT_EQ(r.code, 0) << r.err.constData();
  EXPECT_TRUE(r.out.contains("(2 texts)")) << r.out.constData();
  r = RunCli({u"sample"_s, u"--size"_s, u"9"_s, u"--list"_s, list, u"--no-reduce"_s, u"--json"_s,
              u"--yes"_s, u"--zip"_s, zip2});
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(u"zip"_s).toObject().value(u"files"_s).toInt(), 2);
  // Nor is the list file itself ever the archive.
  r = RunCli({u"sample"_s, u"--size"_s, u"9"_s, u"--list"_s, list, u"--yes"_s, u"--zip"_s, list});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(ReadAll(list).startsWith(t.Path(u"corpus/t0.txt"_s).toUtf8()));
}

TEST(SamplingCli, InterruptedZipLeavesNoTemporaryArchive) {
  TempTree t;
  for (int k = 0; k < 4; ++k)
    t.Write(u"corpus/t%1.txt"_s.arg(k), DupTestText(static_cast<std::uint32_t>(k), 600000));
  const QString out = t.MakeDir(u"out"_s);
  const QString zip = out + u"/set.zip"_s;
  const QStringList args{u"sample"_s,   u"--size"_s,         u"4"_s,
                         u"--folder"_s, t.Path(u"corpus"_s), u"--yes"_s,
                         u"--quiet"_s,  u"--zip"_s,          zip};
  // A temporary archive of a killed run is removed by the next run.
  t.Write(u"out/.set.zip.sorvel-partial.Ab12Cd"_s, "left by a killed run");
  QElapsedTimer timer;
  timer.start();
  ASSERT_EQ(RunCli(args).code, 0);
  const qint64 whole_ms = timer.elapsed();
  EXPECT_EQ(HiddenLeftovers(out), QStringList());
  QFile::remove(zip);

  std::mt19937 random(11u);
  for (int round = 0; round < 4; ++round) {
    QProcess p;
    p.start(QStringLiteral(SORVEL_CLI_PATH), args);
    ASSERT_TRUE(p.waitForStarted());
    const int wait_ms =
        static_cast<int>(std::uniform_int_distribution<qint64>(whole_ms / 5, whole_ms)(random));
    if (!p.waitForFinished(wait_ms)) ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    p.waitForFinished(60000);  // false as well when it had ended already
    ASSERT_EQ(p.state(), QProcess::NotRunning);
    EXPECT_EQ(HiddenLeftovers(out), QStringList()) << "interrupted after " << wait_ms << " ms";
    // The archive is there complete, or not at all.
    if (QFile::exists(zip)) {
      EXPECT_EQ(ArchiveEntries(zip), 2 + 4);
    }
    QFile::remove(zip);
  }
}

TEST(SamplingCli, ZipMemoryStaysNearTheLargestText) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's shadow memory swamps the figure";
#endif
  TempTree t;
  const QByteArray big = DupTestText(3, 3000000);  // about 20 MB
  t.Write(u"corpus/big.txt"_s, big);
  t.Write(u"corpus/small.txt"_s, "small");
  const CliResult r = RunCli({u"sample"_s, u"--size"_s, u"2"_s, u"--folder"_s, t.Path(u"corpus"_s),
                              u"--zip"_s, t.Path(u"set.zip"_s)});
  ASSERT_EQ(r.code, 0) << r.err.constData();
  struct rusage usage;
  ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
  const long long peak_bytes = static_cast<long long>(usage.ru_maxrss) * 1024;
  // Twice the largest text plus a fixed amount for the program itself.
  EXPECT_LT(peak_bytes, 2LL * big.size() + (60LL << 20)) << "peak " << (peak_bytes >> 20) << " MB";
}

TEST(SamplingCli, SubCorporaPrintsWalkProblems) {
  // A sub-folder that the user cannot enter is named on stderr, the readable
  // texts are still regrouped, and the exit status says that files were missed.
  TempTree t;
  ASSERT_EQ(::chmod(NativeFromName(t.Root()).constData(), 0755), 0);
  t.Write(u"src/good.txt"_s, "good text");
  t.Write(u"src/locked/hidden.txt"_s, "hidden text");
  const QString locked = t.Path(u"src/locked"_s);
  ASSERT_TRUE(QDir().mkpath(t.Path(u"out"_s)));
  ASSERT_EQ(::chmod(NativeFromName(t.Path(u"out"_s)).constData(), 0777), 0);
  ASSERT_EQ(::chmod(NativeFromName(locked).constData(), 0), 0);
  const CliResult r = RunCliUnprivileged(
      {u"subcorpora"_s, u"--delicacy"_s, u"year"_s, t.Path(u"src"_s), t.Path(u"out"_s)});
  ::chmod(NativeFromName(locked).constData(), 0755);
  EXPECT_EQ(r.code, 3) << r.err.constData();
  EXPECT_TRUE(r.err.contains(NativeFromName(locked))) << r.err.constData();
  EXPECT_EQ(QDir(t.Path(u"out/year"_s)).entryList(QDir::Files).size(), 1);
}

TEST(SamplingCli, EveryRunEndsWithItsSummaryOnStderr) {
  TempTree t;
  ASSERT_EQ(::chmod(NativeFromName(t.Root()).constData(), 0755), 0);
  for (int k = 0; k < 4; ++k) {
    t.Write(u"corpus/t%1.txt"_s.arg(k), "text number " + QByteArray::number(k));
    t.SetMTime(u"corpus/t%1.txt"_s.arg(k), 1262347200);  // 1 January 2010
  }
  const QString corpus = t.Path(u"corpus"_s);
  const QString zip = t.Path(u"set.zip"_s);
  const QStringList draw{u"sample"_s, u"--size"_s, u"3"_s, u"--seed"_s, u"1"_s};
  auto last_line = [](const CliResult& r) {
    return QString::fromLocal8Bit(r.err).trimmed().split(QLatin1Char('\n')).last();
  };

  CliResult r = RunCli(draw + QStringList{u"--json"_s, u"--folder"_s, corpus, u"--zip"_s, zip});
  ASSERT_EQ(r.code, 0) << r.err.constData();
  EXPECT_EQ(last_line(r), u"Checked 4 files: 3 files in the sample, 3 texts saved in "_s + zip);
  r = RunCli(draw + QStringList{u"--quiet"_s, u"--folder"_s, corpus});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
  const QString missing = t.Path(u"gone"_s);
  r = RunCli(draw + QStringList{u"--folder"_s, missing});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(last_line(r), u"Folder not found: "_s + missing);

  const QString out = t.MakeDir(u"out"_s);
  ASSERT_EQ(::chmod(NativeFromName(out).constData(), 0777), 0);
  const QStringList build{u"subcorpora"_s, u"--delicacy"_s, u"year"_s, corpus, out};
  r = RunCliUnprivileged(build);
  ASSERT_EQ(r.code, 0) << r.err.constData();
  EXPECT_EQ(r.out.trimmed(), ("1 sub-corpus file saved in " + out + "/year").toUtf8());
  EXPECT_EQ(last_line(r), u"Checked 4 files: 1 sub-corpus file written"_s);

  // A text that cannot be read ends the build: it is named, nothing is
  // written, and the closing line says so.
  const QString written = ReadAll(out + u"/year/2010.txt"_s);
  const QString locked = t.Path(u"corpus/t2.txt"_s);
  ASSERT_EQ(::chmod(NativeFromName(locked).constData(), 0), 0);
  r = RunCliUnprivileged(build);
  ::chmod(NativeFromName(locked).constData(), 0644);
  EXPECT_EQ(r.code, 3) << r.err.constData();
  EXPECT_TRUE(r.err.contains(NativeFromName(locked))) << r.err.constData();
  EXPECT_EQ(last_line(r), QStringLiteral("Checked 2 files: the run failed, and no sub-corpus file "
                                         "was written"));
  EXPECT_EQ(ReadAll(out + u"/year/2010.txt"_s), written);
}
