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
constexpr int kTimeLineBaseCount = 12;

// Display name of an ordinal ("year", "month", ...); empty when out of range.
QString TimeLinePlotbaseStr(int ordinal);
// The ordinal whose display name (or command-line name) is name, or -1.
int TimeLineBaseFromName(const QString& name);

// The bases offered by the "Delicacy" list, in list order: decade to hour.
// Only these give a period to group by; the custom bases, millennia,
// centuries, minutes and seconds would write nothing, so they are not offered.
std::vector<int> DelicacyOrdinals();
// Position in the Delicacy list for a default base: its own position; the
// first entry (decade) for a coarser base, the last (hour) for a finer one,
// and the year for a custom one.
int DelicacyPositionForBase(int ordinal);
// The ordinal shown at a list position, or -1 when the position is not one.
int DelicacyOrdinalAt(int position);
