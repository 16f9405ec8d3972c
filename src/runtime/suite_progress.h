#pragma once
// The suite-wide progress reporter. Each event goes either to a status bar of
// the tool's own window (shown_at 1) or, as the whole 832-byte progress
// record plus a notification code, to the controller program.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// The status-bar panels a progress event may write to. The main window's
// status bar implements it; tests use a recording one.
class ProgressPanels {
 public:
  virtual ~ProgressPanels() = default;
  virtual int PanelCount() const = 0;
  virtual void SetPanelText(int panel, const QString& text) = 0;
  virtual void SetPanelBar(int panel, int percent) = 0;
  // true: the panel shows a progress bar; false: text.
  virtual void SetPanelShowsBar(int panel, bool bar) = 0;
};

// The progress record handed to the controller, little-endian.
namespace progress_record {
constexpr int kSize = 832;
constexpr int kThisPercent = 4;
constexpr int kOverallPercent = 8;
constexpr int kStartValue = 12;
constexpr int kRunningWords = 24;
constexpr int kShortMessage = 28;
constexpr int kLongMessage = 430;
constexpr int kMessageUnits = 200;  // UTF-16 units kept, then a zero

// The fields of a record, as the controller reads them.
struct Fields {
  std::int32_t this_percent = 0;
  std::int32_t overall_percent = 0;
  std::int64_t start_value = 0;
  std::int32_t running_words = 0;
  QString short_message;
  QString long_message;
};
// The fields of a record; nullopt when it is not kSize bytes long.
std::optional<Fields> Read(const QByteArray& record);
}  // namespace progress_record

enum ProgressEventKind : int {
  kProgThisPercent = 0,
  kProgOverallPercent = 1,
  kProgShortMessage = 2,
  kProgLongMessage = 3,
  kProgShowWhere = 4,
  kProgRunningWords = 5,
  kProgMemory = 7,
  kProgClearAll = 8,
  kProgClearAll2 = 9,
  kProgTimeToGo = 10,
  kProgError = 11,
  kProgFatalError = 12,
};

// The controller's notification code for an event kind; 0 when the kind has
// none.
std::uint16_t ProgressNotificationCode(int kind);
// Notification sent by Hide.
constexpr std::uint16_t kProgHideCode = 0x17DB;

class SuiteProgress {
 public:
  SuiteProgress();

  bool UsesFileBar() const { return uses_file_bar_; }
  bool UsesOverallBar() const { return uses_overall_bar_; }

  void SetStatusBar(ProgressPanels* bar) { status_bar_ = bar; }
  void ClearAllAndShow(std::int64_t start_value, std::uint8_t at_shell_or_tool);
  void ClearBarsOnly();
  bool ThisPercent(int percent);
  bool OverallPercent(int percent);
  void ProgressShortMessage(const QString& text);
  void ProgressShortMessageOutOf(const QString& text, long long n, long long total);
  void ProgressLongMessage(const QString& text);
  void ShowWhere(std::uint8_t mode);
  void RunningWords(int count);
  void Memory();
  void ShowTimeToGo();
  void ShowError(const QString& text);
  void FatalError(const QString& text);
  void Hide();

  const QByteArray& Record() const { return record_; }
  bool hidden = false;
  std::uint8_t shown_at = 0;  // 1: the tool's own status bar; else the controller

  // Ends the program after a fatal error's box; replaceable for tests.
  std::function<void()> halt;
  // Brings the application to the front when reporting is hidden.
  std::function<void()> bring_to_front;

 private:
  void Send(int kind);
  void ShowInStatusBar(int kind);
  void SetPercentPanel(int panel, bool bar, int percent);
  void PutInt(int offset, std::int32_t value);
  std::int32_t GetInt(int offset) const;
  void PutMessage(int offset, const QString& text);
  QString GetMessage(int offset) const;

  bool uses_file_bar_ = false;
  bool uses_overall_bar_ = false;
  QByteArray record_;
  ProgressPanels* status_bar_ = nullptr;
};

// The process-wide instance, created on first use.
SuiteProgress& Progress();
// Logs the reporter's quitting line; called once at exit.
void QuitMinimalProgress();
