// CXHtmlTree: the tree view of the "SQLite Database Objects" pane.
//
// It draws the ObjectTreeModel with tri-state check boxes and keeps the
// core tree's selection and expansion in step with its own. A left press
// exactly on an item's name (not its check box, icon or the row beyond the
// text) selects the item and emits nameClicked, which starts the preview; a
// press on the check box toggles the check; Space toggles the selected
// item's check; keypad + and - expand and collapse, * expands everything
// below; the arrows and a double click work as in any tree.
#ifndef SALVORAN_APP_OBJECT_TREE_VIEW_H_
#define SALVORAN_APP_OBJECT_TREE_VIEW_H_

#include <QTreeView>

#include "app/object_tree_model.h"

namespace salvoran::app {

class CXHtmlTree : public QTreeView {
  Q_OBJECT

 public:
  explicit CXHtmlTree(ObjectTreeModel& model, QWidget* parent = nullptr);

  // Where an item's name and check box are drawn, in viewport coordinates.
  QRect NameRect(TreeItem item) const;
  QRect CheckRect(TreeItem item) const;

 signals:
  void nameClicked(TreeItem item);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QStyleOptionViewItem OptionFor(const QModelIndex& index) const;
  void SelectInCore(const QModelIndex& index);

  ObjectTreeModel& model_;
};

}  // namespace salvoran::app

#endif  // SALVORAN_APP_OBJECT_TREE_VIEW_H_
