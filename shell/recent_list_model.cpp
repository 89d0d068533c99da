#include "shell/recent_list_model.h"

#include <bit>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace wb {
namespace {

using Entry = std::list<Text>::const_iterator;
static_assert(std::is_trivially_copyable_v<Entry> && sizeof(Entry) == sizeof(gpointer),
              "an entry's position fits in a row's first pointer");

struct WbRecentListModel {
  GObject parent;
  const std::list<Text>* entries;
  // A row is valid only as long as the list has not changed since it was handed out: the
  // toolkit's own rule for models whose rows do not persist.
  gint stamp;
};

struct WbRecentListModelClass {
  GObjectClass parent;
};

void RecentListModelInterfaceInit(GtkTreeModelIface* iface);

G_DEFINE_TYPE_WITH_CODE(WbRecentListModel, wb_recent_list_model, G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(GTK_TYPE_TREE_MODEL, RecentListModelInterfaceInit))

WbRecentListModel* Self(GtkTreeModel* model) {
  return G_TYPE_CHECK_INSTANCE_CAST(model, wb_recent_list_model_get_type(), WbRecentListModel);
}

void wb_recent_list_model_class_init(WbRecentListModelClass*) {}

void wb_recent_list_model_init(WbRecentListModel* self) {
  self->entries = nullptr;
  self->stamp = g_random_int();
}

GtkTreeIter MakeIter(WbRecentListModel* self, Entry entry) {
  GtkTreeIter iter{};
  iter.stamp = self->stamp;
  iter.user_data = std::bit_cast<gpointer>(entry);
  return iter;
}

// The entry of a row this model handed out since its last change, or false.
bool EntryOf(WbRecentListModel* self, const GtkTreeIter* iter, Entry* entry) {
  if (!iter || !self->entries || iter->stamp != self->stamp) return false;
  *entry = std::bit_cast<Entry>(iter->user_data);
  return *entry != self->entries->end();
}

bool SetNth(WbRecentListModel* self, GtkTreeIter* iter, gint n) {
  if (!self->entries || n < 0 || static_cast<std::size_t>(n) >= self->entries->size()) return false;
  auto entry = self->entries->begin();
  std::advance(entry, n);
  *iter = MakeIter(self, entry);
  return true;
}

GtkTreeModelFlags GetFlags(GtkTreeModel*) {
  return GTK_TREE_MODEL_LIST_ONLY;
}

gint GetNColumns(GtkTreeModel*) {
  return 1;
}

GType GetColumnType(GtkTreeModel*, gint column) {
  return column == 0 ? G_TYPE_STRING : G_TYPE_INVALID;
}

gboolean GetIter(GtkTreeModel* model, GtkTreeIter* iter, GtkTreePath* path) {
  if (gtk_tree_path_get_depth(path) != 1) return FALSE;
  return SetNth(Self(model), iter, gtk_tree_path_get_indices(path)[0]);
}

GtkTreePath* GetPath(GtkTreeModel* model, GtkTreeIter* iter) {
  WbRecentListModel* self = Self(model);
  Entry entry;
  if (!EntryOf(self, iter, &entry)) return nullptr;
  const auto index = std::distance(self->entries->begin(), entry);
  if (index > std::numeric_limits<gint>::max()) return nullptr;
  return gtk_tree_path_new_from_indices(static_cast<gint>(index), -1);
}

void GetValue(GtkTreeModel* model, GtkTreeIter* iter, gint column, GValue* value) {
  g_value_init(value, G_TYPE_STRING);
  Entry entry;
  if (column != 0 || !EntryOf(Self(model), iter, &entry)) return;
  g_value_take_string(value, g_strdup(ToUtf8(*entry).c_str()));
}

gboolean IterNext(GtkTreeModel* model, GtkTreeIter* iter) {
  WbRecentListModel* self = Self(model);
  Entry entry;
  if (!EntryOf(self, iter, &entry) || ++entry == self->entries->end()) {
    iter->stamp = 0;
    return FALSE;
  }
  *iter = MakeIter(self, entry);
  return TRUE;
}

gboolean IterPrevious(GtkTreeModel* model, GtkTreeIter* iter) {
  WbRecentListModel* self = Self(model);
  Entry entry;
  if (!EntryOf(self, iter, &entry) || entry == self->entries->begin()) {
    iter->stamp = 0;
    return FALSE;
  }
  *iter = MakeIter(self, --entry);
  return TRUE;
}

gboolean IterChildren(GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent) {
  if (parent) return FALSE;
  return SetNth(Self(model), iter, 0);
}

gboolean IterHasChild(GtkTreeModel*, GtkTreeIter*) {
  return FALSE;
}

gint IterNChildren(GtkTreeModel* model, GtkTreeIter* iter) {
  const std::list<Text>* entries = Self(model)->entries;
  if (iter || !entries) return 0;
  const std::size_t size = entries->size();
  return size > static_cast<std::size_t>(std::numeric_limits<gint>::max())
             ? std::numeric_limits<gint>::max()
             : static_cast<gint>(size);
}

gboolean IterNthChild(GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent, gint n) {
  if (parent) return FALSE;
  return SetNth(Self(model), iter, n);
}

gboolean IterParent(GtkTreeModel*, GtkTreeIter*, GtkTreeIter*) {
  return FALSE;
}

void RecentListModelInterfaceInit(GtkTreeModelIface* iface) {
  iface->get_flags = GetFlags;
  iface->get_n_columns = GetNColumns;
  iface->get_column_type = GetColumnType;
  iface->get_iter = GetIter;
  iface->get_path = GetPath;
  iface->get_value = GetValue;
  iface->iter_next = IterNext;
  iface->iter_previous = IterPrevious;
  iface->iter_children = IterChildren;
  iface->iter_has_child = IterHasChild;
  iface->iter_n_children = IterNChildren;
  iface->iter_nth_child = IterNthChild;
  iface->iter_parent = IterParent;
}

}  // namespace

GtkTreeModel* RecentListModelNew(const std::list<Text>& entries) {
  auto* self =
      static_cast<WbRecentListModel*>(g_object_new(wb_recent_list_model_get_type(), nullptr));
  self->entries = &entries;
  return GTK_TREE_MODEL(self);
}

void RecentListModelPrepended(GtkTreeModel* model) {
  WbRecentListModel* self = Self(model);
  if (!self->entries) return;
  ++self->stamp;
  GtkTreeIter iter = MakeIter(self, self->entries->begin());
  GtkTreePath* path = gtk_tree_path_new_from_indices(0, -1);
  gtk_tree_model_row_inserted(model, path, &iter);
  gtk_tree_path_free(path);
}

void RecentListModelMovedToTop(GtkTreeModel* model, std::size_t from) {
  WbRecentListModel* self = Self(model);
  ++self->stamp;
  if (!self->entries) return;
  const std::size_t size = self->entries->size();
  if (from == 0 || from >= size || size > static_cast<std::size_t>(G_MAXINT)) return;
  // Each row's former position, in the new order: the moved row first, then the rows that
  // were above it, one down, and the rest where they were. Rows that stay where they were
  // keep the views' state (the selected row, a row reference) without a deletion.
  std::vector<gint> order(size);
  order[0] = static_cast<gint>(from);
  for (std::size_t i = 1; i < size; ++i) order[i] = static_cast<gint>(i <= from ? i - 1 : i);
  GtkTreePath* root = gtk_tree_path_new();
  gtk_tree_model_rows_reordered_with_length(model, root, nullptr, order.data(),
                                            static_cast<gint>(size));
  gtk_tree_path_free(root);
}

void RecentListModelDetach(GtkTreeModel* model) {
  WbRecentListModel* self = Self(model);
  ++self->stamp;
  self->entries = nullptr;
}

GtkTreeIter RecentListModelIter(GtkTreeModel* model, std::list<Text>::const_iterator entry) {
  return MakeIter(Self(model), entry);
}

}  // namespace wb
