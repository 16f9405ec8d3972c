#include "sampling/time_line_base.h"

#include <algorithm>

namespace {
const char* const kNames[kTimeLineBaseCount] = {
    "custom", "millennium", "century", "decade", "year",         "month",
    "week",   "day",        "hour",    "minute", "user-defined", "second",
};
}

QString TimeLinePlotbaseStr(int ordinal) {
  if (ordinal < 0 || ordinal >= kTimeLineBaseCount) return {};
  return QString::fromLatin1(kNames[ordinal]);
}

int TimeLineBaseFromName(const QString& name) {
  const QString n = name.trimmed().toLower();
  for (int i = 0; i < kTimeLineBaseCount; ++i)
    if (n == QLatin1String(kNames[i])) return i;
  return -1;
}

std::vector<int> DelicacyOrdinals() {
  return {tlbDecade, tlbYear, tlbMonth, tlbWeek, tlbDay, tlbHour};
}

int DelicacyPositionForBase(int ordinal) {
  if (ordinal == tlbCustom || ordinal == tlbUserDefined) return tlbYear - tlbDecade;
  return std::clamp(ordinal, static_cast<int>(tlbDecade), static_cast<int>(tlbHour)) - tlbDecade;
}

int DelicacyOrdinalAt(int position) {
  const auto ords = DelicacyOrdinals();
  if (position < 0 || position >= static_cast<int>(ords.size())) return -1;
  return ords[static_cast<std::size_t>(position)];
}
