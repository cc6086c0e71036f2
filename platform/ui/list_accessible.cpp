#include "platform/ui/list_accessible.h"

#include <QAccessible>
#include <QEvent>
#include <QPointer>

namespace lumo::ui {
namespace {

// Follows one view's focus; a child of the view, so it goes with it. Qt
// presents the view after the view's focus-in handler has run, so the item
// follows from the event loop.
class ItemPresenter : public QObject {
 public:
  explicit ItemPresenter(QAbstractItemView* view) : QObject(view), view_(view) { view->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view_ && event->type() == QEvent::FocusIn) {
      QPointer<QAbstractItemView> view(view_);
      QMetaObject::invokeMethod(
          this, [view] { presentCurrentItem(view); }, Qt::QueuedConnection);
    }
    return false;
  }

 private:
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

void presentCurrentItemOnFocus(QAbstractItemView* view) {
  if (view != nullptr) new ItemPresenter(view);
}

}  // namespace lumo::ui
