#include "runtime/safe_move.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "support/test_support.h"

TEST(SafeMove, MovesWithoutEverReplacing) {
  TempTree t;
  const QString a = t.Write(QStringLiteral("a.txt"), "alpha");
  const QString b = t.Write(QStringLiteral("b.txt"), "beta");
  QString error;
  EXPECT_EQ(SafeMoveFile(a, b, &error), SafeFileResult::TargetExists);
  EXPECT_EQ(ReadAll(a), QByteArray("alpha"));
  EXPECT_EQ(ReadAll(b), QByteArray("beta"));
  const QString c = t.Path(QStringLiteral("c.txt"));
  EXPECT_EQ(SafeMoveFile(a, c, &error), SafeFileResult::Done) << error.toStdString();
  EXPECT_FALSE(QFileInfo::exists(a));
  EXPECT_EQ(ReadAll(c), QByteArray("alpha"));
  EXPECT_EQ(SafeMoveFile(a, t.Path(QStringLiteral("d.txt"))), SafeFileResult::SourceMissing);
}

TEST(SafeMove, CopiesNewFilesOnlyKeepingTheDateAndNoPartialCopy) {
  TempTree t;
  const QString a = t.Write(QStringLiteral("a.txt"), QByteArray(200000, 'x') + "end");
  t.SetMTime(QStringLiteral("a.txt"), 1600000000);
  const QString b = t.Write(QStringLiteral("b.txt"), "keep me");
  // A copy cut short by a killed run lies under the temporary name only; the
  // next copy of that file removes it, and a clash leaves no temporary file.
  for (const QString& target : {b, t.Path(QStringLiteral("c.txt"))})
    t.Write(QFileInfo(PartialCopyName(target)).fileName(), "cut sh");
  EXPECT_EQ(SafeCopyFile(a, b), SafeFileResult::TargetExists);
  EXPECT_EQ(ReadAll(b), QByteArray("keep me"));
  const QString c = t.Path(QStringLiteral("c.txt"));
  EXPECT_EQ(SafeCopyFile(a, c), SafeFileResult::Done);
  EXPECT_EQ(ReadAll(c), ReadAll(a));
  EXPECT_EQ(QFileInfo(c).lastModified().toSecsSinceEpoch(), 1600000000);
  EXPECT_TRUE(QFileInfo::exists(a));
  EXPECT_FALSE(QFileInfo::exists(PartialCopyName(b)));
  EXPECT_FALSE(QFileInfo::exists(PartialCopyName(c)));
}

TEST(SafeMove, AcrossFileSystemsCopiesVerifiesThenDeletes) {
  struct stat shm, tmp;
  if (::stat("/dev/shm", &shm) != 0 ||
      ::stat(QDir::tempPath().toLocal8Bit().constData(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
    GTEST_SKIP() << "no second file system to move across";
  QTemporaryDir other(QStringLiteral("/dev/shm/sorvel-move-XXXXXX"));
  ASSERT_TRUE(other.isValid());
  TempTree t;
  const QString a = t.Write(QStringLiteral("a.txt"), QByteArray(100000, 'y'));
  const QString b = t.Write(QStringLiteral("b.txt"), "b");
  const QString clash = other.path() + QStringLiteral("/b.moved");
  QFile older(clash);
  ASSERT_TRUE(older.open(QIODevice::WriteOnly) && older.write("older") == 5);
  older.close();
  EXPECT_EQ(SafeMoveFile(b, clash), SafeFileResult::TargetExists);
  EXPECT_EQ(ReadAll(clash), QByteArray("older"));
  EXPECT_TRUE(QFileInfo::exists(b));
  QString error;
  const QString target = other.path() + QStringLiteral("/a.moved");
  EXPECT_EQ(SafeMoveFile(a, target, &error), SafeFileResult::Done) << error.toStdString();
  EXPECT_FALSE(QFileInfo::exists(a));
  EXPECT_EQ(ReadAll(target), QByteArray(100000, 'y'));
}
