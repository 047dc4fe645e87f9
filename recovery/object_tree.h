// The object tree's model: items with text, 32-bit item data and a
// tri-state check box whose parents show the combined state below them.
//
// Every item keeps its own `checked` flag and two counters: `descendants`
// (items below it, all depths) and `checkedDescendants` (those with the flag
// set). GetCheck of an item with descendants is true only when all of them
// are checked; an item without descendants answers with its own flag.
// SetCheck sets the item and everything below it, then walks the ancestors
// with the change in checked items, as the Tree rules in the header of
// object_tree.cc describe.
//
// Items are addressed by handles; kNoItem (0) is "no item". Operations on a
// missing item do nothing and return 0, false or an empty text.
//
// The model is shared by the scan worker, the save worker and the user
// interface, so every operation takes one internal lock. An observer (the
// Qt view) is told after each change, outside the lock.
#ifndef SALVORAN_RECOVERY_OBJECT_TREE_H_
#define SALVORAN_RECOVERY_OBJECT_TREE_H_

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace salvoran {

using TreeItem = uint64_t;
constexpr TreeItem kNoItem = 0;

// Item data of the fixed items; object items carry their catalog index.
constexpr int32_t kRootItemData = -1;
constexpr int32_t kTablesItemData = -2;
constexpr int32_t kIndexesItemData = -3;
constexpr int32_t kViewsItemData = -4;
constexpr int32_t kTriggersItemData = -5;

// Category texts; each ends in two blanks.
inline constexpr const char* kTablesText = "TABLES  ";
inline constexpr const char* kIndexesText = "INDEXES  ";
inline constexpr const char* kViewsText = "VIEWS  ";
inline constexpr const char* kTriggersText = "TRIGGERS  ";

enum class InsertPosition { First, Last };

// The image a check box shows: 1 unchecked, 2 checked, 3 mixed.
enum class CheckImage { Unchecked = 1, Checked = 2, Mixed = 3 };

// What changed, for an observer that redraws.
enum class TreeChange { Inserted, CheckChanged, TextChanged, Expanded, Selected, Cleared };

class ObjectTree {
 public:
  using Observer = std::function<void(TreeChange, TreeItem)>;

  ObjectTree() = default;
  ObjectTree(const ObjectTree&) = delete;
  ObjectTree& operator=(const ObjectTree&) = delete;

  // parent kNoItem inserts a top-level item.
  TreeItem InsertItem(const std::string& text, TreeItem parent = kNoItem,
                      InsertPosition where = InsertPosition::Last);
  void SetItemData(TreeItem item, int32_t data);
  int32_t GetItemData(TreeItem item) const;
  std::string GetItemText(TreeItem item) const;
  bool GetCheck(TreeItem item) const;
  CheckImage GetCheckImage(TreeItem item) const;
  void SetCheck(TreeItem item, bool value);
  void Expand(TreeItem item, bool expand);
  bool IsExpanded(TreeItem item) const;
  void SelectItem(TreeItem item);
  void DeleteAllItems();

  TreeItem GetRootItem() const;  // the first top-level item
  TreeItem GetChildItem(TreeItem item) const;
  TreeItem GetNextSiblingItem(TreeItem item) const;
  TreeItem GetParentItem(TreeItem item) const;
  TreeItem GetSelectedItem() const;
  std::vector<TreeItem> Children(TreeItem item) const;  // kNoItem: top level
  size_t ItemCount() const;

  // Counters, for tests and the view.
  int32_t Descendants(TreeItem item) const;
  int32_t CheckedDescendants(TreeItem item) const;

  void SetObserver(Observer observer);

 private:
  struct Item {
    std::string text;
    int32_t data = 0;
    TreeItem parent = kNoItem;
    std::vector<TreeItem> children;
    bool checked = false;
    int32_t descendants = 0;
    int32_t checkedDescendants = 0;
    bool expanded = false;
  };

  const Item* Find(TreeItem item) const;
  Item* Find(TreeItem item);
  bool EffectiveCheck(const Item& item) const;
  void SetSubtree(Item& item, bool value);
  void UpdateAncestors(TreeItem parent, int32_t delta);
  void Notify(TreeChange change, TreeItem item);

  mutable std::recursive_mutex mutex_;
  std::unordered_map<TreeItem, Item> items_;
  std::vector<TreeItem> topLevel_;
  TreeItem nextHandle_ = 1;
  TreeItem selected_ = kNoItem;
  bool deleting_ = false;
  Observer observer_;
};

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_OBJECT_TREE_H_
