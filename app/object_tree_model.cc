#include "app/object_tree_model.h"

#include <algorithm>

#include "app/svg_icon.h"
#include "app/ui_thread.h"

namespace salvoran::app {

ObjectTreeModel::ObjectTreeModel(ObjectTree& tree, QObject* parent) : QAbstractItemModel(parent), tree_(tree) {
  databaseIcon_ = SvgIcon(":/icons/item-database.svg");
  folderIcon_ = SvgIcon(":/icons/item-folder.svg");
  tableIcon_ = SvgIcon(":/icons/item-table.svg");
  indexIcon_ = SvgIcon(":/icons/item-index.svg");
  viewIcon_ = SvgIcon(":/icons/item-view.svg");
  triggerIcon_ = SvgIcon(":/icons/item-trigger.svg");
  children_[kNoItem] = {};
  tree_.SetObserver([this](TreeChange change, TreeItem item) {
    RunOnUiThread(this, [&] { OnTreeChange(change, item); });
  });
}

ObjectTreeModel::~ObjectTreeModel() { tree_.SetObserver(nullptr); }

void ObjectTreeModel::OnTreeChange(TreeChange change, TreeItem item) {
  switch (change) {
    case TreeChange::Inserted:
      InsertFromCore(item);
      break;
    case TreeChange::CheckChanged:
      NotifyChecksChanged(item);
      break;
    case TreeChange::TextChanged: {
      QModelIndex at = IndexOf(item);
      if (at.isValid()) emit dataChanged(at, at);
      break;
    }
    case TreeChange::Expanded:
      emit expansionChanged(item, tree_.IsExpanded(item));
      break;
    case TreeChange::Selected:
      emit selectionChanged(item);
      break;
    case TreeChange::Cleared:
      beginResetModel();
      children_.clear();
      parents_.clear();
      children_[kNoItem] = {};
      endResetModel();
      break;
  }
}

void ObjectTreeModel::InsertFromCore(TreeItem item) {
  if (parents_.count(item) != 0) return;
  TreeItem parent = tree_.GetParentItem(item);
  if (parent != kNoItem && parents_.count(parent) == 0) return;  // parent already gone
  std::vector<TreeItem>& siblings = children_[parent];
  // The core inserts first or last; find where it put the item.
  std::vector<TreeItem> coreOrder = tree_.Children(parent);
  auto found = std::find(coreOrder.begin(), coreOrder.end(), item);
  size_t position = siblings.size();
  if (found != coreOrder.end()) {
    position = std::min(static_cast<size_t>(found - coreOrder.begin()), siblings.size());
  }
  QModelIndex parentIndex = IndexOf(parent);
  beginInsertRows(parentIndex, static_cast<int>(position), static_cast<int>(position));
  siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(position), item);
  parents_[item] = parent;
  children_[item];
  endInsertRows();
  // The ancestors' counters changed with the insertion.
  for (TreeItem up = parent; up != kNoItem; up = parents_[up]) {
    QModelIndex at = IndexOf(up);
    emit dataChanged(at, at, {Qt::CheckStateRole});
  }
}

void ObjectTreeModel::NotifyChecksChanged(TreeItem item) {
  // SetCheck changes the item, everything below it and its ancestors.
  std::vector<TreeItem> pending{item};
  while (!pending.empty()) {
    TreeItem next = pending.back();
    pending.pop_back();
    QModelIndex at = IndexOf(next);
    if (at.isValid()) emit dataChanged(at, at, {Qt::CheckStateRole});
    auto kids = children_.find(next);
    if (kids != children_.end()) pending.insert(pending.end(), kids->second.begin(), kids->second.end());
  }
  auto up = parents_.find(item);
  while (up != parents_.end() && up->second != kNoItem) {
    QModelIndex at = IndexOf(up->second);
    emit dataChanged(at, at, {Qt::CheckStateRole});
    up = parents_.find(up->second);
  }
}

int ObjectTreeModel::RowOf(TreeItem item) const {
  auto parent = parents_.find(item);
  if (parent == parents_.end()) return -1;
  const std::vector<TreeItem>& siblings = children_.at(parent->second);
  auto found = std::find(siblings.begin(), siblings.end(), item);
  return found == siblings.end() ? -1 : static_cast<int>(found - siblings.begin());
}

QModelIndex ObjectTreeModel::IndexOf(TreeItem item) const {
  if (item == kNoItem) return {};
  int row = RowOf(item);
  if (row < 0) return {};
  return createIndex(row, 0, static_cast<quintptr>(item));
}

TreeItem ObjectTreeModel::ItemOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TreeItem>(index.internalId()) : kNoItem;
}

QModelIndex ObjectTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  auto kids = children_.find(ItemOf(parent));
  if (kids == children_.end() || static_cast<size_t>(row) >= kids->second.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(kids->second[static_cast<size_t>(row)]));
}

QModelIndex ObjectTreeModel::parent(const QModelIndex& child) const {
  auto parent = parents_.find(ItemOf(child));
  if (parent == parents_.end()) return {};
  return IndexOf(parent->second);
}

int ObjectTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  auto kids = children_.find(ItemOf(parent));
  return kids == children_.end() ? 0 : static_cast<int>(kids->second.size());
}

int ObjectTreeModel::columnCount(const QModelIndex&) const { return 1; }

QIcon ObjectTreeModel::IconFor(TreeItem item) const {
  int32_t data = tree_.GetItemData(item);
  TreeItem parent = tree_.GetParentItem(item);
  if (parent == kNoItem) return databaseIcon_;
  if (data < 0) return folderIcon_;
  switch (tree_.GetItemData(parent)) {
    case kTablesItemData: return tableIcon_;
    case kIndexesItemData: return indexIcon_;
    case kViewsItemData: return viewIcon_;
    case kTriggersItemData: return triggerIcon_;
    default: return folderIcon_;
  }
}

QVariant ObjectTreeModel::data(const QModelIndex& index, int role) const {
  TreeItem item = ItemOf(index);
  if (item == kNoItem) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return QString::fromStdString(tree_.GetItemText(item));
    case Qt::DecorationRole:
      return IconFor(item);
    case Qt::CheckStateRole:
      switch (tree_.GetCheckImage(item)) {
        case CheckImage::Checked: return Qt::Checked;
        case CheckImage::Mixed: return Qt::PartiallyChecked;
        case CheckImage::Unchecked: return Qt::Unchecked;
      }
      return Qt::Unchecked;
    default:
      return {};
  }
}

bool ObjectTreeModel::setData(const QModelIndex& index, const QVariant&, int role) {
  // The core decides the new state: a click toggles the effective check.
  if (role != Qt::CheckStateRole) return false;
  TreeItem item = ItemOf(index);
  if (item == kNoItem) return false;
  ToggleCheck(item);
  return true;
}

void ObjectTreeModel::ToggleCheck(TreeItem item) { tree_.SetCheck(item, !tree_.GetCheck(item)); }

Qt::ItemFlags ObjectTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

}  // namespace salvoran::app
