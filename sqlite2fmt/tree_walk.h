// A guarded walk of one SQLite 2 b-tree in key order.
//
// SQLite 2 keeps entries in every page of a tree, interior pages included:
// a page with cells C0 < C1 < ... and right child R holds, in key order, the
// subtree under C0's left child, C0, the subtree under C1's left child, C1,
// ..., and finally the subtree under R. The walk delivers the cells in that
// order with an explicit stack, so the depth of a tree costs no recursion.
//
// Every page is entered at most once: a child pointer that leads back to an
// ancestor or to a page seen before is reported and not followed; so is a
// child number beyond the last page (0 means "no child"). A cell chain that
// loops or reaches an offset where no cell can start is reported and ends
// there, keeping the cells before it; a page below the root without any
// cell (which a sound tree never has) is reported too. The walk then goes on
// with the next sibling, so every cell still reachable is delivered once.
#ifndef SALVORAN_SQLITE2FMT_TREE_WALK_H_
#define SALVORAN_SQLITE2FMT_TREE_WALK_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sqlite2fmt/pages.h"

namespace salvoran::sqlite2 {

struct WalkCell {
  uint32_t pageNumber = 0;
  PageRef page;
  uint16_t offset = 0;
  CellHeader header;
};

enum class WalkIssue {
  ChildOutOfRange,  // a child number beyond the last page
  PageRevisited,    // a child pointer to a page the walk has already entered
  CellChainLoop,    // a next-cell offset pointing back into the page's chain
  BadCellOffset,    // a cell offset where no cell can start
  EmptyPage,        // a page below the root without cells (zeroed or never written)
};

// The log text of an issue: "page 9 (child of page 3) is not in the file; skipped".
std::string DescribeWalkIssue(WalkIssue issue, uint32_t page, uint32_t parent);

class TreeWalk {
 public:
  // page: the page concerned; parent: the page that pointed at it (0 for the
  // root, and for the chain issues, which concern the page itself).
  using IssueHandler = std::function<void(WalkIssue, uint32_t page, uint32_t parent)>;
  using StopTest = std::function<bool()>;

  TreeWalk(const PageSource& pages, uint32_t root);

  void SetIssueHandler(IssueHandler handler) { onIssue_ = std::move(handler); }
  // Tested before each child page is entered; true ends the walk.
  void SetStopTest(StopTest stop) { stop_ = std::move(stop); }

  // The next cell in key order; false when the walk is over or stopped.
  bool Next(WalkCell* cell);
  bool stopped() const { return stopped_; }

 private:
  struct Frame {
    uint32_t pageNumber = 0;
    PageRef page;
    PageHeader header;
    std::vector<uint16_t> cells;
    size_t nextCell = 0;
    bool leftChildTaken = false;   // the subtree left of cells[nextCell] is done
    bool rightChildTaken = false;
  };

  // Pushes page (pointed at by parent); false when it is not followed.
  bool Enter(uint32_t page, uint32_t parent);
  void Report(WalkIssue issue, uint32_t page, uint32_t parent) const;

  const PageSource& pages_;
  uint32_t root_;
  std::vector<Frame> stack_;
  std::vector<bool> visited_;
  bool started_ = false;
  bool stopped_ = false;
  IssueHandler onIssue_;
  StopTest stop_;
};

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_SQLITE2FMT_TREE_WALK_H_
