#include "app/object_tree_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace salvoran::app {

CXHtmlTree::CXHtmlTree(ObjectTreeModel& model, QWidget* parent) : QTreeView(parent), model_(model) {
  setModel(&model_);
  setHeaderHidden(true);
  setRootIsDecorated(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(16, 16));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);

  connect(&model_, &ObjectTreeModel::expansionChanged, this, [this](TreeItem item, bool expanded) {
    QModelIndex at = model_.IndexOf(item);
    if (at.isValid() && isExpanded(at) != expanded) setExpanded(at, expanded);
  });
  connect(&model_, &ObjectTreeModel::selectionChanged, this, [this](TreeItem item) {
    QModelIndex at = model_.IndexOf(item);
    if (at.isValid() && currentIndex() != at) setCurrentIndex(at);
  });
  connect(this, &QTreeView::expanded, this, [this](const QModelIndex& at) {
    model_.tree().Expand(model_.ItemOf(at), true);
  });
  connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& at) {
    model_.tree().Expand(model_.ItemOf(at), false);
  });
  connect(&model_, &QAbstractItemModel::modelReset, this, [this] { scrollTo(QModelIndex()); });
}

QStyleOptionViewItem CXHtmlTree::OptionFor(const QModelIndex& index) const {
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.index = index;
  option.rect = visualRect(index);
  option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                     QStyleOptionViewItem::HasDecoration;
  option.text = index.data(Qt::DisplayRole).toString();
  option.icon = index.data(Qt::DecorationRole).value<QIcon>();
  option.decorationSize = iconSize();
  option.checkState = static_cast<Qt::CheckState>(index.data(Qt::CheckStateRole).toInt());
  return option;
}

QRect CXHtmlTree::NameRect(TreeItem item) const {
  QModelIndex index = model_.IndexOf(item);
  if (!index.isValid()) return {};
  QStyleOptionViewItem option = OptionFor(index);
  QRect area = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
  // Only the text itself counts, not the free row space right of it.
  int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  int width = option.fontMetrics.horizontalAdvance(option.text) + 2 * margin;
  area.setWidth(std::min(area.width(), width));
  return area;
}

QRect CXHtmlTree::CheckRect(TreeItem item) const {
  QModelIndex index = model_.IndexOf(item);
  if (!index.isValid()) return {};
  QStyleOptionViewItem option = OptionFor(index);
  return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

void CXHtmlTree::SelectInCore(const QModelIndex& index) {
  if (index.isValid()) model_.tree().SelectItem(model_.ItemOf(index));
}

void CXHtmlTree::mousePressEvent(QMouseEvent* event) {
  QModelIndex index = indexAt(event->position().toPoint());
  QTreeView::mousePressEvent(event);
  if (!index.isValid()) return;
  if (currentIndex() != index) setCurrentIndex(index);
  TreeItem item = model_.ItemOf(index);
  SelectInCore(index);
  if (event->button() == Qt::LeftButton && NameRect(item).contains(event->position().toPoint())) {
    emit nameClicked(item);
  }
}

void CXHtmlTree::keyPressEvent(QKeyEvent* event) {
  QModelIndex current = currentIndex();
  const bool keypad = event->modifiers() & Qt::KeypadModifier;
  switch (event->key()) {
    case Qt::Key_Space:
      if (current.isValid()) model_.ToggleCheck(model_.ItemOf(current));
      event->accept();
      return;
    case Qt::Key_Plus:
      if (keypad && current.isValid()) {
        expand(current);
        event->accept();
        return;
      }
      break;
    case Qt::Key_Minus:
      if (keypad && current.isValid()) {
        collapse(current);
        event->accept();
        return;
      }
      break;
    case Qt::Key_Asterisk:
      if (current.isValid()) {
        expandRecursively(current);
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QTreeView::keyPressEvent(event);
  // Keyboard selection moves the core's selection but starts no preview.
  if (currentIndex() != current) SelectInCore(currentIndex());
}

void CXHtmlTree::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

}  // namespace salvoran::app
