#pragma once
// A narrow vertical bar that plots where hits lie along a text: the top is
// the start of the text, the bottom its end, and each hit is a short
// horizontal line. An optional ruler marks tenths of the range. Clicking the
// bar asks to go to the position under the mouse.

#include <QColor>
#include <QWidget>
#include <vector>

class HitPlotBar : public QWidget {
  Q_OBJECT

 public:
  explicit HitPlotBar(QWidget* parent = nullptr);

  void SetRange(long long minimum, long long maximum);
  long long Minimum() const { return minimum_; }
  long long Maximum() const { return maximum_; }
  void SetPlotLines(std::vector<int> positions);
  const std::vector<int>& PlotLines() const { return positions_; }
  void SetColours(const QColor& line, const QColor& ruler);
  void SetShowRuler(bool show);
  bool ShowRuler() const { return show_ruler_; }

  // The vertical pixel at which a position is drawn.
  int PixelOf(long long position) const;
  // The position shown at a vertical pixel.
  long long PositionAt(int y) const;

  QSize sizeHint() const override { return QSize(23, 200); }

 Q_SIGNALS:
  void PositionClicked(long long position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  long long minimum_ = 1;
  long long maximum_ = 1;
  std::vector<int> positions_;
  QColor line_colour_ = Qt::black;
  QColor ruler_colour_ = QColor(0, 0, 128);
  bool show_ruler_ = true;
};
