// Kills sorvel-cli while it restores moved files, at random moments, and
// checks every byte afterwards: each file must stand complete under its old
// name or its new one (or both), never cut short under a final name, and a
// second run must finish the job and leave no temporary file behind. Moving
// copies aside goes through the same file mover as a restore.
//
// Across file systems a move is a copy that takes a while, which is where a
// kill can cut a file short: the child binds a folder of /dev/shm (memory)
// onto the moved-files folder inside a private mount namespace, so the moves
// cross from the build disk to memory. Without a second file system the
// restore is killed between its renames instead.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <iostream>
#include <memory>
#include <random>

#include "cli/cli_runner.h"
#include "duplicates/dup_contents_moving.h"
#include "support/test_support.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kFiles = 2;
constexpr qint64 kSize =
    24 << 20;  // large, so that a copy is slow enough to be caught in the middle

// Empty when /dev/shm is another file system that can be bound into the tree;
// otherwise why not.
QString NoSecondFileSystem() {
  struct stat shm, build;
  if (::stat("/dev/shm", &shm) != 0 ||
      ::stat(QDir::tempPath().toLocal8Bit().constData(), &build) != 0)
    return u"/dev/shm is missing"_s;
  if (shm.st_dev == build.st_dev)
    return u"/dev/shm lies on the same file system as the temporary folder"_s;
  QProcess p;
  p.start(u"unshare"_s, {u"-rm"_s, u"true"_s});
  if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    return u"cannot make a private mount namespace (unshare -rm)"_s;
  return {};
}

// A tree whose folder x has the moved files f0.moved, f1.moved ... in its
// moved-files folder, or in memory bound onto that folder for the child.
struct RestoreRound {
  TempTree tree;
  std::unique_ptr<QTemporaryDir> memory;

  QString MovedFolder() const { return tree.Path(u"x/"_s + MovedFilesWord()); }
  QString Moved(int k) const {
    return (memory ? memory->path() : MovedFolder()) + u"/f%1.%2"_s.arg(k).arg(MovedFilesWord());
  }
  QString Restored(int k) const { return tree.Path(u"x/f%1.txt"_s.arg(k)); }

  void StartRestore(QProcess& p) const {
    const QStringList args{u"restore"_s, u"--yes"_s, u"--quiet"_s, tree.Root()};
    if (!memory) {
      p.start(QStringLiteral(SORVEL_CLI_PATH), args);
    } else {
      p.start(u"unshare"_s,
              QStringList{u"-rm"_s, u"sh"_s, u"-c"_s,
                          u"mount --bind \"$0\" \"$1\" && shift && exec \"$@\""_s, memory->path(),
                          MovedFolder(), QStringLiteral(SORVEL_CLI_PATH)} +
                  args);
    }
    p.waitForStarted();
  }

  // Every file stands complete at one of its names at least, and never cut
  // short at either. Returns how many stand at their restored name.
  int Check(const std::vector<QByteArray>& texts, const QString& when) const {
    int restored = 0;
    for (int k = 0; k < kFiles; ++k) {
      const bool at_from = QFileInfo::exists(Moved(k)), at_to = QFileInfo::exists(Restored(k));
      const std::string what = when.toStdString() + ": f" + std::to_string(k);
      EXPECT_TRUE(at_from || at_to) << what << " is lost";
      EXPECT_TRUE(!at_from || ReadAll(Moved(k)) == texts[k]) << what << " changed where it was";
      EXPECT_TRUE(!at_to || ReadAll(Restored(k)) == texts[k]) << what << " cut short";
      restored += at_to;
    }
    return restored;
  }
};

}  // namespace

TEST(MoveKillCli, RestoreKilledAtRandomMomentsLosesNothing) {
  const QString why = NoSecondFileSystem();
  const bool across_file_systems = why.isEmpty();
  if (!across_file_systems) std::cerr << "within one file system: " << why.toStdString() << "\n";
  std::mt19937 random(20261207u);
  std::vector<QByteArray> texts(kFiles, QByteArray(kSize, Qt::Uninitialized));
  for (QByteArray& text : texts)
    for (char& c : text) c = static_cast<char>(random());
  int cut_in_the_middle = 0;
  for (int round = 0; round < 4; ++round) {
    RestoreRound r;
    if (across_file_systems)
      r.memory = std::make_unique<QTemporaryDir>(u"/dev/shm/sorvel-kill-XXXXXX"_s);
    r.tree.MakeDir(u"x"_s);
    QDir().mkpath(r.MovedFolder());
    for (int k = 0; k < kFiles; ++k) {
      QFile f(r.Moved(k));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(texts[k]);
    }
    QProcess p;
    r.StartRestore(p);
    // The kill comes 0 to 150 ms after the first file shows up in x (a
    // temporary copy or a file in place); across file systems mostly the
    // moment a file in x is seen half written, in the middle of a copy.
    const bool mid_copy = across_file_systems && round % 3 != 2;
    auto seen = [&] {
      for (const QFileInfo& f : QDir(r.tree.Path(u"x"_s)).entryInfoList(QDir::Files | QDir::Hidden))
        if (!mid_copy || (f.size() > 0 && f.size() < kSize)) return true;
      return false;
    };
    QElapsedTimer timer;
    timer.start();
    while (p.state() != QProcess::NotRunning && timer.elapsed() < 120000 && !seen())
      QThread::usleep(200);
    const int wait_ms = mid_copy ? 0 : std::uniform_int_distribution<int>(0, 150)(random);
    if (!p.waitForFinished(wait_ms)) ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(60000);
    const QString when =
        mid_copy ? u"killed while copying"_s : u"killed %1 ms into the moves"_s.arg(wait_ms);
    if (r.Check(texts, when) < kFiles) ++cut_in_the_middle;

    // The next run finishes the job and removes what the killed one left.
    QProcess again;
    r.StartRestore(again);
    again.waitForFinished(300000);
    EXPECT_EQ(r.Check(texts, when + u", then run again"_s), kFiles);
    QDirIterator partial(r.tree.Root(), {u"*.sorvel-partial"_s}, QDir::Files | QDir::Hidden,
                         QDirIterator::Subdirectories);
    EXPECT_FALSE(partial.hasNext()) << when.toStdString();
  }
  // Most kills must have come in the middle of the copies, or the test has
  // not tried what it is for.
  EXPECT_TRUE(!across_file_systems || cut_in_the_middle >= 2) << cut_in_the_middle;
}
