#pragma once
// Real message boxes for the desktop program. A box asked for on a worker
// thread is shown on the window thread while the worker waits for the answer.
// Each box has a Help button that opens the box's help topic and leaves the
// box open. A box that only informs closes with Escape; a text too tall for
// the screen scrolls, with the buttons always in reach.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "runtime/dialogs.h"

class GuiDialogs : public QObject, public DialogInterface {
  Q_OBJECT
 public:
  explicit GuiDialogs(QObject* parent = nullptr);
  // The window that owns the boxes (may be null).
  void SetOwnerWindow(QWidget* owner) { owner_ = owner; }
  int Show(const BoxRequest& request) override;
  // Whether a text is too tall to show in a plain box on the owner's screen.
  static bool NeedsScrolling(const QString& text, const QWidget* owner);

 private:
  int ShowHere(const BoxRequest& request);
  int ShowScrolling(const BoxRequest& request, const QString& text);
  QPointer<QWidget> owner_;
};
