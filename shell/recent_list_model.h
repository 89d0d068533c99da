#pragma once
// The address box's drop-down list as a list model of one text column over the window model's
// list of recent addresses. Each address is kept once, in the window model; the toolkit gets a
// row's UTF-8 text only when it asks for it (to show the row, or to put it into the box), so a
// long day's list costs the toolkit no string and no row object of its own.
#include <gtk/gtk.h>

#include <cstddef>
#include <list>

#include "support/text.h"

namespace wb {

// A new list model (one reference, the caller's) over `entries`, which must outlive it and may
// change only as the two calls below tell it, each right after the change.
GtkTreeModel* RecentListModelNew(const std::list<Text>& entries);
// A new entry is the first.
void RecentListModelPrepended(GtkTreeModel* model);
// The entry that was at `from` (counted from 0) is now the first.
void RecentListModelMovedToTop(GtkTreeModel* model, std::size_t from);
// The entries are going: from now on the list is empty and nothing reads them. The views that
// still show it must be told apart (the list is not told of each row leaving).
void RecentListModelDetach(GtkTreeModel* model);
// The row of `entry`, an entry of the list.
GtkTreeIter RecentListModelIter(GtkTreeModel* model, std::list<Text>::const_iterator entry);

}  // namespace wb
