// The Qt item model over the core's ObjectTree.
//
// The core model decides everything about check boxes (the counters, the
// propagation, the image of each item); this model only shows the image the
// core gives (unchecked, checked, mixed) and forwards a toggle to SetCheck.
// It keeps its own copy of the tree's shape (children and parent of every
// handle), changed only when the core reports an insertion or a clearing,
// so the view sees a shape that changes between notifications only.
// Notifications from a worker are carried out on the user-interface thread
// while the worker waits.
#ifndef SALVORAN_APP_OBJECT_TREE_MODEL_H_
#define SALVORAN_APP_OBJECT_TREE_MODEL_H_

#include <QAbstractItemModel>
#include <QIcon>
#include <unordered_map>
#include <vector>

#include "recovery/object_tree.h"

namespace salvoran::app {

class ObjectTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit ObjectTreeModel(ObjectTree& tree, QObject* parent = nullptr);
  ~ObjectTreeModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  QModelIndex IndexOf(TreeItem item) const;
  TreeItem ItemOf(const QModelIndex& index) const;
  ObjectTree& tree() { return tree_; }

  // Toggles the check of item as a click on its check box does.
  void ToggleCheck(TreeItem item);

 signals:
  // The core changed an item's expansion or the selection.
  void expansionChanged(TreeItem item, bool expanded);
  void selectionChanged(TreeItem item);

 private:
  void OnTreeChange(TreeChange change, TreeItem item);
  void InsertFromCore(TreeItem item);
  void NotifyChecksChanged(TreeItem item);
  int RowOf(TreeItem item) const;
  QIcon IconFor(TreeItem item) const;

  ObjectTree& tree_;
  // Shape as last reported: children per handle (kNoItem: top level).
  std::unordered_map<TreeItem, std::vector<TreeItem>> children_;
  std::unordered_map<TreeItem, TreeItem> parents_;
  QIcon databaseIcon_, folderIcon_, tableIcon_, indexIcon_, viewIcon_, triggerIcon_;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_OBJECT_TREE_MODEL_H_
