#pragma once
// Return in a folder field starts a page's search, as its Search button does.
//
// The main window presses a page's start button on Return in a folder field
// as well. The page hears the key first (it connects first), so the button
// press that the same key brings right after must do nothing: the page asks
// Repeated() at the start of its search, and a search, a question or an
// error box comes once per Return.

#include <QObject>
#include <functional>

class QLineEdit;

class SearchOnReturn : public QObject {
 public:
  // can_start: whether the page's Search button is enabled now.
  SearchOnReturn(std::function<bool()> can_start, std::function<void()> search, QObject* parent);
  void Watch(QLineEdit* field);
  // True while the Return that started a search is still being handled.
  bool Repeated() const { return just_searched_; }

 private:
  std::function<bool()> can_start_;
  std::function<void()> search_;
  bool just_searched_ = false;
};
