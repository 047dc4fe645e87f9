#include "platform/dao/jet_index.h"

#include <algorithm>

#include "platform/dao/jet_bytes.h"

namespace salvoran::jet {
namespace {

constexpr size_t kChildPointerSize = 4;

std::vector<uint8_t> LeafEntryBytes(const IndexEntry& entry) {
  std::vector<uint8_t> bytes = entry.key;
  bytes.push_back(static_cast<uint8_t>(entry.page >> 16));
  bytes.push_back(static_cast<uint8_t>(entry.page >> 8));
  bytes.push_back(static_cast<uint8_t>(entry.page));
  bytes.push_back(entry.row);
  return bytes;
}

// Splits entries into pages of at most 3616 bytes: the index of the first
// entry of each page.
std::vector<size_t> CutIntoPages(const std::vector<size_t>& sizes) {
  std::vector<size_t> starts{0};
  size_t used = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (used + sizes[i] > kIndexEntryBytesPerPage && used > 0) {
      starts.push_back(i);
      used = 0;
    }
    used += sizes[i];
  }
  return starts;
}

struct Level {
  std::vector<std::vector<uint8_t>> entries;  // full entry bytes on this level
  std::vector<std::vector<uint8_t>> lastLeafEntry;  // per entry: the leaf entry it ends with
  std::vector<size_t> pageStarts;
};

// The node level above `below`: one entry per page of `below`, made of the
// last leaf entry under that page and the page's number (filled in later).
Level LevelAbove(const Level& below) {
  Level level;
  for (size_t p = 0; p < below.pageStarts.size(); ++p) {
    const size_t end = p + 1 < below.pageStarts.size() ? below.pageStarts[p + 1] : below.entries.size();
    std::vector<uint8_t> last = below.lastLeafEntry[end - 1];
    std::vector<uint8_t> entry = last;
    entry.resize(entry.size() + kChildPointerSize, 0);
    level.entries.push_back(std::move(entry));
    level.lastLeafEntry.push_back(std::move(last));
  }
  std::vector<size_t> sizes;
  for (const auto& e : level.entries) sizes.push_back(e.size());
  level.pageStarts = CutIntoPages(sizes);
  return level;
}

std::vector<Level> Levels(const IndexPlan& plan) {
  std::vector<Level> levels(1);
  levels[0].entries = plan.leafEntries;
  levels[0].lastLeafEntry = plan.leafEntries;
  std::vector<size_t> sizes;
  for (const auto& e : plan.leafEntries) sizes.push_back(e.size());
  levels[0].pageStarts = CutIntoPages(sizes);
  // Every level above has fewer entries than pages below it has entries, so
  // this ends; a bound on the depth guards against a plan it cannot shrink.
  while (levels.back().pageStarts.size() > 1 && levels.size() < 16) {
    levels.push_back(LevelAbove(levels.back()));
  }
  return levels;
}

Page IndexPage(bool leaf, uint32_t tablePage, uint32_t previous, uint32_t next,
               std::span<const std::vector<uint8_t>> entries) {
  Page page{};
  page[0] = leaf ? kPageIndexLeaf : kPageIndexNode;
  page[1] = 0x01;
  PutU32(page, 4, tablePage);
  PutU32(page, 12, previous);
  PutU32(page, 16, next);
  size_t at = kIndexEntriesStart;
  for (const auto& entry : entries) {
    std::copy(entry.begin(), entry.end(), page.begin() + static_cast<std::ptrdiff_t>(at));
    at += entry.size();
    const size_t bit = at - kIndexEntriesStart;
    page[kIndexMaskStart + bit / 8] = static_cast<uint8_t>(page[kIndexMaskStart + bit / 8] | (1u << (bit % 8)));
  }
  PutU16(page, 2, static_cast<uint16_t>(kPageSize - at));
  return page;
}

}  // namespace

std::vector<uint8_t> LongIndexKey(int32_t value) {
  std::vector<uint8_t> key{0x7F};
  AppendU32BigEndian(key, static_cast<uint32_t>(value) ^ 0x80000000u);
  return key;
}

size_t IndexPlan::PageCount() const {
  size_t total = 0;
  for (size_t n : pagesPerLevel) total += n;
  return total;
}

IndexPlan PlanIndex(std::vector<IndexEntry> entries) {
  IndexPlan plan;
  for (const IndexEntry& entry : entries) plan.leafEntries.push_back(LeafEntryBytes(entry));
  std::sort(plan.leafEntries.begin(), plan.leafEntries.end());
  for (const Level& level : Levels(plan)) plan.pagesPerLevel.push_back(level.pageStarts.size());
  return plan;
}

IndexTree BuildIndex(const IndexPlan& plan, uint32_t tablePage, std::span<const uint32_t> pageNumbers) {
  IndexTree tree;
  std::vector<Level> levels = Levels(plan);
  size_t firstPageOfLevel = 0;
  for (size_t l = 0; l < levels.size(); ++l) {
    Level& level = levels[l];
    const size_t pageCount = level.pageStarts.size();
    if (l > 0) {
      // Fill in the child page numbers of this node level.
      const size_t belowFirst = firstPageOfLevel - levels[l - 1].pageStarts.size();
      for (size_t e = 0; e < level.entries.size(); ++e) {
        std::vector<uint8_t>& entry = level.entries[e];
        const uint32_t child = pageNumbers[belowFirst + e];
        for (size_t b = 0; b < kChildPointerSize; ++b) {
          entry[entry.size() - kChildPointerSize + b] = static_cast<uint8_t>(child >> (24 - 8 * b));
        }
      }
    }
    for (size_t p = 0; p < pageCount; ++p) {
      const size_t begin = level.pageStarts[p];
      const size_t end = p + 1 < pageCount ? level.pageStarts[p + 1] : level.entries.size();
      const uint32_t previous = p > 0 ? pageNumbers[firstPageOfLevel + p - 1] : 0;
      const uint32_t next = p + 1 < pageCount ? pageNumbers[firstPageOfLevel + p + 1] : 0;
      std::span<const std::vector<uint8_t>> entries(level.entries.data() + begin, end - begin);
      tree.pages.emplace_back(pageNumbers[firstPageOfLevel + p],
                              IndexPage(l == 0, tablePage, previous, next, entries));
    }
    firstPageOfLevel += pageCount;
  }
  tree.rootPage = tree.pages.back().first;
  return tree;
}

size_t IndexPageBound(size_t count, size_t maxEntryBytes) {
  const size_t nodeEntryBytes = maxEntryBytes + kChildPointerSize;
  size_t total = 0;
  size_t entries = count;
  size_t entryBytes = maxEntryBytes;
  for (int depth = 0; depth < 16; ++depth) {
    // Worst case, each page wastes just under one entry.
    const size_t perPage = std::max<size_t>(1, kIndexEntryBytesPerPage / entryBytes);
    const size_t pages = std::max<size_t>(1, (entries + perPage - 1) / perPage);
    total += pages;
    if (pages == 1) break;
    entries = pages;
    entryBytes = nodeEntryBytes;
  }
  return total;
}

}  // namespace salvoran::jet
