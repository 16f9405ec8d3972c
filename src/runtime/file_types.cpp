#include "runtime/file_types.h"

namespace {

constexpr FileTypeChoice kFileTypes[] = {
    {"all", "All files (*.*)", "*.*"},
    {"text", "Text files (*.txt)", "*.txt"},
    {"web", "Web files (*.xml;*.htm;*.html)", "*.xml;*.htm;*.html"},
};

}  // namespace

std::span<const FileTypeChoice> FileTypeChoices() { return kFileTypes; }

QStringList FileTypeCaptions() {
  QStringList captions;
  for (const FileTypeChoice& t : kFileTypes) captions << QString::fromLatin1(t.caption);
  return captions;
}

std::vector<std::string> FileTypeCliNames() {
  std::vector<std::string> names;
  for (const FileTypeChoice& t : kFileTypes) names.emplace_back(t.cli_name);
  return names;
}

QString FileTypeMaskAt(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kFileTypes)))
    return QString::fromLatin1(kFileTypes[0].mask);
  return QString::fromLatin1(kFileTypes[index].mask);
}

QString FileTypeMaskOfCliName(const QString& name) {
  const QString n = name.trimmed().toLower();
  for (const FileTypeChoice& t : kFileTypes)
    if (n == QLatin1String(t.cli_name)) return QString::fromLatin1(t.mask);
  return {};
}

QString FileTypeMaskOfCaption(const QString& text) {
  for (const FileTypeChoice& t : kFileTypes)
    if (text == QLatin1String(t.caption)) return QString::fromLatin1(t.mask);
  const QString t = text.trimmed();
  return t.isEmpty() ? FileTypeMaskAt(0) : t;
}
