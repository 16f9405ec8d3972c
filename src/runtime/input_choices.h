#pragma once
// The choice records of the small chooser windows ("Choose input",
// "Choose a folder", "Save a sample in RTF format"). Engines read them, so
// they live here, apart from the windows that fill them.

#include <QString>

enum class FileOrFolder { t_textfile, t_folder_contents };

// What "Choose input" returns; all five fields are filled on every OK.
struct FileSourceChoice {
  FileOrFolder file_or_folder = FileOrFolder::t_folder_contents;
  bool include_sub_folders = true;
  QString head_folder;
  QString file_list;  // a file naming one text file per line
  QString filemask = QStringLiteral("*.*");
};

// What "Save a sample in RTF format" returns.
struct RtfSampleChoice {
  QString folder;
  int start_num = 0;    // 0-based index of the first result to save
  int sample_size = 0;  // how many results to save
};
