// The suite's settings file on arbitrary bytes: loading it, then handing the
// values that reach the engines to their users: the code page to the text
// decoder, the tag span to markup removal and the time-line base to the
// delicacy list.

#include <QFile>
#include <QString>

#include "fuzz_targets.h"
#include "runtime/markup.h"
#include "runtime/settings.h"
#include "runtime/text_reader.h"
#include "sampling/time_line_base.h"

int FuzzSettingsFile(const std::uint8_t* data, std::size_t size) {
  // A new name each time: the settings reader caches files by name and
  // modification time, which can repeat within one clock tick.
  static unsigned long long run = 0;
  const QString name = QStringLiteral("settings-%1.ini").arg(run++);
  const QString path = WriteFuzzScratchFile(name, reinterpret_cast<const char*>(data), size);
  const QByteArray earlier = qgetenv("SORVEL_SETTINGS");
  const bool had_earlier = qEnvironmentVariableIsSet("SORVEL_SETTINGS");
  qputenv("SORVEL_SETTINGS", QFile::encodeName(path));
  const SuiteSettings s = LoadSuiteSettings();
  if (had_earlier) {
    qputenv("SORVEL_SETTINGS", earlier);
  } else {
    qunsetenv("SORVEL_SETTINGS");
  }
  QFile::remove(path);
  FuzzCheck(!s.user_read_write_folder.isEmpty() && !s.default_results_folder.isEmpty(),
            "folders left without their defaults");

  if (SetAnsiCodePage(s.ansi_code_page)) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    DecodeAnsi(bytes.constData(), bytes.size());
  }
  SetAnsiCodePage(QStringLiteral("windows-1252"));

  const QString text = QStringLiteral("a <tag> b <unclosed c <x y=\"1\"> d >");
  const QString plain = WithoutMarkup(text, QLatin1Char('<'), QLatin1Char('>'), s.ignore_tags_span);
  FuzzCheck(plain.size() <= text.size(), "markup removal made the text longer");
  if (s.ignore_tags_span <= 0) FuzzCheck(plain == text, "markup removed with no tag span");

  TimeLinePlotbaseStr(s.time_line_plot_base);
  const int position = DelicacyPositionForBase(s.time_line_plot_base);
  FuzzCheck(position < 0 || DelicacyOrdinalAt(position) >= 0, "delicacy position out of the list");
  return 0;
}
