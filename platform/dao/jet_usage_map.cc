#include "platform/dao/jet_usage_map.h"

#include <algorithm>
#include <bit>

#include "platform/dao/jet_bytes.h"

namespace salvoran::jet {
namespace {

uint32_t InlineStart(uint32_t lowest, uint32_t highest) {
  return highest < kInlineMapPages ? 0 : (lowest & ~7u);
}

void SetBit(std::span<uint8_t> bitmap, uint32_t index) {
  bitmap[index >> 3] = static_cast<uint8_t>(bitmap[index >> 3] | (1u << (index & 7)));
}

Page BitmapPage() {
  Page page{};
  page[0] = kPageUsageBitmap;
  page[1] = 0x01;
  return page;
}

}  // namespace

void PageSet::Add(uint32_t page) {
  if (pages_.empty()) {
    lowest_ = highest_ = page;
  } else {
    lowest_ = std::min(lowest_, page);
    highest_ = std::max(highest_, page);
  }
  pages_.push_back(page);
  // Pages stay below kMaxPagesInFile, so the range index stays below 17.
  const uint32_t range = page / kPagesPerBitmapPage;
  if (range < 32) buckets_ |= 1u << range;
}

std::vector<uint32_t> PageSet::Sorted() const {
  std::vector<uint32_t> sorted = pages_;
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

bool PageSet::FitsInlineWith(uint32_t lowest, uint32_t highest) {
  return highest - InlineStart(lowest, highest) < kInlineMapPages;
}

size_t PageSet::BitmapPagesFor(uint32_t lowest, uint32_t highest, uint32_t buckets) {
  return FitsInlineWith(lowest, highest) ? 0 : static_cast<size_t>(std::popcount(buckets));
}

size_t PageSet::BitmapPagesNeededWith(uint32_t page) const {
  if (pages_.empty()) return 0;
  const uint32_t range = page / kPagesPerBitmapPage;
  return BitmapPagesFor(std::min(lowest_, page), std::max(highest_, page),
                        range < 32 ? buckets_ | (1u << range) : buckets_);
}

std::vector<uint32_t> PageSet::BitmapRanges() const {
  std::vector<uint32_t> ranges;
  for (uint32_t i = 0; i < 32; ++i) {
    if (buckets_ & (1u << i)) ranges.push_back(i);
  }
  return ranges;
}

std::vector<uint8_t> InlineMapRow(const PageSet& set) {
  std::vector<uint8_t> row(kUsageMapRowSize, 0);
  if (set.empty()) return row;
  const std::vector<uint32_t> pages = set.Sorted();
  const uint32_t start = InlineStart(pages.front(), pages.back());
  PutU32(row, 1, start);
  std::span<uint8_t> bitmap(row.data() + 5, kInlineMapBitmapBytes);
  for (uint32_t page : pages) SetBit(bitmap, page - start);
  return row;
}

ReferenceMap BuildReferenceMap(const PageSet& set, std::span<const uint32_t> bitmapPages) {
  ReferenceMap map;
  map.row.assign(kUsageMapRowSize, 0);
  map.row[0] = 0x01;
  const std::vector<uint32_t> ranges = set.BitmapRanges();
  for (size_t k = 0; k < ranges.size() && k < bitmapPages.size(); ++k) {
    PutU32(map.row, 1 + 4 * ranges[k], bitmapPages[k]);
    map.pages.emplace_back(bitmapPages[k], BitmapPage());
  }
  for (uint32_t page : set.Sorted()) {
    const uint32_t range = page / kPagesPerBitmapPage;
    const auto k = static_cast<size_t>(std::find(ranges.begin(), ranges.end(), range) - ranges.begin());
    if (k >= map.pages.size()) continue;
    Page& bitmap = map.pages[k].second;
    SetBit(std::span<uint8_t>(bitmap.data() + 4, kPageSize - 4), page % kPagesPerBitmapPage);
  }
  return map;
}

size_t GlobalMapBitmapPagesNeeded(uint32_t pageCount) {
  if (pageCount <= kMaxInlineGlobalMapPages) return 0;
  // The 0x05 pages are pages of the file too: grow until they cover it.
  size_t needed = 1;
  while (needed * kPagesPerBitmapPage < pageCount + needed) ++needed;
  return needed;
}

std::vector<std::pair<uint32_t, Page>> BuildGlobalMapPages(uint32_t pageCount,
                                                           std::span<const uint32_t> bitmapPages) {
  std::vector<std::pair<uint32_t, Page>> pages;
  DataPage page1(1);
  std::vector<uint8_t> row;
  if (bitmapPages.empty()) {
    const size_t bitmapBytes = std::max<size_t>(64, (pageCount + 31) / 32 * 4);
    row.assign(5 + bitmapBytes, 0);
    std::span<uint8_t> bitmap(row.data() + 5, bitmapBytes);
    for (uint32_t p = pageCount; p < bitmapBytes * 8; ++p) SetBit(bitmap, p);
  } else {
    row.assign(kUsageMapRowSize, 0);
    row[0] = 0x01;
    for (size_t k = 0; k < bitmapPages.size() && k < kReferenceMapEntries; ++k) {
      PutU32(row, 1 + 4 * k, bitmapPages[k]);
      Page bitmapPage = BitmapPage();
      std::span<uint8_t> bitmap(bitmapPage.data() + 4, kPageSize - 4);
      const auto first = static_cast<uint32_t>(k * kPagesPerBitmapPage);
      for (uint32_t i = 0; i < kPagesPerBitmapPage; ++i) {
        if (first + i >= pageCount) SetBit(bitmap, i);
      }
      pages.emplace_back(bitmapPages[k], bitmapPage);
    }
  }
  page1.Append(row);
  page1.Append(std::vector<uint8_t>(kUsageMapRowSize, 0));
  pages.insert(pages.begin(), {kGlobalMapPage, page1.bytes()});
  return pages;
}

}  // namespace salvoran::jet
