#include "sqlite3fmt/btree_walk.h"

namespace salvoran::sqlite3 {

BtreeWalk::BtreeWalk(const PageSource& pages, uint32_t root, bool indexTree)
    : pages_(pages), indexTree_(indexTree), root_(root) {}

void BtreeWalk::Report(WalkIssue issue, uint32_t page, uint32_t parent) {
  if (onIssue_) onIssue_(issue, page, parent);
}

bool BtreeWalk::Enter(uint32_t page, uint32_t parent, WalkStep* leaf) {
  if (!pages_.IsValidPage(page)) {
    Report(WalkIssue::ChildOutOfRange, page, parent);
    return false;
  }
  if (visited_.empty()) visited_.assign(static_cast<size_t>(pages_.layout().pageCount) + 1, false);
  if (visited_[page]) {
    Report(WalkIssue::PageRevisited, page, parent);
    return false;
  }
  visited_[page] = true;
  visitedOrder_.push_back(page);
  PageRef bytes = pages_.Page(page);
  PageHeader header;
  const uint8_t leafType = indexTree_ ? kIndexLeaf : kTableLeaf;
  const uint8_t interiorType = indexTree_ ? kIndexInterior : kTableInterior;
  if (bytes.empty() || !ParsePageHeader(bytes.bytes(), page, &header) ||
      (header.type != leafType && header.type != interiorType)) {
    Report(WalkIssue::WrongPageType, page, parent);
    return false;
  }
  if (header.type == leafType) {
    *leaf = WalkStep{page, bytes, header, -1};
    return true;
  }
  stack_.push_back(Frame{page, bytes, header, 0, false});
  return false;
}

bool BtreeWalk::Next(WalkStep* step) {
  if (stopped_) return false;
  if (!started_) {
    started_ = true;
    if (Enter(root_, 0, step)) return true;
  }
  while (!stack_.empty()) {
    Frame& top = stack_.back();
    if (top.cellPending) {
      top.cellPending = false;
      *step = WalkStep{top.pageNumber, top.page, top.header, top.nextChild - 1};
      return true;
    }
    if (top.nextChild > top.header.cellCount) {
      stack_.pop_back();
      continue;
    }
    if (stop_ && stop_()) {
      stopped_ = true;
      return false;
    }
    uint32_t child;
    const uint32_t parent = top.pageNumber;
    if (top.nextChild < top.header.cellCount) {
      uint32_t offset = CellOffset(top.page.bytes(), top.header, static_cast<size_t>(top.nextChild));
      child = (offset != 0 && offset + 4 <= top.page.size()) ? Get32(top.page.data() + offset) : 0;
      // An index tree's interior cell holds a record that follows the
      // subtree on its left.
      top.cellPending = indexTree_ && offset != 0;
    } else {
      child = top.header.rightChild;
    }
    ++top.nextChild;
    // Enter may grow the stack; `top` is not used after it.
    if (Enter(child, parent, step)) return true;
  }
  return false;
}

}  // namespace salvoran::sqlite3
