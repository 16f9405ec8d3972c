#include "runtime/format.h"

#include <cmath>
#include <vector>

namespace {

QString Pad(const QString& s, int width, bool left_align) {
  if (width <= 0 || s.size() >= width) return s;
  const QString fill(width - s.size(), QLatin1Char(' '));
  return left_align ? s + fill : fill + s;
}

QString FixedText(double v, int decimals, bool groups, const QLocale& loc) {
  // Counts are formatted often (a status line per file): whole numbers go
  // through the locale's integer formatting, which gives the same digits and
  // separators as fixed-point formatting with no decimals, at a fraction of
  // the cost; and the locale is copied only when its options must change.
  const QLocale::NumberOptions options =
      groups ? QLocale::DefaultNumberOptions : QLocale::OmitGroupSeparator;
  QLocale l = loc;
  if (l.numberOptions() != options) l.setNumberOptions(options);
  constexpr double kExactWhole = 9007199254740992.0;  // 2^53
  if (decimals == 0 && std::fabs(v) < kExactWhole && v == std::trunc(v) &&
      !(v == 0 && std::signbit(v))) {
    return l.toString(static_cast<qlonglong>(v));
  }
  return l.toString(v, 'f', decimals);
}

}  // namespace

QString Format(const QString& pattern, std::initializer_list<FormatArg> args) {
  return Format(pattern, args, QLocale());
}

QString Format(const QString& pattern, std::initializer_list<FormatArg> args, const QLocale& loc) {
  const FormatArg* const a = args.begin();  // read in place: no copy per call
  const std::size_t arg_count = args.size();
  QString out;
  out.reserve(pattern.size() + 16);
  std::size_t next = 0;
  const qsizetype n = pattern.size();
  qsizetype i = 0;
  while (i < n) {
    const QChar c = pattern[i];
    if (c != QLatin1Char('%')) {
      out.append(c);
      ++i;
      continue;
    }
    const qsizetype start = i++;
    if (i < n && pattern[i] == QLatin1Char('%')) {
      out.append(QLatin1Char('%'));
      ++i;
      continue;
    }
    // [index:]
    auto readNumber = [&](int& value) {
      bool any = false;
      value = 0;
      while (i < n && pattern[i].isDigit()) {
        value = value * 10 + pattern[i].digitValue();
        ++i;
        any = true;
      }
      return any;
    };
    qsizetype save = i;
    int num = 0;
    if (readNumber(num) && i < n && pattern[i] == QLatin1Char(':')) {
      next = static_cast<std::size_t>(num);
      ++i;
    } else {
      i = save;
    }
    bool left = false;
    if (i < n && pattern[i] == QLatin1Char('-')) {
      left = true;
      ++i;
    }
    int width = -1;
    if (i < n && pattern[i] == QLatin1Char('*')) {
      if (next < arg_count && a[next].IsInt()) width = static_cast<int>(a[next].Int());
      ++next;
      ++i;
    } else if (!readNumber(width)) {
      width = -1;
    }
    int prec = -1;
    if (i < n && pattern[i] == QLatin1Char('.')) {
      ++i;
      if (i < n && pattern[i] == QLatin1Char('*')) {
        if (next < arg_count && a[next].IsInt()) prec = static_cast<int>(a[next].Int());
        ++next;
        ++i;
      } else if (!readNumber(prec)) {
        prec = 0;
      }
    }
    if (i >= n || next >= arg_count) {
      out.append(pattern.mid(start, i - start + (i < n ? 1 : 0)));
      if (i < n) ++i;
      continue;
    }
    const QChar type = pattern[i].toLower();
    ++i;
    const FormatArg& arg = a[next++];
    QString s;
    switch (type.unicode()) {
      case 'd':
      case 'u': {
        std::int64_t v = arg.IsInt() ? arg.Int() : arg.IsFloat() ? std::llround(arg.Float()) : 0;
        const bool neg = v < 0;
        const std::uint64_t mag =
            neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        QString digits = QString::number(static_cast<qulonglong>(mag));
        if (prec > digits.size()) digits = QString(prec - digits.size(), QLatin1Char('0')) + digits;
        s = neg ? QLatin1Char('-') + digits : digits;
        break;
      }
      case 'x': {
        const std::int64_t v = arg.IsInt() ? arg.Int() : 0;
        s = QString::number(static_cast<qulonglong>(v), 16).toUpper();
        if (prec > s.size()) s = QString(prec - s.size(), QLatin1Char('0')) + s;
        break;
      }
      case 'f':
      case 'n': {
        const double v = arg.IsFloat() ? arg.Float()
                         : arg.IsInt() ? static_cast<double>(arg.Int())
                                       : 0.0;
        s = FixedText(v, prec < 0 ? 2 : prec, type == QLatin1Char('n'), loc);
        break;
      }
      case 'e': {
        const double v = arg.IsFloat() ? arg.Float()
                         : arg.IsInt() ? static_cast<double>(arg.Int())
                                       : 0.0;
        s = loc.toString(v, 'E', prec < 0 ? 15 : std::max(0, prec - 1));
        break;
      }
      case 'g': {
        const double v = arg.IsFloat() ? arg.Float()
                         : arg.IsInt() ? static_cast<double>(arg.Int())
                                       : 0.0;
        QLocale l = loc;
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        s = l.toString(v, 'g', prec < 0 ? 15 : prec);
        break;
      }
      case 's': {
        s = arg.IsString() ? arg.String()
            : arg.IsInt()  ? QString::number(arg.Int())
                           : QString::number(arg.Float());
        if (prec >= 0 && s.size() > prec) s.truncate(prec);
        break;
      }
      default:
        out.append(pattern.mid(start, i - start));
        --next;
        continue;
    }
    out.append(Pad(s, width, left));
  }
  return out;
}
