#pragma once
// Where the program finds what it ships and where it writes what it makes:
// the help guide in the build tree or an installed tree, and the user's own
// state folder for crash reports and logs.

#include <QString>
#include <QStringList>

// The folders the help guide is looked for in, best first:
//   1. help/ beside the program (the build tree);
//   2. sorvel/help in the data folder of the prefix the program is installed
//      in (<prefix>/share/sorvel/help for <prefix>/bin/sorvel), so that an
//      installed tree works wherever it was put;
//   3. sorvel/help in each XDG data folder ($XDG_DATA_HOME, $XDG_DATA_DIRS).
QStringList HelpFolderCandidates(const QString& program_folder);
// The first candidate that holds the guide's index.html; when none does, the
// folder beside the program, so that a message can name where it looked.
QString FindHelpFolder(const QString& program_folder);

// The user's state folder for Sorvel: $XDG_STATE_HOME/sorvel, or
// ~/.local/state/sorvel when XDG_STATE_HOME is unset or not an absolute path.
// It is not created here; whoever writes into it creates it.
QString UserStateFolder();
