#pragma once
// What a screen reader hears of a list that takes the focus. Qt presents
// the list itself last ("Elenco file, list with 3 items"), after the item
// it made current, so the reader never hears which item the keys would act
// on. These helpers present the list's current item after the list.

#include <QAbstractItemView>

namespace lumo::ui {

// Gives the accessible focus to the view's current item: the first when
// none is current (made current, not selected: presenting chooses
// nothing). An empty list is presented itself, so the reader hears that it
// has no items. Nothing when the view does not have the focus.
void presentCurrentItem(QAbstractItemView* view);

// From now on the view's current item is presented each time the view
// takes the focus, once Qt has presented the view.
void presentCurrentItemOnFocus(QAbstractItemView* view);

}  // namespace lumo::ui
