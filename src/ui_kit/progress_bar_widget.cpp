#include "ui_kit/progress_bar_widget.h"

#include <QLocale>
#include <algorithm>

QString TimeLeftText(long long milliseconds) {
  const long long seconds = (std::max(0LL, milliseconds) + 999) / 1000;
  if (seconds < 60) return QStringLiteral("about %1 s left").arg(std::max(1LL, seconds));
  const long long minutes = (seconds + 30) / 60;
  if (minutes < 60) return QStringLiteral("about %1 min left").arg(minutes);
  return QStringLiteral("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

QString ProgressBarText(int percent, long long done, long long total, long long time_left_ms) {
  QString text;
  if (total > 0) {
    const QLocale locale;
    text = QStringLiteral("%1 of %2 (%3%)")
               .arg(locale.toString(done), locale.toString(total))
               .arg(percent);
  } else if (percent > 0) {
    text = QStringLiteral("%1%").arg(percent);
  }
  if (!text.isEmpty() && time_left_ms >= 0)
    text += QStringLiteral(" · ") + TimeLeftText(time_left_ms);
  return text;
}

ProgressTextBar::ProgressTextBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(true);
  setAlignment(Qt::AlignCenter);
  UpdateText();
}

void ProgressTextBar::SetPercent(int percent) {
  setValue(std::clamp(percent, 0, 100));
  UpdateText();
}

void ProgressTextBar::SetCount(long long done, long long total) {
  done_ = total > 0 ? done : 0;
  total_ = total > 0 ? total : 0;
  if (total > 0) setValue(static_cast<int>(std::clamp(done * 100 / total, 0LL, 100LL)));
  UpdateText();
}

void ProgressTextBar::SetTimeLeft(long long milliseconds) {
  time_left_ms_ = milliseconds < 0 ? -1 : milliseconds;
  UpdateText();
}

void ProgressTextBar::Clear() {
  done_ = 0;
  total_ = 0;
  time_left_ms_ = -1;
  setValue(0);
  UpdateText();
}

void ProgressTextBar::UpdateText() {
  // The format is the whole text; none of its "%" is followed by one of the
  // bar's placeholder letters (m, p, v).
  setFormat(ProgressBarText(value(), done_, total_, time_left_ms_));
}
