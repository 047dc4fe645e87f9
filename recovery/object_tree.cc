// Tree rules.
//
// Effective state: an item without descendants is checked when its own flag
// is; an item with descendants is checked when checkedDescendants > 0 and
// equals descendants. Its image is unchecked at 0, checked when all are,
// mixed otherwise.
//
// Ancestor step, given delta (the change in checked items below): add delta
// to checkedDescendants (not below 0); the ancestor's own flag becomes
// "all below checked"; the delta handed upwards grows by one when that flag
// turned on and shrinks by one when it turned off.
//
// Insert: the new item starts unchecked; each ancestor gets descendants += 1
// and then the ancestor step with the running delta (0 at the start), so a
// fully checked parent turns mixed.
#include "recovery/object_tree.h"

#include <algorithm>

namespace salvoran {

const ObjectTree::Item* ObjectTree::Find(TreeItem item) const {
  auto it = items_.find(item);
  return it == items_.end() ? nullptr : &it->second;
}

ObjectTree::Item* ObjectTree::Find(TreeItem item) {
  auto it = items_.find(item);
  return it == items_.end() ? nullptr : &it->second;
}

bool ObjectTree::EffectiveCheck(const Item& item) const {
  if (item.descendants == 0) return item.checked;
  return item.checkedDescendants > 0 && item.checkedDescendants == item.descendants;
}

void ObjectTree::UpdateAncestors(TreeItem parent, int32_t delta) {
  for (Item* ancestor = Find(parent); ancestor != nullptr; ancestor = Find(ancestor->parent)) {
    ancestor->checkedDescendants = std::max(0, ancestor->checkedDescendants + delta);
    bool was = ancestor->checked;
    ancestor->checked = ancestor->checkedDescendants == ancestor->descendants;
    if (ancestor->checked && !was) ++delta;
    if (!ancestor->checked && was) --delta;
  }
}

TreeItem ObjectTree::InsertItem(const std::string& text, TreeItem parent, InsertPosition where) {
  TreeItem handle;
  {
    std::lock_guard lock(mutex_);
    if (parent != kNoItem && Find(parent) == nullptr) return kNoItem;
    handle = nextHandle_++;
    Item item;
    item.text = text;
    item.parent = parent;
    items_.emplace(handle, std::move(item));
    std::vector<TreeItem>& siblings = parent == kNoItem ? topLevel_ : Find(parent)->children;
    if (where == InsertPosition::First) {
      siblings.insert(siblings.begin(), handle);
    } else {
      siblings.push_back(handle);
    }
    for (Item* ancestor = Find(parent); ancestor != nullptr; ancestor = Find(ancestor->parent)) {
      ancestor->descendants += 1;
    }
    UpdateAncestors(parent, 0);
  }
  Notify(TreeChange::Inserted, handle);
  return handle;
}

void ObjectTree::SetItemData(TreeItem item, int32_t data) {
  std::lock_guard lock(mutex_);
  if (Item* found = Find(item)) found->data = data;
}

int32_t ObjectTree::GetItemData(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  return found ? found->data : 0;
}

std::string ObjectTree::GetItemText(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  return found ? found->text : std::string();
}

bool ObjectTree::GetCheck(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  return found ? EffectiveCheck(*found) : false;
}

CheckImage ObjectTree::GetCheckImage(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  if (found == nullptr) return CheckImage::Unchecked;
  if (found->descendants == 0) return found->checked ? CheckImage::Checked : CheckImage::Unchecked;
  if (found->checkedDescendants == 0) return CheckImage::Unchecked;
  if (found->checkedDescendants == found->descendants) return CheckImage::Checked;
  return CheckImage::Mixed;
}

void ObjectTree::SetSubtree(Item& item, bool value) {
  // An explicit stack keeps deep trees from exhausting the call stack.
  std::vector<Item*> pending{&item};
  while (!pending.empty()) {
    Item* current = pending.back();
    pending.pop_back();
    current->checked = value;
    current->checkedDescendants = value ? current->descendants : 0;
    for (TreeItem child : current->children) pending.push_back(Find(child));
  }
}

void ObjectTree::SetCheck(TreeItem item, bool value) {
  {
    std::lock_guard lock(mutex_);
    Item* found = Find(item);
    if (found == nullptr || deleting_) return;
    bool old = found->checked;
    found->checked = value;
    if (value == old) return;
    int32_t delta = value ? found->descendants - found->checkedDescendants + 1
                          : -(found->checkedDescendants + 1);
    SetSubtree(*found, value);
    UpdateAncestors(found->parent, delta);
  }
  Notify(TreeChange::CheckChanged, item);
}

void ObjectTree::Expand(TreeItem item, bool expand) {
  {
    std::lock_guard lock(mutex_);
    Item* found = Find(item);
    if (found == nullptr) return;
    found->expanded = expand;
  }
  Notify(TreeChange::Expanded, item);
}

bool ObjectTree::IsExpanded(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  return found ? found->expanded : false;
}

void ObjectTree::SelectItem(TreeItem item) {
  {
    std::lock_guard lock(mutex_);
    if (selected_ == item || (item != kNoItem && Find(item) == nullptr)) return;
    selected_ = item;
  }
  Notify(TreeChange::Selected, item);
}

void ObjectTree::DeleteAllItems() {
  {
    std::lock_guard lock(mutex_);
    deleting_ = true;
    items_.clear();
    topLevel_.clear();
    selected_ = kNoItem;
    deleting_ = false;
  }
  Notify(TreeChange::Cleared, kNoItem);
}

TreeItem ObjectTree::GetRootItem() const {
  std::lock_guard lock(mutex_);
  return topLevel_.empty() ? kNoItem : topLevel_.front();
}

TreeItem ObjectTree::GetChildItem(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  return (found == nullptr || found->children.empty()) ? kNoItem : found->children.front();
}

TreeItem ObjectTree::GetNextSiblingItem(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  if (found == nullptr) return kNoItem;
  const std::vector<TreeItem>& siblings =
      found->parent == kNoItem ? topLevel_ : Find(found->parent)->children;
  auto it = std::find(siblings.begin(), siblings.end(), item);
  if (it == siblings.end() || ++it == siblings.end()) return kNoItem;
  return *it;
}

TreeItem ObjectTree::GetParentItem(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  return found ? found->parent : kNoItem;
}

TreeItem ObjectTree::GetSelectedItem() const {
  std::lock_guard lock(mutex_);
  return selected_;
}

std::vector<TreeItem> ObjectTree::Children(TreeItem item) const {
  std::lock_guard lock(mutex_);
  if (item == kNoItem) return topLevel_;
  const Item* found = Find(item);
  return found ? found->children : std::vector<TreeItem>();
}

size_t ObjectTree::ItemCount() const {
  std::lock_guard lock(mutex_);
  return items_.size();
}

int32_t ObjectTree::Descendants(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  return found ? found->descendants : 0;
}

int32_t ObjectTree::CheckedDescendants(TreeItem item) const {
  std::lock_guard lock(mutex_);
  const Item* found = Find(item);
  return found ? found->checkedDescendants : 0;
}

void ObjectTree::SetObserver(Observer observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void ObjectTree::Notify(TreeChange change, TreeItem item) {
  Observer observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  if (observer) observer(change, item);
}

}  // namespace salvoran
