#include "runtime/settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <mutex>

#include "runtime/app_paths.h"
#include "runtime/log.h"
#include "runtime/text_reader.h"

namespace {
std::mutex g_settings_mutex;
bool g_loaded = false;
SuiteSettings g_settings;

void Apply(const SuiteSettings& s) {
  // A value the runtime cannot use leaves the built-in default in force; the
  // command line checks the stored choice itself and says so.
  if (!SetAnsiCodePage(s.ansi_code_page)) SetAnsiCodePage(QStringLiteral("windows-1252"));
  if (!SetTextDecoding(s.text_encoding)) SetTextDecoding(QStringLiteral("auto"));
  SetLogFilename(s.log_file);
  SetLogging(s.logging);
}
}  // namespace

QString SuiteSettingsPath() {
  const QString env = qEnvironmentVariable("SORVEL_SETTINGS");
  if (!env.isEmpty()) return env;
  QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (dir.isEmpty()) dir = QDir::homePath() + QStringLiteral("/.config");
  return dir + QStringLiteral("/lexivor/lexivor.ini");
}

SuiteSettings LoadSuiteSettings() {
  SuiteSettings s;
  QSettings ini(SuiteSettingsPath(), QSettings::IniFormat);
  ini.beginGroup(QStringLiteral("suite"));
  s.style = ini.value(QStringLiteral("style"), s.style).toString();
  s.logging = ini.value(QStringLiteral("logging"), s.logging).toBool();
  s.log_file = ini.value(QStringLiteral("log_file"), s.log_file).toString();
  s.help_file = ini.value(QStringLiteral("help_file"), s.help_file).toString();
  s.help_mode = ini.value(QStringLiteral("help_mode"), s.help_mode).toInt();
  s.online_help_base = ini.value(QStringLiteral("online_help_base"), s.online_help_base).toString();
  s.user_read_write_folder =
      ini.value(QStringLiteral("user_read_write_folder"), s.user_read_write_folder).toString();
  s.ignore_tags_span = ini.value(QStringLiteral("ignore_tags_span"), s.ignore_tags_span).toInt();
  s.time_line_plot_base =
      ini.value(QStringLiteral("time_line_plot_base"), s.time_line_plot_base).toInt();
  s.default_results_folder =
      ini.value(QStringLiteral("default_results_folder"), s.default_results_folder).toString();
  s.text_encoding = ini.value(QStringLiteral("text_encoding"), s.text_encoding).toString();
  s.ansi_code_page = ini.value(QStringLiteral("ansi_code_page"), s.ansi_code_page).toString();
  ini.endGroup();
  if (s.log_file.isEmpty()) {
    // The log goes where the user can write, never beside the program.
    s.log_file = UserStateFolder() + QStringLiteral("/sorvel.log");
  }
  if (s.user_read_write_folder.isEmpty()) {
    s.user_read_write_folder = QDir::homePath() + QStringLiteral("/Lexivor");
  }
  if (s.default_results_folder.isEmpty()) {
    s.default_results_folder = s.user_read_write_folder + QStringLiteral("/results");
  }
  return s;
}

namespace {
QString MenuItemKey(int item) { return QStringLiteral("menu_state/item%1").arg(item); }
}  // namespace

void SetMenuItemChecked(int item, bool checked) {
  QSettings ini(SuiteSettingsPath(), QSettings::IniFormat);
  ini.setValue(MenuItemKey(item), checked);
}

bool GetMenuItemChecked(int item) {
  QSettings ini(SuiteSettingsPath(), QSettings::IniFormat);
  return ini.value(MenuItemKey(item), false).toBool();
}

bool SaveSuiteSettings(const SuiteSettings& s) {
  QSettings ini(SuiteSettingsPath(), QSettings::IniFormat);
  ini.beginGroup(QStringLiteral("suite"));
  ini.setValue(QStringLiteral("style"), s.style);
  ini.setValue(QStringLiteral("logging"), s.logging);
  ini.setValue(QStringLiteral("log_file"), s.log_file);
  ini.setValue(QStringLiteral("help_file"), s.help_file);
  ini.setValue(QStringLiteral("help_mode"), s.help_mode);
  ini.setValue(QStringLiteral("online_help_base"), s.online_help_base);
  ini.setValue(QStringLiteral("user_read_write_folder"), s.user_read_write_folder);
  ini.setValue(QStringLiteral("ignore_tags_span"), s.ignore_tags_span);
  ini.setValue(QStringLiteral("time_line_plot_base"), s.time_line_plot_base);
  ini.setValue(QStringLiteral("default_results_folder"), s.default_results_folder);
  ini.setValue(QStringLiteral("text_encoding"), s.text_encoding);
  ini.setValue(QStringLiteral("ansi_code_page"), s.ansi_code_page);
  ini.endGroup();
  ini.sync();
  return ini.status() == QSettings::NoError;
}

bool SaveTextEncodingSettings(const SuiteSettings& s) {
  QSettings ini(SuiteSettingsPath(), QSettings::IniFormat);
  ini.beginGroup(QStringLiteral("suite"));
  ini.setValue(QStringLiteral("text_encoding"), s.text_encoding);
  ini.setValue(QStringLiteral("ansi_code_page"), s.ansi_code_page);
  ini.endGroup();
  ini.sync();
  return ini.status() == QSettings::NoError;
}

const SuiteSettings& CurrentSuiteSettings() {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  if (!g_loaded) {
    g_settings = LoadSuiteSettings();
    Apply(g_settings);
    g_loaded = true;
  }
  return g_settings;
}

void ReloadSuiteSettings() {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  g_settings = LoadSuiteSettings();
  Apply(g_settings);
  g_loaded = true;
}

void SetCurrentSuiteSettings(const SuiteSettings& s) {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  g_settings = s;
  Apply(g_settings);
  g_loaded = true;
}

QString GetCurrentTMSStyle() { return CurrentSuiteSettings().style; }
QString GetUserReadWriteFolder() { return CurrentSuiteSettings().user_read_write_folder; }
QString GetDefaultFolder(int) { return CurrentSuiteSettings().default_results_folder; }
QString GetHelpfilename() { return CurrentSuiteSettings().help_file; }
int GetHelpAccessMode() { return CurrentSuiteSettings().help_mode; }
bool GetLogging() { return CurrentSuiteSettings().logging; }
QString GetTheLogFilename() { return CurrentSuiteSettings().log_file; }
int GetIgnoreTagsSpan() { return CurrentSuiteSettings().ignore_tags_span; }
int GetTimeLinePlotBase() { return CurrentSuiteSettings().time_line_plot_base; }
