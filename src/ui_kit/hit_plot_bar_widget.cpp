#include "ui_kit/hit_plot_bar_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kMargin = 3;  // pixels kept free above and below the plot
}

HitPlotBar::HitPlotBar(QWidget* parent) : QWidget(parent) {
  setFixedWidth(23);
  setAutoFillBackground(true);
  setCursor(Qt::PointingHandCursor);
}

void HitPlotBar::SetRange(long long minimum, long long maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
  update();
}

void HitPlotBar::SetPlotLines(std::vector<int> positions) {
  positions_ = std::move(positions);
  update();
}

void HitPlotBar::SetColours(const QColor& line, const QColor& ruler) {
  line_colour_ = line;
  ruler_colour_ = ruler;
  update();
}

void HitPlotBar::SetShowRuler(bool show) {
  show_ruler_ = show;
  update();
}

int HitPlotBar::PixelOf(long long position) const {
  const int usable = std::max(1, height() - 2 * kMargin - 1);
  const long long span = std::max(1LL, maximum_ - minimum_);
  const long long p = std::clamp(position, minimum_, maximum_);
  return kMargin + static_cast<int>((p - minimum_) * usable / span);
}

long long HitPlotBar::PositionAt(int y) const {
  const int usable = std::max(1, height() - 2 * kMargin - 1);
  const long long span = std::max(1LL, maximum_ - minimum_);
  const int clamped = std::clamp(y - kMargin, 0, usable);
  return minimum_ + static_cast<long long>(clamped) * span / usable;
}

void HitPlotBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  p.setPen(QColor(160, 160, 160));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (show_ruler_) {
    p.setPen(ruler_colour_);
    for (int tenth = 0; tenth <= 10; ++tenth) {
      const int y = PixelOf(minimum_ + (maximum_ - minimum_) * tenth / 10);
      const int len = (tenth % 5 == 0) ? 8 : 4;
      p.drawLine(0, y, len, y);
    }
  }
  p.setPen(line_colour_);
  const int left = show_ruler_ ? 9 : 3;
  for (int pos : positions_) {
    const int y = PixelOf(pos);
    p.drawLine(left, y, width() - 4, y);
  }
}

void HitPlotBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    Q_EMIT PositionClicked(PositionAt(static_cast<int>(event->position().y())));
  QWidget::mousePressEvent(event);
}
