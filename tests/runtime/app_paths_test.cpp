// Where the program finds its help guide (build tree, installed tree, XDG
// data folders) and where it writes its state.

#include "runtime/app_paths.h"

#include <gtest/gtest.h>

#include <QDir>

#include "support/test_support.h"

namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() { had_ ? void(qputenv(name_, old_)) : void(qunsetenv(name_)); }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

}  // namespace

TEST(HelpFolder, BuildTreeThenInstalledPrefixThenXdgDataFolders) {
  TempTree tree;
  const QString program = tree.MakeDir(QStringLiteral("stage/usr/bin"));
  ScopedEnv data_home("XDG_DATA_HOME", tree.Path(QStringLiteral("home-data")).toLocal8Bit());
  ScopedEnv data_dirs("XDG_DATA_DIRS", tree.Path(QStringLiteral("system-data")).toLocal8Bit());
  const QString beside = tree.Path(QStringLiteral("stage/usr/bin/help"));
  const QString installed = tree.Path(QStringLiteral("stage/usr/share/sorvel/help"));
  const QString user_data = tree.Path(QStringLiteral("home-data/sorvel/help"));
  const QString system_data = tree.Path(QStringLiteral("system-data/sorvel/help"));
  EXPECT_EQ(HelpFolderCandidates(program),
            QStringList({beside, installed, user_data, system_data}));

  // No guide anywhere: the folder beside the program, to name in a message.
  EXPECT_EQ(FindHelpFolder(program), beside);
  // Each folder is used when every better one lacks the guide's index; a
  // folder without index.html does not count.
  tree.WriteText(QStringLiteral("system-data/sorvel/help/index.html"), QStringLiteral("<html>"));
  tree.WriteText(QStringLiteral("home-data/sorvel/help/topic-5140.html"), QStringLiteral("<html>"));
  EXPECT_EQ(FindHelpFolder(program), system_data);
  tree.WriteText(QStringLiteral("stage/usr/share/sorvel/help/index.html"),
                 QStringLiteral("<html>"));
  EXPECT_EQ(FindHelpFolder(program), installed);
  tree.WriteText(QStringLiteral("stage/usr/bin/help/index.html"), QStringLiteral("<html>"));
  EXPECT_EQ(FindHelpFolder(program), beside);
}

TEST(StateFolder, XdgStateHomeWhenAbsoluteElseTheHomeDefault) {
  const QString home_default = QDir::homePath() + QStringLiteral("/.local/state/sorvel");
  {
    ScopedEnv state("XDG_STATE_HOME", QByteArray("/var/tmp/ann-state/"));
    EXPECT_EQ(UserStateFolder(), QStringLiteral("/var/tmp/ann-state/sorvel"));
  }
  {
    // A relative path is not valid there and is ignored.
    ScopedEnv state("XDG_STATE_HOME", QByteArray("relative/state"));
    EXPECT_EQ(UserStateFolder(), home_default);
  }
}
