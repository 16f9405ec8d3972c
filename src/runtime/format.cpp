#include "runtime/format.h"

#include <cmath>
#include <optional>
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

// One pattern item after its percent sign: [index:][-][width][.precision].
struct ItemLayout {
  bool left = false;
  int width = -1;
  int precision = -1;
};

// Reads the pattern from i while it holds digits; false when none were there.
bool ReadNumber(const QString& pattern, qsizetype& i, int& value) {
  bool any = false;
  value = 0;
  while (i < pattern.size() && pattern[i].isDigit()) {
    value = value * 10 + pattern[i].digitValue();
    ++i;
    any = true;
  }
  return any;
}

// Reads an item's index, alignment, width and precision, starting after the
// percent sign. An index moves next; a "*" width or precision takes the next
// argument (an integer) and moves past it.
ItemLayout ReadItemLayout(const QString& pattern, qsizetype& i, const FormatArg* args,
                          std::size_t arg_count, std::size_t& next) {
  const qsizetype n = pattern.size();
  ItemLayout layout;
  const qsizetype save = i;
  int index = 0;
  if (ReadNumber(pattern, i, index) && i < n && pattern[i] == QLatin1Char(':')) {
    next = static_cast<std::size_t>(index);
    ++i;
  } else {
    i = save;
  }
  if (i < n && pattern[i] == QLatin1Char('-')) {
    layout.left = true;
    ++i;
  }
  auto starred = [&](int& value) {
    if (next < arg_count && args[next].IsInt()) value = static_cast<int>(args[next].Int());
    ++next;
    ++i;
  };
  if (i < n && pattern[i] == QLatin1Char('*')) {
    starred(layout.width);
  } else if (!ReadNumber(pattern, i, layout.width)) {
    layout.width = -1;
  }
  if (i < n && pattern[i] == QLatin1Char('.')) {
    ++i;
    if (i < n && pattern[i] == QLatin1Char('*')) {
      starred(layout.precision);
    } else if (!ReadNumber(pattern, i, layout.precision)) {
      layout.precision = 0;
    }
  }
  return layout;
}

double FloatOf(const FormatArg& arg) {
  return arg.IsFloat() ? arg.Float() : arg.IsInt() ? static_cast<double>(arg.Int()) : 0.0;
}

QString ZeroPadded(QString digits, int precision) {
  if (precision > digits.size())
    digits = QString(precision - digits.size(), QLatin1Char('0')) + digits;
  return digits;
}

// The text of one item of the given type (lower case), unpadded; nullopt for
// a type the pattern language does not have.
std::optional<QString> ItemText(char16_t type, const FormatArg& arg, int prec, const QLocale& loc) {
  switch (type) {
    case 'd':
    case 'u': {
      const std::int64_t v = arg.IsInt()     ? arg.Int()
                             : arg.IsFloat() ? std::llround(arg.Float())
                                             : 0;
      const bool neg = v < 0;
      const std::uint64_t mag =
          neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
      const QString digits = ZeroPadded(QString::number(static_cast<qulonglong>(mag)), prec);
      return neg ? QLatin1Char('-') + digits : digits;
    }
    case 'x': {
      const std::int64_t v = arg.IsInt() ? arg.Int() : 0;
      return ZeroPadded(QString::number(static_cast<qulonglong>(v), 16).toUpper(), prec);
    }
    case 'f':
    case 'n':
      return FixedText(FloatOf(arg), prec < 0 ? 2 : prec, type == 'n', loc);
    case 'e':
      return loc.toString(FloatOf(arg), 'E', prec < 0 ? 15 : std::max(0, prec - 1));
    case 'g': {
      QLocale l = loc;
      l.setNumberOptions(QLocale::OmitGroupSeparator);
      return l.toString(FloatOf(arg), 'g', prec < 0 ? 15 : prec);
    }
    case 's': {
      QString s = arg.IsString() ? arg.String()
                  : arg.IsInt()  ? QString::number(arg.Int())
                                 : QString::number(arg.Float());
      if (prec >= 0 && s.size() > prec) s.truncate(prec);
      return s;
    }
    default:
      return std::nullopt;
  }
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
    const ItemLayout layout = ReadItemLayout(pattern, i, a, arg_count, next);
    if (i >= n || next >= arg_count) {
      // No type letter or no argument left: the item is written out as is.
      out.append(pattern.mid(start, i - start + (i < n ? 1 : 0)));
      if (i < n) ++i;
      continue;
    }
    const char16_t type = pattern[i].toLower().unicode();
    ++i;
    const std::optional<QString> text = ItemText(type, a[next], layout.precision, loc);
    if (!text) {
      out.append(pattern.mid(start, i - start));
      continue;
    }
    ++next;
    out.append(Pad(*text, layout.width, layout.left));
  }
  return out;
}
