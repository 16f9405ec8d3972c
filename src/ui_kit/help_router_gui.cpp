#include "ui_kit/help_router_gui.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <atomic>

#include "runtime/app_paths.h"
#include "runtime/dialogs.h"
#include "runtime/format.h"
#include "runtime/settings.h"
#include "ui_kit/help_browser_window.h"

namespace {
const char* const kHelpContextProperty = "helpContext";
HelpRouter* g_module = nullptr;
std::atomic<int> g_published_help_context{0};
}  // namespace

void SetHelpContext(QWidget* widget, int help_context) {
  if (widget) widget->setProperty(kHelpContextProperty, help_context);
}

int HelpContextOf(const QWidget* widget) {
  if (!widget) return 0;
  const QVariant v = widget->property(kHelpContextProperty);
  return v.isValid() ? v.toInt() : 0;
}

HelpRouter::HelpRouter(QObject* parent) : QObject(parent) {
  QApplication::setFont(QFont(QStringLiteral("Segoe UI"), 9));
  context_help_menu = new QMenu();
  context_help_menu->setObjectName(QStringLiteral("PopupActionBar1"));
  context_help_action = context_help_menu->addAction(QStringLiteral("context help"));
  context_help_action->setObjectName(QStringLiteral("WhatsThis1"));
  connect(context_help_menu, &QMenu::aboutToShow, this, [this] { PrepareContextHelp(); });
  connect(context_help_action, &QAction::triggered, this, [this] { ShowContextHelp(); });
  g_module = this;
}

HelpRouter::~HelpRouter() {
  if (g_module == this) g_module = nullptr;
  delete context_help_menu;
  delete built_in_;
}

HelpRouter* HelpRouter::Instance() { return g_module; }

std::function<bool(const QUrl&)>& HelpRouter::Opener() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}

void HelpRouter::SetUrlOpener(std::function<bool(const QUrl&)> opener) {
  Opener() = std::move(opener);
}

bool HelpRouter::OpenUrl(const QUrl& url) {
  if (Opener()) return Opener()(url);
  return QDesktopServices::openUrl(url);
}

QString HelpRouter::HelpFolder() {
  // A help file named in the suite's settings wins; otherwise the guide
  // shipped with the program, in the build tree or where it was installed.
  const QString configured = GetHelpfilename();
  if (!configured.isEmpty()) {
    const QFileInfo fi(configured);
    return fi.isDir() ? fi.absoluteFilePath() : fi.absolutePath();
  }
  return FindHelpFolder(QCoreApplication::applicationDirPath());
}

QString HelpRouter::LocalHelpFile(int help_context) {
  const QDir dir(HelpFolder());
  const QString topic = dir.filePath(QStringLiteral("topic-%1.html").arg(help_context));
  if (QFileInfo(topic).isFile()) return topic;
  return dir.filePath(QStringLiteral("index.html"));
}

void HelpRouter::OpenOrShowBuiltIn(const QUrl& url, const QString& local_page) {
  if (OpenUrl(url)) return;
  if (!built_in_) built_in_ = new HelpBrowserWindow(nullptr);
  if (!built_in_->ShowPage(local_page)) {
    ReportedAFact(QStringLiteral("The help page %1 could not be opened: no browser could be "
                                 "started and the page is not installed.")
                      .arg(QDir::toNativeSeparators(local_page)));
  }
}

bool HelpRouter::HandleAHelpFileChoice(int help_context) {
  const QString local_page = LocalHelpFile(help_context);
  switch (GetHelpAccessMode()) {
    case 0:
      OpenOrShowBuiltIn(QUrl::fromLocalFile(local_page), local_page);
      return true;
    case 1: {
      const QString address = CurrentSuiteSettings().online_help_base +
                              QStringLiteral("index.html") +
                              Format(QStringLiteral("?contextid=%d"), {help_context});
      OpenOrShowBuiltIn(QUrl(address), local_page);
      return false;
    }
    default:
      return false;
  }
}

bool HelpRouter::ShowNamedTopic(const QString& page_name) {
  const QString local_page = QDir(HelpFolder()).filePath(page_name);
  switch (GetHelpAccessMode()) {
    case 0:
      OpenOrShowBuiltIn(QUrl::fromLocalFile(local_page), local_page);
      return true;
    case 1:
      OpenOrShowBuiltIn(QUrl(CurrentSuiteSettings().online_help_base + page_name), local_page);
      return false;
    default:
      return false;
  }
}

void HelpRouter::PublishHelpContext(int help_context) { g_published_help_context = help_context; }

bool HelpRouter::HandleAppHelp() { return HandleAHelpFileChoice(g_published_help_context.load()); }

int HelpRouter::GetTheBestHelpContextFrom(int help_context, const QWidget* under_pointer) {
  if (help_context > 1000) return help_context;
  int result = 1000;
  for (const QWidget* w = under_pointer; w; w = w->parentWidget()) {
    result = HelpContextOf(w);
    if (result > 1000) break;
  }
  return result;
}

int HelpRouter::GetTheBestHelpContext(int help_context, QWidget* under_pointer) const {
  if (!under_pointer) under_pointer = QApplication::widgetAt(QCursor::pos());
  return GetTheBestHelpContextFrom(help_context, under_pointer);
}

void HelpRouter::PrepareContextHelp() { context_help_action->setData(GetTheBestHelpContext(0)); }

void HelpRouter::ShowContextHelp() { HandleAHelpFileChoice(context_help_action->data().toInt()); }

void HelpRouter::SetContextMenuHelp(QWidget* window, QMenu* menu) {
  if (!window || !menu) return;
  // Right clicks that no widget inside the window takes for itself reach the
  // window and open the menu there. The context is taken from the widget
  // that was clicked, not from wherever the pointer is when the menu opens.
  window->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(window, &QWidget::customContextMenuRequested, menu,
          [this, window, menu](const QPoint& pos) {
            QWidget* clicked = window->childAt(pos);
            if (!clicked) clicked = window;
            if (menu == context_help_menu) {
              context_help_action->setData(GetTheBestHelpContextFrom(0, clicked));
              QSignalBlocker block(menu);  // the context is set already
              menu->popup(window->mapToGlobal(pos));
            } else {
              menu->popup(window->mapToGlobal(pos));
            }
          });
}

void HelpRouter::ApplyStyleToMenus() {
  // The suite names its styles after office themes; the dark ones get a dark
  // menu, every other one the light default.
  const QString style = GetCurrentTMSStyle();
  const bool dark = style.contains(QStringLiteral("Black"), Qt::CaseInsensitive) ||
                    style.contains(QStringLiteral("Dark"), Qt::CaseInsensitive);
  context_help_menu->setStyleSheet(
      dark ? QStringLiteral("QMenu { background: #2b2b2b; color: #f0f0f0; }") : QString());
}
