#pragma once
// The file types a tool can be limited to: every file, plain texts, or web
// pages. Each type has the caption its combo box shows, the mask the file
// walk uses and the name sorvel-cli's --types option takes.

#include <QString>
#include <QStringList>
#include <span>
#include <string>
#include <vector>

struct FileTypeChoice {
  const char* cli_name;
  const char* caption;
  const char* mask;
};

// All, text, web: in the order the combo boxes list them.
std::span<const FileTypeChoice> FileTypeChoices();

QStringList FileTypeCaptions();
std::vector<std::string> FileTypeCliNames();
// The mask of the type at a combo-box index; every file's mask when the
// index is out of range.
QString FileTypeMaskAt(int index);
// The mask of a type named on the command line ("all", "text", "web", in any
// case, blanks around ignored); empty when there is no such type.
QString FileTypeMaskOfCliName(const QString& name);
// The mask of a caption; text that is no caption is taken as a mask itself
// (an editable combo box), and empty text as every file.
QString FileTypeMaskOfCaption(const QString& text);
