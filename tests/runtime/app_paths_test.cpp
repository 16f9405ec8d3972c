// Where the program finds its help guide (build tree, installed tree, XDG
// data folders) and where it writes its state.

#include "runtime/app_paths.h"

#include <gtest/gtest.h>

#include <QDir>

#include "support/test_support.h"

namespace {

// Sets an environment variable for one scope and puts the old value back.
struct ScopedEnv {
  ScopedEnv(const char* name, const QByteArray& value)
      : name(name), had(qEnvironmentVariableIsSet(name)), old(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() { had ? void(qputenv(name, old)) : void(qunsetenv(name)); }
  const char* name;
  bool had;
  QByteArray old;
};

}  // namespace

TEST(HelpFolder, BuildTreeThenInstalledPrefixThenXdgDataFolders) {
  TempTree tree;
  const QString program = tree.MakeDir(QStringLiteral("stage/usr/bin"));
  ScopedEnv data_home("XDG_DATA_HOME", tree.Path(QStringLiteral("home-data")).toLocal8Bit());
  ScopedEnv data_dirs("XDG_DATA_DIRS", tree.Path(QStringLiteral("system-data")).toLocal8Bit());
  const QStringList folders{"stage/usr/bin/help", "stage/usr/share/sorvel/help",
                            "home-data/sorvel/help", "system-data/sorvel/help"};
  QStringList paths;
  for (const QString& f : folders) paths << tree.Path(f);
  EXPECT_EQ(HelpFolderCandidates(program), paths);
  // No guide anywhere: the folder beside the program, to name in a message.
  EXPECT_EQ(FindHelpFolder(program), paths[0]);
  // Each folder is used when every better one lacks the guide's index; a
  // folder without index.html does not count.
  tree.WriteText(folders[2] + QStringLiteral("/topic-5140.html"), QStringLiteral("<html>"));
  for (const int better : {3, 1, 0}) {
    tree.WriteText(folders[better] + QStringLiteral("/index.html"), QStringLiteral("<html>"));
    EXPECT_EQ(FindHelpFolder(program), paths[better]);
  }
}

TEST(StateFolder, XdgStateHomeWhenAbsoluteElseTheHomeDefault) {
  ScopedEnv state("XDG_STATE_HOME", QByteArray("/var/tmp/ann-state/"));
  EXPECT_EQ(UserStateFolder(), QStringLiteral("/var/tmp/ann-state/sorvel"));
  qputenv("XDG_STATE_HOME", QByteArray("relative/state"));  // not valid there: ignored
  EXPECT_EQ(UserStateFolder(), QDir::homePath() + QStringLiteral("/.local/state/sorvel"));
}
