#pragma once
// The link to the suite's controller program: the separate program that starts
// the tools, shows shared progress and sends them commands.
//
// Everything the program sends goes through one ControllerLink. On this
// platform there is no controller: the NullControllerLink drops every
// notification and cannot start one, so start-up goes on quietly. Tests use
// the RecordingControllerLink, which remembers what was sent and can pretend
// that a controller runs.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// Window messages of the controller protocol.
constexpr unsigned kMsgControllerCommand = 1025;  // first parameter: code | tool << 16
constexpr unsigned kMsgToolIdentity = 1252;       // first parameter: tool number

// Notification codes a tool window sends.
constexpr std::uint16_t kCodeToolStarted = 0x11F9;
constexpr std::uint16_t kCodeToolClosing = 0x11F8;

class ControllerLink {
 public:
  virtual ~ControllerLink() = default;
  // The controller's window, or 0 when it has none.
  virtual std::uintptr_t GetShellWnd() = 0;
  virtual void PostMessageTo(std::uintptr_t wnd, unsigned msg, std::uint64_t wparam,
                             std::uint64_t lparam) = 0;
  // Hands the whole progress record over (the word-buffer library's
  // SetProgressParams).
  virtual void SetProgressParams(const QByteArray& record) = 0;
  virtual void BringProgressWindowToFront() = 0;
  virtual void SetNewWnd(int tool, std::uintptr_t wnd) = 0;
  virtual void SetActiveMainToolWindow(int tool, std::uintptr_t wnd) = 0;
  virtual void UnSetWnd(int tool, std::uintptr_t wnd) = 0;
  // The controller says it has finished starting up.
  virtual bool ControllerInitialised() = 0;
  // The executable of a tool of the suite; empty when unknown.
  virtual QString GetFullToolFilename(int tool) = 0;
  // Starts a program; false when it could not be started.
  virtual bool LaunchProgram(const QString& path, const QString& params, bool elevate) = 0;
};

// No controller: notifications go nowhere and no controller can be started.
class NullControllerLink : public ControllerLink {
 public:
  std::uintptr_t GetShellWnd() override { return 0; }
  void PostMessageTo(std::uintptr_t, unsigned, std::uint64_t, std::uint64_t) override {}
  void SetProgressParams(const QByteArray&) override {}
  void BringProgressWindowToFront() override {}
  void SetNewWnd(int, std::uintptr_t) override {}
  void SetActiveMainToolWindow(int, std::uintptr_t) override {}
  void UnSetWnd(int, std::uintptr_t) override {}
  bool ControllerInitialised() override { return false; }
  QString GetFullToolFilename(int) override { return QString(); }
  bool LaunchProgram(const QString&, const QString&, bool) override { return false; }
};

// Remembers every call. shell_wnd, tool_path, launch_ok and the initialised
// answer play the controller's part.
class RecordingControllerLink : public ControllerLink {
 public:
  struct Posted {
    std::uintptr_t wnd;
    unsigned msg;
    std::uint64_t wparam;
    std::uint64_t lparam;
  };
  std::uintptr_t shell_wnd = 0;
  QString tool_path;
  bool launch_ok = true;
  // ControllerInitialised answers true from this many-th query on (0: never).
  int initialised_after_queries = 1;

  std::uintptr_t GetShellWnd() override;
  void PostMessageTo(std::uintptr_t wnd, unsigned msg, std::uint64_t wparam,
                     std::uint64_t lparam) override;
  void SetProgressParams(const QByteArray& record) override;
  void BringProgressWindowToFront() override;
  void SetNewWnd(int tool, std::uintptr_t wnd) override;
  void SetActiveMainToolWindow(int tool, std::uintptr_t wnd) override;
  void UnSetWnd(int tool, std::uintptr_t wnd) override;
  bool ControllerInitialised() override;
  QString GetFullToolFilename(int tool) override;
  bool LaunchProgram(const QString& path, const QString& params, bool elevate) override;

  std::vector<Posted> PostedMessages() const;
  std::vector<QByteArray> Records() const;
  // "SetNewWnd 13", "UnSetWnd 13", "launch <path> <params>", "front" ...
  QStringList Calls() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Posted> posted_;
  std::vector<QByteArray> records_;
  QStringList calls_;
  int initialised_queries_ = 0;
};

// The link in use (the null link until one is installed; not owned).
ControllerLink& Controller();
void SetControllerLink(ControllerLink* link);

// This tool's published window handle; 0 when none is published.
std::uintptr_t OwnWindowHandle();
void SetOwnWindowHandle(std::uintptr_t wnd);

// The first parameter of message 1025: the code in bits 0-15, the tool number
// in bits 16-23, zero in bits 24-31.
std::uint64_t ControllerNotifyParam(std::uint16_t code, int tool);

// Posts message 1252 (tool identity) and 1025 (the code) to the controller.
// Sends nothing and returns false when this tool has no published window, the
// controller has none, or they are the same window.
bool NotifyController(std::uint16_t code);

// Makes sure a tool of the suite runs (used for the controller, tool 16).
// yield runs while waiting for the controller to report itself initialised,
// for at most timeout_ms.
bool StartATool(int tool, const QString& params, bool extra_parameter, bool elevate,
                const std::function<void()>& yield, int timeout_ms = 30000);

// This tool's shared lemma (0), match (1), stop (2) and fourth-kind (3)
// lists, which the controller may ask it to refresh or clear. Each list lives
// in a file of the user's read-write folder.
class SharedToolLists {
 public:
  static SharedToolLists& Instance();
  QString FileOf(int kind) const;
  // Re-reads the list from its file (an absent file gives an empty list).
  void Refresh(int kind);
  // Empties the list and its file.
  void ClearOne(int kind);
  QStringList List(int kind) const;

 private:
  mutable std::mutex mutex_;
  QStringList lists_[4];
};

// What a controller command asks of the window after its own effects.
enum class ControllerCommandEffect { None, ReReadLogging, EndProgram };

// Carries out one command of the controller (message 1025): panic states with
// their log lines, list refreshes and clears. The window then acts on the
// returned effect.
ControllerCommandEffect ApplyControllerCommand(int code);
