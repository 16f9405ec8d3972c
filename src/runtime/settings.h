#pragma once
// Suite-wide settings, kept in one INI file that every tool of the suite
// reads. The file is $SORVEL_SETTINGS when set, else lexivor.ini in the user's
// configuration folder. No page setting is ever stored: only these.

#include <QString>

struct SuiteSettings {
  QString style = QStringLiteral("Office 2019 White");
  bool logging = false;
  QString log_file;   // logging happens only when this file exists;
                      // unset: sorvel.log in the user's state folder
  QString help_file;  // empty: the help guide shipped with the program
  int help_mode = 0;  // 0 local help file, 1 online help, other: none
  QString online_help_base = QStringLiteral("https://lexivor.example/help/");
  QString user_read_write_folder;
  int ignore_tags_span = 250;   // tag span for markup removal, in characters
  int time_line_plot_base = 4;  // default time-line base ordinal (year)
  QString default_results_folder;
  // Texts without a byte-order mark: "auto" (UTF-8 when the bytes are
  // well-formed UTF-8, else ansi_code_page), "utf-8", or a code page name
  // that every such text is read in.
  QString text_encoding = QStringLiteral("auto");
  QString ansi_code_page = QStringLiteral("windows-1252");  // the 8-bit code page of auto mode
};

QString SuiteSettingsPath();
// Reads the settings file (missing keys keep their defaults) and applies the
// code page and logging choices to the runtime. Safe to call again.
SuiteSettings LoadSuiteSettings();
bool SaveSuiteSettings(const SuiteSettings& s);
// Stores only the choice of how texts without a byte-order mark are read
// (text_encoding and ansi_code_page), leaving the rest of the file alone.
bool SaveTextEncodingSettings(const SuiteSettings& s);

// The current settings, loaded on first use.
const SuiteSettings& CurrentSuiteSettings();
void ReloadSuiteSettings();
// Replaces the current settings in memory only (tests, embedding).
void SetCurrentSuiteSettings(const SuiteSettings& s);

// The suite's shared menu state: whether a numbered menu item is checked.
// Kept in the settings file (group "menu_state"), where every tool of the
// suite sees the same choice.
void SetMenuItemChecked(int item, bool checked);
bool GetMenuItemChecked(int item);

// The word-buffer operations by their suite names.
QString GetCurrentTMSStyle();
QString GetUserReadWriteFolder();
QString GetDefaultFolder(int tool);
QString GetHelpfilename();
int GetHelpAccessMode();
bool GetLogging();
QString GetTheLogFilename();
int GetIgnoreTagsSpan();
int GetTimeLinePlotBase();
