// Usage maps: the sets of pages that a table, a long-value column or an index
// owns, and the global map of free pages on page 1.
//
// A map is one row on a usage-map page. The inline form (type 0) is a start
// page and a 64-byte bitmap, LSB first, covering 512 pages. The reference
// form (type 1) holds 17 page numbers of 0x05 bitmap pages; entry i covers
// pages i*32736 ... i*32736+32735. A set fits inline when its pages lie in
// one 512-page window whose start is a multiple of 8 (start 0 while every
// page is below 512, as Jet writes it).
#ifndef SALVORAN_PLATFORM_DAO_JET_USAGE_MAP_H_
#define SALVORAN_PLATFORM_DAO_JET_USAGE_MAP_H_

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/dao/jet_page.h"

namespace salvoran::jet {

// The pages of one map. Memory grows with the number of pages (4 bytes
// each), never with the data on them.
class PageSet {
 public:
  void Add(uint32_t page);
  bool empty() const { return pages_.empty(); }
  size_t size() const { return pages_.size(); }
  // The pages in increasing order.
  std::vector<uint32_t> Sorted() const;

  bool FitsInline() const { return FitsInlineWith(lowest_, highest_); }
  // 0x05 pages the reference form needs: one per 32,736-page range the set
  // touches, none when the set fits inline.
  size_t BitmapPagesNeeded() const { return BitmapPagesFor(lowest_, highest_, buckets_); }
  // The same, as if `page` had been added.
  size_t BitmapPagesNeededWith(uint32_t page) const;
  // The ranges touched, in increasing order (what the 0x05 pages cover).
  std::vector<uint32_t> BitmapRanges() const;

 private:
  static bool FitsInlineWith(uint32_t lowest, uint32_t highest);
  static size_t BitmapPagesFor(uint32_t lowest, uint32_t highest, uint32_t buckets);

  std::vector<uint32_t> pages_;
  uint32_t lowest_ = 0;
  uint32_t highest_ = 0;
  uint32_t buckets_ = 0;  // bit i: the set touches range i
};

// The 69-byte inline row of a set that FitsInline (an empty set included).
std::vector<uint8_t> InlineMapRow(const PageSet& set);

// The reference row of a set, and its 0x05 pages: bitmapPages[k] is the page
// number for the k-th of set.BitmapRanges().
struct ReferenceMap {
  std::vector<uint8_t> row;
  std::vector<std::pair<uint32_t, Page>> pages;
};
ReferenceMap BuildReferenceMap(const PageSet& set, std::span<const uint32_t> bitmapPages);

// Page 1: the global map of a file of `pageCount` pages, where a set bit
// marks a free page (every page at or above pageCount). Small files get an
// inline map of max(64, ceil(pageCount/32)*4) bytes; larger ones a reference
// map whose 0x05 pages (bitmapPages, one per 32,736 pages, counted in
// pageCount) are returned with it. Row 1 is Jet's all-zero second map.
constexpr uint32_t kMaxInlineGlobalMapPages = 32032;
size_t GlobalMapBitmapPagesNeeded(uint32_t pageCount);
std::vector<std::pair<uint32_t, Page>> BuildGlobalMapPages(uint32_t pageCount,
                                                           std::span<const uint32_t> bitmapPages);

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_USAGE_MAP_H_
