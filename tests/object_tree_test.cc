#include "recovery/object_tree.h"

#include <gtest/gtest.h>

namespace salvoran {
namespace {

// root > TABLES > (t1, t2), root > VIEWS (no children)
struct SmallTree {
  ObjectTree tree;
  TreeItem root = tree.InsertItem("/data/shop.db");
  TreeItem tables = tree.InsertItem(kTablesText, root);
  TreeItem views = tree.InsertItem(kViewsText, root);
  TreeItem t1 = tree.InsertItem(" t1 ", tables);
  TreeItem t2 = tree.InsertItem(" t2 ", tables);
};

TEST(ObjectTreeTest, CheckingACategoryChecksItsObjectsAndTheRootShowsMixed) {
  SmallTree s;
  s.tree.SetCheck(s.tables, true);
  EXPECT_TRUE(s.tree.GetCheck(s.t1));
  EXPECT_TRUE(s.tree.GetCheck(s.t2));
  EXPECT_TRUE(s.tree.GetCheck(s.tables));
  EXPECT_EQ(s.tree.GetCheckImage(s.tables), CheckImage::Checked);
  // The empty VIEWS category counts by its own flag, which is still clear.
  EXPECT_FALSE(s.tree.GetCheck(s.root));
  EXPECT_EQ(s.tree.GetCheckImage(s.root), CheckImage::Mixed);
  s.tree.SetCheck(s.views, true);
  EXPECT_TRUE(s.tree.GetCheck(s.root));
  EXPECT_EQ(s.tree.CheckedDescendants(s.root), s.tree.Descendants(s.root));
}

TEST(ObjectTreeTest, UncheckingOneObjectMakesItsCategoryMixed) {
  SmallTree s;
  s.tree.SetCheck(s.tables, true);
  s.tree.SetCheck(s.t1, false);
  EXPECT_FALSE(s.tree.GetCheck(s.tables));
  EXPECT_EQ(s.tree.GetCheckImage(s.tables), CheckImage::Mixed);
  s.tree.SetCheck(s.t1, true);
  EXPECT_TRUE(s.tree.GetCheck(s.tables));
}

TEST(ObjectTreeTest, InsertingUnderAFullyCheckedCategoryTurnsItMixed) {
  SmallTree s;
  s.tree.SetCheck(s.root, true);
  EXPECT_TRUE(s.tree.GetCheck(s.root));
  TreeItem t3 = s.tree.InsertItem(" t3 ", s.tables);
  EXPECT_FALSE(s.tree.GetCheck(t3));
  EXPECT_EQ(s.tree.GetCheckImage(s.tables), CheckImage::Mixed);
  EXPECT_FALSE(s.tree.GetCheck(s.root));
  EXPECT_EQ(s.tree.Descendants(s.root), 5);
  // views, t1 and t2; TABLES itself no longer counts as checked.
  EXPECT_EQ(s.tree.CheckedDescendants(s.root), 3);
}

TEST(ObjectTreeTest, NavigationDataAndMissingItems) {
  SmallTree s;
  s.tree.SetItemData(s.t2, 7);
  TreeItem first = s.tree.InsertItem(" t0 ", s.tables, InsertPosition::First);
  EXPECT_EQ(s.tree.GetRootItem(), s.root);
  EXPECT_EQ(s.tree.GetChildItem(s.tables), first);
  EXPECT_EQ(s.tree.GetNextSiblingItem(first), s.t1);
  EXPECT_EQ(s.tree.GetNextSiblingItem(s.t2), kNoItem);
  EXPECT_EQ(s.tree.GetParentItem(s.t2), s.tables);
  EXPECT_EQ(s.tree.GetItemData(s.t2), 7);
  EXPECT_EQ(s.tree.GetItemText(s.t1), " t1 ");
  // A missing item does nothing and answers with nothing.
  EXPECT_EQ(s.tree.GetItemText(999), "");
  EXPECT_FALSE(s.tree.GetCheck(999));
  s.tree.SetCheck(999, true);
  s.tree.DeleteAllItems();
  EXPECT_EQ(s.tree.ItemCount(), 0u);
  EXPECT_EQ(s.tree.GetRootItem(), kNoItem);
}

}  // namespace
}  // namespace salvoran
