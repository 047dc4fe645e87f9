// A guarded walk of one b-tree in key order.
//
// The walk starts at a root page and descends through interior pages, left
// child by left child and then the right-most child, with an explicit stack.
// Every page is entered at most once, so a child pointer that leads back to
// an ancestor or to a page seen before cannot make it loop; a child number
// of 0 or beyond the last page, and a page whose type does not belong to the
// tree, are reported and skipped, and the walk goes on with the next
// sibling.
//
// Steps come out in key order: each leaf page as a whole, and for index
// trees (which keep records on interior pages too) each interior cell after
// the subtree to its left.
#ifndef SALVORAN_SQLITE3FMT_BTREE_WALK_H_
#define SALVORAN_SQLITE3FMT_BTREE_WALK_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "sqlite3fmt/btree.h"

namespace salvoran::sqlite3 {

struct WalkStep {
  uint32_t pageNumber = 0;
  PageRef page;
  PageHeader header;
  int interiorCell = -1;  // index of the interior cell, or -1 for a leaf page
};

enum class WalkIssue {
  ChildOutOfRange,  // 0 or beyond the last page
  PageRevisited,    // a pointer to a page the walk has already entered
  WrongPageType,    // not a page of this kind of tree (zeroed, overwritten)
};

class BtreeWalk {
 public:
  using IssueHandler = std::function<void(WalkIssue, uint32_t page, uint32_t parent)>;
  using StopTest = std::function<bool()>;

  // indexTree: the tree holds index pages (2, 10), as WITHOUT ROWID tables
  // and indexes do; otherwise table pages (5, 13).
  BtreeWalk(const PageSource& pages, uint32_t root, bool indexTree);

  void SetIssueHandler(IssueHandler handler) { onIssue_ = std::move(handler); }
  // Tested before each child page is entered.
  void SetStopTest(StopTest stop) { stop_ = std::move(stop); }

  // The next step; false when the walk is over (or stopped).
  bool Next(WalkStep* step);
  bool stopped() const { return stopped_; }
  const std::vector<uint32_t>& visitedPages() const { return visitedOrder_; }

 private:
  struct Frame {
    uint32_t pageNumber;
    PageRef page;
    PageHeader header;
    int nextChild;        // 0..cellCount; cellCount means the right-most child
    bool cellPending;     // index trees: interior cell nextChild-1 not yet delivered
  };

  // Enters page (as the child of parent); false when it is skipped.
  bool Enter(uint32_t page, uint32_t parent, WalkStep* leaf);
  void Report(WalkIssue issue, uint32_t page, uint32_t parent);

  const PageSource& pages_;
  bool indexTree_;
  std::vector<Frame> stack_;
  std::vector<bool> visited_;
  std::vector<uint32_t> visitedOrder_;
  uint32_t root_;
  bool started_ = false;
  bool stopped_ = false;
  IssueHandler onIssue_;
  StopTest stop_;
};

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_BTREE_WALK_H_
