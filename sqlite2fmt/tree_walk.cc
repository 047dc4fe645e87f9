#include "sqlite2fmt/tree_walk.h"

namespace salvoran::sqlite2 {

std::string DescribeWalkIssue(WalkIssue issue, uint32_t page, uint32_t parent) {
  const std::string number = std::to_string(page);
  const std::string where =
      parent == 0 ? "page " + number : "page " + number + " (child of page " + std::to_string(parent) + ")";
  switch (issue) {
    case WalkIssue::ChildOutOfRange:
      return where + " is not in the file; skipped";
    case WalkIssue::PageRevisited:
      return where + " was already read; the loop is not followed";
    case WalkIssue::CellChainLoop:
      return "the cell chain of page " + number + " loops; the cells after the loop are not read";
    case WalkIssue::EmptyPage:
      return where + " holds no cells";
    case WalkIssue::BadCellOffset:
      return "page " + number + " points to a cell where none can start; the cells from there on are not read";
  }
  return {};
}

TreeWalk::TreeWalk(const PageSource& pages, uint32_t root)
    : pages_(pages), root_(root), visited_(static_cast<size_t>(pages.layout().pageCount) + 1, false) {}

void TreeWalk::Report(WalkIssue issue, uint32_t page, uint32_t parent) const {
  if (onIssue_) onIssue_(issue, page, parent);
}

bool TreeWalk::Enter(uint32_t page, uint32_t parent) {
  if (!pages_.IsValidPage(page)) {
    Report(WalkIssue::ChildOutOfRange, page, parent);
    return false;
  }
  if (visited_[page]) {
    Report(WalkIssue::PageRevisited, page, parent);
    return false;
  }
  visited_[page] = true;
  Frame frame;
  frame.pageNumber = page;
  frame.page = pages_.Page(page);
  if (frame.page.empty()) return false;
  frame.header = ParsePageHeader(frame.page.data(), pages_.order());
  CellChain chain = ReadCellChain(frame.page.bytes(), pages_.order());
  if (chain.looped) Report(WalkIssue::CellChainLoop, page, 0);
  if (chain.badOffset) Report(WalkIssue::BadCellOffset, page, 0);
  if (chain.offsets.empty() && !chain.badOffset && parent != 0) Report(WalkIssue::EmptyPage, page, parent);
  frame.cells = std::move(chain.offsets);
  stack_.push_back(std::move(frame));
  return true;
}

bool TreeWalk::Next(WalkCell* cell) {
  if (stopped_) return false;
  if (!started_) {
    started_ = true;
    Enter(root_, 0);
  }
  while (!stack_.empty()) {
    Frame& frame = stack_.back();
    uint32_t child = 0;
    if (frame.nextCell < frame.cells.size()) {
      const uint16_t offset = frame.cells[frame.nextCell];
      CellHeader header = ParseCellHeader(frame.page.data() + offset, pages_.order());
      if (!frame.leftChildTaken) {
        frame.leftChildTaken = true;
        child = header.leftChild;
      } else {
        cell->pageNumber = frame.pageNumber;
        cell->page = frame.page;
        cell->offset = offset;
        cell->header = header;
        ++frame.nextCell;
        frame.leftChildTaken = false;
        return true;
      }
    } else if (!frame.rightChildTaken) {
      frame.rightChildTaken = true;
      child = frame.header.rightChild;
    } else {
      stack_.pop_back();
      continue;
    }
    if (child == 0) continue;
    if (stop_ && stop_()) {
      stopped_ = true;
      stack_.clear();
      return false;
    }
    // Enter may grow the stack, so `frame` is not used after it.
    Enter(child, frame.pageNumber);
  }
  return false;
}

}  // namespace salvoran::sqlite2
