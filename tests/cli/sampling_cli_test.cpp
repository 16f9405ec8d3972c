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

QString LastLine(const CliResult& r) {
  return QString::fromLocal8Bit(r.err).trimmed().split(QLatin1Char('\n')).last();
}

// Four short texts of 1 January 2010 that the unprivileged child can read.
struct SamplingCli : ::testing::Test {
  TempTree t;
  const QString corpus = t.Path(u"corpus"_s);
  const QStringList draw{u"sample"_s, u"--size"_s,   u"3"_s, u"--seed"_s,
                         u"1"_s,      u"--folder"_s, corpus};
  void SetUp() override {
    ASSERT_EQ(::chmod(NativeFromName(t.Root()).constData(), 0755), 0);
    for (int k = 0; k < 4; ++k) {
      t.Write(u"corpus/t%1.txt"_s.arg(k), "text number " + QByteArray::number(k));
      t.SetMTime(u"corpus/t%1.txt"_s.arg(k), 1262347200);
    }
  }
};

}  // namespace

TEST_F(SamplingCli, ZipNeverReplacesWithoutYesNorOverACorpusTextAndEndsWithItsSummary) {
  // A corpus text given as the archive's name: refused, even with --yes.
  const QString text = t.Path(u"corpus/t2.txt"_s);
  CliResult r = RunCli(draw + QStringList{u"--yes"_s, u"--zip"_s, text});
  EXPECT_EQ(r.code, 2) << r.err.constData();
  EXPECT_TRUE(r.err.contains("sampled folder")) << r.err.constData();
  EXPECT_EQ(ReadAll(text), QByteArray("text number 2"));
  // An existing file elsewhere: refused without --yes, replaced with it.
  const QString zip = t.Write(u"out/set.zip"_s, "older file");
  r = RunCli(draw + QStringList{u"--zip"_s, zip});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains("--yes")) << r.err.constData();
  EXPECT_EQ(ReadAll(zip), QByteArray("older file"));
  r = RunCli(draw + QStringList{u"--yes"_s, u"--json"_s, u"--zip"_s, zip});
  EXPECT_EQ(r.code, 0) << r.err.constData();
  EXPECT_EQ(ArchiveEntries(zip), 2 + 3);
  EXPECT_TRUE(HiddenLeftovers(t.Path(u"out"_s)).isEmpty());
  const QJsonObject o = QJsonDocument::fromJson(r.out).object();
  EXPECT_EQ(o.value(u"zip"_s).toObject().value(u"files"_s).toInt(), 3);
  EXPECT_EQ(LastLine(r), u"Checked 4 files: 3 files in the sample, 3 texts saved in "_s + zip);
  r = RunCli(draw + QStringList{u"--quiet"_s});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
  // Nor is the list file itself ever the archive.
  const QString list = t.Write(u"list.txt"_s, (t.Path(u"corpus/t0.txt"_s) + "\n").toUtf8());
  r = RunCli({u"sample"_s, u"--size"_s, u"9"_s, u"--list"_s, list, u"--yes"_s, u"--zip"_s, list});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(ReadAll(list), (t.Path(u"corpus/t0.txt"_s) + "\n").toUtf8());
}

TEST_F(SamplingCli, SubCorporaPrintTheirFolderSummaryAndWalkProblems) {
  const QString out = t.MakeDir(u"out"_s);
  ASSERT_EQ(::chmod(NativeFromName(out).constData(), 0777), 0);
  const QStringList build{u"subcorpora"_s, u"--delicacy"_s, u"year"_s, corpus, out};
  CliResult r = RunCliUnprivileged(build);
  ASSERT_EQ(r.code, 0) << r.err.constData();
  EXPECT_EQ(r.out.trimmed(), ("1 sub-corpus file saved in " + out + "/year").toUtf8());
  EXPECT_EQ(LastLine(r), u"Checked 4 files: 1 sub-corpus file written"_s);
  // A sub-folder that cannot be entered is named on stderr, the readable
  // texts are still regrouped, and the exit status says files were missed.
  t.Write(u"corpus/locked/hidden.txt"_s, "hidden");
  const QByteArray locked = NativeFromName(t.Path(u"corpus/locked"_s));
  ASSERT_EQ(::chmod(locked.constData(), 0), 0);
  r = RunCliUnprivileged(build);
  ::chmod(locked.constData(), 0755);
  EXPECT_EQ(r.code, 3) << r.err.constData();
  EXPECT_TRUE(r.err.contains(locked)) << r.err.constData();
  EXPECT_EQ(QDir(out + u"/year"_s).entryList(QDir::Files).size(), 1);
}

TEST(SamplingCliZip, InterruptedZipLeavesNoTemporaryArchive) {
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

TEST(SamplingCliZip, ZipMemoryStaysNearTheLargestText) {
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
