#include "sqlite3fmt/schema_page_headers.h"

#include <array>

namespace salvoran::sqlite3 {

namespace {

constexpr size_t kRecordBytes = 12;
constexpr size_t kFileHeaderBytes = 100;
constexpr uint64_t kProgressStep = 1000;

}  // namespace

PageHeaderRecord DecodePageHeaderRecord(const uint8_t* bytes) {
  PageHeaderRecord record;
  record.pageType = bytes[0];
  record.firstFreeblock = Get16(bytes + 1);
  record.cellCount = Get16(bytes + 3);
  record.cellContentStart = Get16(bytes + 5);
  record.fragmentedBytes = bytes[7];
  record.rightChild = Get32(bytes + 8);
  return record;
}

bool IsAcceptedPageType(uint8_t type) {
  return type <= 4 || type == kTableInterior || type == kIndexLeaf || type == kTableLeaf;
}

void ReadPageHeaders(const Reader& reader, const DbLayout& layout, std::vector<PageHeaderRecord>* headers,
                     std::vector<uint32_t>* unknownTypes, const std::function<void(int64_t)>& progress) {
  headers->clear();
  headers->reserve(static_cast<size_t>(layout.pageCount));
  const std::span<const uint8_t> view = reader.View();
  std::array<uint8_t, kRecordBytes> copy{};
  for (uint64_t n = 1; n <= layout.pageCount; ++n) {
    const uint64_t at = layout.startOffset + (n - 1) * layout.pageSize + (n == 1 ? kFileHeaderBytes : 0);
    const uint8_t* bytes = nullptr;
    if (!view.empty()) {
      bytes = view.data() + at;
    } else {
      copy.fill(0);
      reader.ReadAt(at, copy.data(), copy.size());
      bytes = copy.data();
    }
    PageHeaderRecord record = DecodePageHeaderRecord(bytes);
    if (unknownTypes != nullptr && !IsAcceptedPageType(record.pageType)) {
      unknownTypes->push_back(static_cast<uint32_t>(n));
    }
    headers->push_back(record);
    if (progress && (n - 1) % kProgressStep == 0) progress(static_cast<int64_t>((n - 1) / kProgressStep + 1));
  }
}

}  // namespace salvoran::sqlite3
