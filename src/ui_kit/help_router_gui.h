#pragma once
// The data module shared by the tool's windows: help routing by topic number,
// the right-click "context help" menu, and the help contexts of widgets.

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QUrl>
#include <functional>

class QWidget;

// Help contexts are signed 32-bit topic numbers kept on each widget; values
// up to 1000 name no specific topic.
void SetHelpContext(QWidget* widget, int help_context);
int HelpContextOf(const QWidget* widget);

class HelpRouter : public QObject {
  Q_OBJECT
 public:
  explicit HelpRouter(QObject* parent = nullptr);
  ~HelpRouter() override;

  // The module in use (the last one created and not yet destroyed).
  static HelpRouter* Instance();

  // Opens URLs (help pages, mail). Tests replace it to see the URL without a
  // browser. The default hands the URL to the desktop.
  static void SetUrlOpener(std::function<bool(const QUrl&)> opener);
  static bool OpenUrl(const QUrl& url);

  // Shows topic c: mode 0 our HTML help at its topic page (true), mode 1 the
  // online help (false), any other mode nothing (false). When no browser can
  // be started, the local page is shown in the built-in help window.
  bool HandleAHelpFileChoice(int help_context);
  // The same for a topic known by its page name ("topic-viewer.html"): the
  // local page in mode 0, the online base address and the name in mode 1.
  bool ShowNamedTopic(const QString& page_name);
  // The built-in help window, once it has been needed (else null).
  class HelpBrowserWindow* BuiltInWindow() const {
    return built_in_;
  }
  // Help for the context that the message boxes last published.
  bool HandleAppHelp();
  static void PublishHelpContext(int help_context);
  // The context for a mouse request: c itself when above 1000, else the
  // context of the widget under the pointer or its nearest ancestor above
  // 1000. under_pointer defaults to the widget at the cursor.
  int GetTheBestHelpContext(int help_context, QWidget* under_pointer = nullptr) const;
  static int GetTheBestHelpContextFrom(int help_context, const QWidget* under_pointer);

  // The local help page for a topic: <help folder>/topic-<c>.html, or the
  // guide's index when that topic has no page.
  static QString LocalHelpFile(int help_context);
  static QString HelpFolder();

  void SetContextMenuHelp(QWidget* window, QMenu* menu);
  // Re-reads the style from the suite's settings and applies it to menus.
  void ApplyStyleToMenus();

  QMenu* context_help_menu = nullptr;
  QAction* context_help_action = nullptr;

  // The context menu is about to open: its item takes the best context.
  void PrepareContextHelp();
  // "context help" was chosen.
  void ShowContextHelp();

 private:
  static std::function<bool(const QUrl&)>& Opener();
  // Opens url; when that fails, the local page in the built-in window.
  void OpenOrShowBuiltIn(const QUrl& url, const QString& local_page);
  class HelpBrowserWindow* built_in_ = nullptr;
};
