#include "runtime/suite_progress.h"

#include <QtEndian>
#include <cstdlib>
#include <cstring>

#include "runtime/controller_link.h"
#include "runtime/dialogs.h"
#include "runtime/log.h"
#include "runtime/messages.h"
#include "runtime/panic.h"

namespace pr = progress_record;

namespace {

std::int32_t IntAt(const QByteArray& record, int offset) {
  return qFromLittleEndian<std::int32_t>(record.constData() + offset);
}

// A message field: UTF-16 units up to the first zero or the field's end.
QString MessageAt(const QByteArray& record, int offset) {
  QString s;
  const char* p = record.constData() + offset;
  for (int i = 0; i < pr::kMessageUnits; ++i) {
    const std::uint16_t u = qFromLittleEndian<std::uint16_t>(p + 2 * i);
    if (u == 0) break;
    s.append(QChar(u));
  }
  return s;
}

}  // namespace

std::optional<pr::Fields> pr::Read(const QByteArray& record) {
  if (record.size() != kSize) return std::nullopt;
  Fields f;
  f.this_percent = IntAt(record, kThisPercent);
  f.overall_percent = IntAt(record, kOverallPercent);
  f.start_value = qFromLittleEndian<std::int64_t>(record.constData() + kStartValue);
  f.running_words = IntAt(record, kRunningWords);
  f.short_message = MessageAt(record, kShortMessage);
  f.long_message = MessageAt(record, kLongMessage);
  return f;
}

std::uint16_t ProgressNotificationCode(int kind) {
  switch (kind) {
    case kProgThisPercent:
      return 0x17D8;
    case kProgOverallPercent:
      return 0x17D9;
    case kProgShortMessage:
      return 0x17E1;
    case kProgLongMessage:
      return 0x17DA;
    case kProgShowWhere:
      return 0x17D4;
    case kProgRunningWords:
      return 0x17DC;
    case kProgMemory:
      return 0x17D5;
    case kProgClearAll:
      return 0x17E0;
    case kProgClearAll2:
      return 0x17DF;
    case kProgTimeToGo:
      return 0x17D6;
    default:
      return 0;
  }
}

SuiteProgress::SuiteProgress() : record_(pr::kSize, '\0') {
  halt = [] { std::exit(1); };
}

void SuiteProgress::PutInt(int offset, std::int32_t value) {
  qToLittleEndian<std::int32_t>(value, record_.data() + offset);
}

std::int32_t SuiteProgress::GetInt(int offset) const { return IntAt(record_, offset); }

void SuiteProgress::PutMessage(int offset, const QString& text) {
  const QString cut = text.left(pr::kMessageUnits);
  char* p = record_.data() + offset;
  std::memset(p, 0, (pr::kMessageUnits + 1) * 2);
  for (int i = 0; i < cut.size(); ++i)
    qToLittleEndian<std::uint16_t>(cut.at(i).unicode(), p + 2 * i);
}

QString SuiteProgress::GetMessage(int offset) const { return MessageAt(record_, offset); }

void SuiteProgress::ClearAllAndShow(std::int64_t start_value, std::uint8_t at_shell_or_tool) {
  shown_at = at_shell_or_tool;
  if (at_shell_or_tool == 0) Controller().BringProgressWindowToFront();
  ShowWhere(at_shell_or_tool);
  const bool bars = at_shell_or_tool == 1;
  uses_file_bar_ = bars;
  uses_overall_bar_ = bars;
  if (status_bar_) {
    status_bar_->SetPanelShowsBar(2, bars);
    status_bar_->SetPanelShowsBar(3, bars);
  }
  record_.fill('\0');
  qToLittleEndian<std::int64_t>(start_value, record_.data() + pr::kStartValue);
  Send(kProgClearAll);
}

void SuiteProgress::ClearBarsOnly() {
  ThisPercent(0);
  OverallPercent(0);
}

bool SuiteProgress::ThisPercent(int percent) {
  if (GetInt(pr::kThisPercent) == percent) return false;
  PutInt(pr::kThisPercent, percent);
  Send(kProgThisPercent);
  return true;
}

bool SuiteProgress::OverallPercent(int percent) {
  if (GetInt(pr::kOverallPercent) == percent) return false;
  PutInt(pr::kOverallPercent, percent);
  Send(kProgOverallPercent);
  return true;
}

void SuiteProgress::ProgressShortMessage(const QString& text) {
  PutMessage(pr::kShortMessage, text);
  Send(kProgShortMessage);
}

void SuiteProgress::ProgressShortMessageOutOf(const QString& text, long long n, long long total) {
  ProgressShortMessage(text);
  if (total > 0) ThisPercent(static_cast<int>(n * 100 / total));
}

void SuiteProgress::ProgressLongMessage(const QString& text) {
  PutMessage(pr::kLongMessage, text);
  Send(kProgLongMessage);
}

void SuiteProgress::ShowWhere(std::uint8_t mode) {
  shown_at = mode;
  hidden = false;
  Send(kProgShowWhere);
}

void SuiteProgress::RunningWords(int count) {
  PutInt(pr::kRunningWords, count);
  Send(kProgRunningWords);
}

void SuiteProgress::Memory() { Send(kProgMemory); }

void SuiteProgress::ShowTimeToGo() {
  hidden = false;
  Send(kProgTimeToGo);
}

void SuiteProgress::ShowError(const QString& text) {
  PutMessage(pr::kLongMessage, text);
  Send(kProgError);
}

void SuiteProgress::FatalError(const QString& text) {
  PutMessage(pr::kLongMessage, text);
  Send(kProgFatalError);
}

void SuiteProgress::Hide() {
  uses_file_bar_ = false;
  uses_overall_bar_ = false;
  ClearBarsOnly();
  NotifyController(kProgHideCode);
  if (status_bar_ && status_bar_->PanelCount() > 10) {
    status_bar_->SetPanelText(3, QString());
    status_bar_->SetPanelText(2, QString());
    status_bar_->SetPanelText(10, QString());
  }
  hidden = true;
  if (bring_to_front) bring_to_front();
}

void SuiteProgress::SetPercentPanel(int panel, bool bar, int percent) {
  if (bar) {
    status_bar_->SetPanelBar(panel, percent);
  } else {
    status_bar_->SetPanelText(
        panel, percent >= 1 ? QString::number(percent) + QLatin1Char('%') : QString());
  }
}

void SuiteProgress::ShowInStatusBar(int kind) {
  switch (kind) {
    case kProgThisPercent:
      SetPercentPanel(3, uses_file_bar_, GetInt(pr::kThisPercent));
      break;
    case kProgOverallPercent:
      SetPercentPanel(2, uses_overall_bar_, GetInt(pr::kOverallPercent));
      break;
    case kProgShortMessage:
      status_bar_->SetPanelText(1, GetMessage(pr::kShortMessage));
      break;
    case kProgLongMessage:
      status_bar_->SetPanelText(10, GetMessage(pr::kLongMessage));
      break;
    case kProgClearAll:
    case kProgClearAll2:
      SetPercentPanel(3, uses_file_bar_, 0);
      SetPercentPanel(2, uses_overall_bar_, 0);
      status_bar_->SetPanelText(10, QString());
      status_bar_->SetPanelText(1, QString());
      break;
    default:
      break;
  }
}

void SuiteProgress::Send(int kind) {
  YieldToEvents();
  if (hidden) return;
  // Errors are boxes wherever the report goes.
  if (kind == kProgError || kind == kProgFatalError) {
    BoxRequest r;
    r.name =
        kind == kProgError ? QStringLiteral("ProgressError") : QStringLiteral("ProgressFatalError");
    r.caption = LX(kind == kProgError ? "LXErrorCaption" : "LXHaltingCaption");
    r.text = GetMessage(pr::kLongMessage);
    r.icon = BoxIcon::Warning;
    Dialogs().Show(r);
    if (kind == kProgFatalError && halt) halt();
    YieldToEvents();
    return;
  }
  if (shown_at == 1 && status_bar_ && status_bar_->PanelCount() > 0) {
    ShowInStatusBar(kind);
  } else {
    const std::uint16_t code = ProgressNotificationCode(kind);
    if (code != 0) {
      Controller().SetProgressParams(record_);
      NotifyController(code);
    }
  }
  YieldToEvents();
}

SuiteProgress& Progress() {
  static SuiteProgress progress;
  return progress;
}

void QuitMinimalProgress() { AddToLogFile(QStringLiteral("quit lexivor_minimal_progress, ")); }
