// One 4096-byte page of a Jet 4 file, and the data-page layout that table
// rows, long values and usage maps share.
//
// Data page: type 01, 01, free space (2), owner (4), 0 (4), row count (2),
// then one 2-byte offset per row. Rows are packed from the end of the page
// downwards: row 0 ends at 4096, row i ends where row i-1 begins. Free space
// is 4096 - 14 - 2*rows - (bytes of all rows).
#ifndef SALVORAN_PLATFORM_DAO_JET_PAGE_H_
#define SALVORAN_PLATFORM_DAO_JET_PAGE_H_

#include <array>
#include <cstdint>
#include <span>

#include "platform/dao/jet_format.h"

namespace salvoran::jet {

using Page = std::array<uint8_t, kPageSize>;

class DataPage {
 public:
  // owner: the TDEF page of the table for row pages, kLongValuePageOwner for
  // long-value pages, 0 for usage-map pages, 1 for the global map page.
  explicit DataPage(uint32_t owner);

  size_t RowCount() const { return rowCount_; }
  size_t FreeSpace() const;
  // True when a row of this length and its offset entry fit, and the page
  // has fewer than 255 rows.
  bool Fits(size_t rowLength) const;
  // Appends a row that Fits; returns its row number.
  uint8_t Append(std::span<const uint8_t> row);
  const Page& bytes() const { return page_; }

 private:
  Page page_{};
  size_t rowCount_ = 0;
  size_t rowsStart_ = kPageSize;  // where the lowest row begins
};

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_PAGE_H_
