// Replays every kept fuzz input (the seeds under corpus/ and the former
// crashers under regressions/) through its target. A target aborts on a
// broken property, so a regression fails this test.

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include "fuzz_targets.h"

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

int ReplayAll(const QString& name, Target target) {
  int replayed = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    const QString folder =
        QStringLiteral(SORVEL_FUZZ_INPUTS "/%1/%2").arg(QLatin1String(kind), name);
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) {
      const QString path = it.next();
      QFile f(path);
      if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        continue;
      }
      const QByteArray bytes = f.readAll();
      SetFuzzInputName(path);
      target(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
             static_cast<std::size_t>(bytes.size()));
      ++replayed;
    }
  }
  SetFuzzInputName(QString());
  return replayed;
}

TEST(FuzzReplay, TextReaderInputs) {
  EXPECT_GT(ReplayAll(QStringLiteral("text_reader"), FuzzTextReader), 0);
}
TEST(FuzzReplay, FilterListInputs) {
  EXPECT_GT(ReplayAll(QStringLiteral("filter_list"), FuzzFilterList), 0);
}
TEST(FuzzReplay, SettingsFileInputs) {
  EXPECT_GT(ReplayAll(QStringLiteral("settings_file"), FuzzSettingsFile), 0);
}
TEST(FuzzReplay, ListFileInputs) {
  EXPECT_GT(ReplayAll(QStringLiteral("list_file"), FuzzListFile), 0);
}

}  // namespace
