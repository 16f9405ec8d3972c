#pragma once
// The time-line bases of the suite: how finely dated texts are grouped.

#include <QString>
#include <QStringList>
#include <vector>

enum TimeLineBase : int {
  tlbCustom = 0,
  tlbMillennium = 1,
  tlbCentury = 2,
  tlbDecade = 3,
  tlbYear = 4,
  tlbMonth = 5,
  tlbWeek = 6,
  tlbDay = 7,
  tlbHour = 8,
  tlbMinute = 9,
  tlbUserDefined = 10,
  tlbSecond = 11,
};
constexpr int kTimeLinePlotbaseCount = 12;

// Display name of an ordinal ("year", "month", ...); empty when out of range.
QString TimeLinePlotbaseStr(int ordinal);
// The ordinal whose display name (or command-line name) is name, or -1.
int TimeLinePlotbaseFromName(const QString& name);

// The bases offered by the "Delicacy" list, in list order: ordinals 0 to 8,
// then 10 (minutes, seconds and the others have no sub-corpus use).
std::vector<int> DelicacyOrdinals();
// Position in the Delicacy list for a default base: its own position, and the
// last entry for ordinal 9 or more.
int DelicacyPositionForBase(int ordinal);
// The ordinal shown at a list position, or -1 when the position is not one.
int DelicacyOrdinalAt(int position);
