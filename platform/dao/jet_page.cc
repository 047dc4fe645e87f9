#include "platform/dao/jet_page.h"

#include <algorithm>

#include "platform/dao/jet_bytes.h"

namespace salvoran::jet {

DataPage::DataPage(uint32_t owner) {
  page_[0] = kPageData;
  page_[1] = 0x01;
  PutU32(page_, 4, owner);
  PutU16(page_, 2, static_cast<uint16_t>(FreeSpace()));
}

size_t DataPage::FreeSpace() const {
  return rowsStart_ - kDataPageHeaderSize - kRowOffsetSize * rowCount_;
}

bool DataPage::Fits(size_t rowLength) const {
  return rowCount_ < kMaxRowsPerPage && rowLength + kRowOffsetSize <= FreeSpace();
}

uint8_t DataPage::Append(std::span<const uint8_t> row) {
  rowsStart_ -= row.size();
  std::copy(row.begin(), row.end(), page_.begin() + static_cast<std::ptrdiff_t>(rowsStart_));
  PutU16(page_, kDataPageHeaderSize + kRowOffsetSize * rowCount_, static_cast<uint16_t>(rowsStart_));
  const auto number = static_cast<uint8_t>(rowCount_);
  ++rowCount_;
  PutU16(page_, 12, static_cast<uint16_t>(rowCount_));
  PutU16(page_, 2, static_cast<uint16_t>(FreeSpace()));
  return number;
}

}  // namespace salvoran::jet
