#include "duplicates/search_on_return_gui.h"

#include <QLineEdit>
#include <QTimer>

SearchOnReturn::SearchOnReturn(std::function<bool()> can_start, std::function<void()> search,
                               QObject* parent)
    : QObject(parent), can_start_(std::move(can_start)), search_(std::move(search)) {}

void SearchOnReturn::Watch(QLineEdit* field) {
  connect(field, &QLineEdit::returnPressed, this, [this] {
    if (just_searched_ || !can_start_()) return;
    search_();
    // The other handlers of this key run before the event loop comes back.
    just_searched_ = true;
    QTimer::singleShot(0, this, [this] { just_searched_ = false; });
  });
}
