#include "platform/ui/list_accessible.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QPersistentModelIndex>
#include <QPointer>

#include <functional>

namespace lumo::ui {
namespace {

bool isMoveKey(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return false;
  }
}

// Follows one view's focus and move keys; a child of the view, so it goes
// with it. What it presents follows from the event loop: Qt presents the
// view after the view's focus-in handler has run, and a key's move is
// known only once the view has handled it.
class ItemPresenter : public QObject {
 public:
  explicit ItemPresenter(QAbstractItemView* view) : QObject(view), view_(view) { view->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != view_) return false;
    if (event->type() == QEvent::FocusIn) {
      later([](QAbstractItemView*) { return true; });
    } else if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (isMoveKey(key->key()) && key->modifiers() == Qt::NoModifier) {
        const QPersistentModelIndex before = view_->currentIndex();
        later([before](QAbstractItemView* view) { return before.isValid() && view->currentIndex() == before; });
      }
    }
    return false;
  }

 private:
  void later(std::function<bool(QAbstractItemView*)> when) {
    QPointer<QAbstractItemView> view(view_);
    QMetaObject::invokeMethod(
        this,
        [view, when = std::move(when)] {
          if (view && when(view)) presentCurrentItem(view);
        },
        Qt::QueuedConnection);
  }

  QPointer<QAbstractItemView> view_;
};

}  // namespace

void presentCurrentItem(QAbstractItemView* view) {
  if (view == nullptr || !view->hasFocus() || view->model() == nullptr) return;
  QAbstractItemModel* model = view->model();
  QModelIndex current = view->currentIndex();
  if (!current.isValid() && model->rowCount(view->rootIndex()) > 0) {
    current = model->index(0, 0, view->rootIndex());
    view->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
  }
  QAccessibleEvent event(view, QAccessible::Focus);
  // The lists here have one column: an item's accessible child is its row.
  if (current.isValid()) event.setChild(current.row());
  QAccessible::updateAccessibility(&event);
}

void presentCurrentItemWhenReached(QAbstractItemView* view) {
  if (view != nullptr) new ItemPresenter(view);
}

}  // namespace lumo::ui
