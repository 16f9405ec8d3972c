#pragma once
// Format with the pattern language the suite's texts use:
//   %[index:][-][width][.precision]type
// with the types d (integer; precision = least digits, zero-padded),
// u (unsigned), s (string; precision = most characters), f (fixed; precision
// = decimals, default 2), n (as f with thousands separators), e, g, x (hex),
// and %% for a percent sign. f, n, e and g use the decimal and group
// separators of the locale (QLocale(), the user's unless a default was set).
// A pattern/argument mismatch never throws: the pattern item is written out as is.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <variant>

class FormatArg {
 public:
  FormatArg(int v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(long v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(long long v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned long v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned long long v) : v_(static_cast<std::int64_t>(v)) {}
  FormatArg(float v) : v_(static_cast<double>(v)) {}
  FormatArg(double v) : v_(v) {}
  FormatArg(const QString& v) : v_(v) {}
  FormatArg(const char* v) : v_(QString::fromUtf8(v)) {}
  FormatArg(const char16_t* v) : v_(QString::fromUtf16(v)) {}

  bool IsInt() const { return std::holds_alternative<std::int64_t>(v_); }
  bool IsFloat() const { return std::holds_alternative<double>(v_); }
  bool IsString() const { return std::holds_alternative<QString>(v_); }
  std::int64_t Int() const { return std::get<std::int64_t>(v_); }
  double Float() const { return std::get<double>(v_); }
  const QString& String() const { return std::get<QString>(v_); }

 private:
  std::variant<std::int64_t, double, QString> v_;
};

QString Format(const QString& pattern, std::initializer_list<FormatArg> args);
QString Format(const QString& pattern, std::initializer_list<FormatArg> args,
               const QLocale& locale);

// IntToSingle(n): n as a floating-point argument, for the "n" and "f" types.
inline double IntToSingle(std::int64_t n) { return static_cast<double>(static_cast<float>(n)); }
