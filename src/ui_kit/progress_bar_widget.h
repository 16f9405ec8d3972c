#pragma once
// A progress bar that says what it shows, used by every status bar of the
// program (the main window's and the viewer's), so that all bars read alike.

#include <QProgressBar>
#include <QString>

// What a progress bar says: "42%", "1,234 of 20,000 (6%)", each followed by
// " · about 3 min left" when the time left is known (>= 0). Empty at 0 with
// no count, so that an idle bar stays blank.
QString ProgressBarText(int percent, long long done, long long total, long long time_left_ms);
// "about 40 s left", "about 3 min left", "about 1 h 5 min left".
QString TimeLeftText(long long milliseconds);

class ProgressTextBar : public QProgressBar {
  Q_OBJECT
 public:
  explicit ProgressTextBar(QWidget* parent = nullptr);

  // The percentage (clamped to 0..100).
  void SetPercent(int percent);
  // A count: "n of N" beside the percentage, which follows it (total <= 0
  // clears the count and leaves the percentage as it is).
  void SetCount(long long done, long long total);
  // The estimated time left in milliseconds (< 0: not known).
  void SetTimeLeft(long long milliseconds);
  // Back to an empty 0: no percentage, count or time left.
  void Clear();
  bool HasCount() const { return total_ > 0; }

 private:
  void UpdateText();
  long long done_ = 0;
  long long total_ = 0;
  long long time_left_ms_ = -1;
};
