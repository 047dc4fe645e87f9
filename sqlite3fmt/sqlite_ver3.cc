#include "sqlite3fmt/sqlite_ver3.h"

#include <array>

namespace salvoran {

bool sqlite_ver3::ReadLayout() {
  if (context_ == nullptr || !context_->reader) return false;
  std::array<uint8_t, 100> header{};
  if (!context_->reader->ReadAt(context_->startOffset, header.data(), header.size())) return false;
  layout_.startOffset = context_->startOffset;
  layout_.pageSize = static_cast<uint32_t>(context_->pageSize);
  // Byte 20 holds the bytes reserved at the end of every page.
  uint32_t reserved = header[20];
  layout_.usableSize = layout_.pageSize > reserved + 480 ? layout_.pageSize - reserved : layout_.pageSize;
  layout_.pageCount = layout_.pageSize == 0 ? 0
                      : (context_->reader->size() - layout_.startOffset) / layout_.pageSize;
  return true;
}

}  // namespace salvoran
