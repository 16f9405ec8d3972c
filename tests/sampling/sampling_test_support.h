#pragma once
// What the sampling page tests share besides the test page host.

#include <QStringList>
#include <QWidget>
#include <QtGlobal>
#include <functional>
#include <vector>

#include "support/test_page_host.h"

// A page's control by its name; the test ends at once when it is missing.
template <typename T>
T* Find(QWidget* page, const char* name) {
  T* w = page->findChild<T*>(QString::fromLatin1(name));
  if (!w) qFatal("control %s missing", name);
  return w;
}
