#include "sampling/time_line_base.h"

namespace {
const char* const kNames[kTimeLinePlotbaseCount] = {
    "custom", "millennium", "century", "decade", "year",         "month",
    "week",   "day",        "hour",    "minute", "user-defined", "second",
};
}

QString TimeLinePlotbaseStr(int ordinal) {
  if (ordinal < 0 || ordinal >= kTimeLinePlotbaseCount) return {};
  return QString::fromLatin1(kNames[ordinal]);
}

int TimeLinePlotbaseFromName(const QString& name) {
  const QString n = name.trimmed().toLower();
  for (int i = 0; i < kTimeLinePlotbaseCount; ++i)
    if (n == QLatin1String(kNames[i])) return i;
  return -1;
}

std::vector<int> DelicacyOrdinals() { return {0, 1, 2, 3, 4, 5, 6, 7, 8, 10}; }

int DelicacyPositionForBase(int ordinal) {
  if (ordinal < 0) return 0;
  if (ordinal >= 9) return 9;
  return ordinal;
}

int DelicacyOrdinalAt(int position) {
  const auto ords = DelicacyOrdinals();
  if (position < 0 || position >= static_cast<int>(ords.size())) return -1;
  return ords[static_cast<std::size_t>(position)];
}
