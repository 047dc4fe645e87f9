// The first phase of the SQLite 3 schema scan: the first 12 bytes of every
// page's b-tree header, in page order.
//
// Page n (from 1) begins at startOffset + (n - 1) * pageSize; its header
// begins there, or 100 bytes in on page 1. Only whole pages are read. The
// headers are decoded from the reader's bytes in memory when it lends them
// (one 12-byte copy per page otherwise), so the phase runs at memory speed.
#ifndef SALVORAN_SQLITE3FMT_SCHEMA_PAGE_HEADERS_H_
#define SALVORAN_SQLITE3FMT_SCHEMA_PAGE_HEADERS_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "recovery/catalog.h"
#include "recovery/reader.h"
#include "sqlite3fmt/btree.h"

namespace salvoran::sqlite3 {

// Decodes 12 bytes of a b-tree page header (multi-byte fields big-endian).
PageHeaderRecord DecodePageHeaderRecord(const uint8_t* bytes);

// The first bytes a page may begin with: the b-tree page types, and 0 to 4
// for pages that are not b-tree pages (overflow and free-list pages begin
// with a page number, whose high byte is small).
bool IsAcceptedPageType(uint8_t type);

// Every whole page's header record, in page order. When unknownTypes is
// given, the pages whose first byte is not accepted are listed in it.
// progress, when set, is called with (n - 1) / 1000 + 1 at every page n
// where n - 1 is a multiple of 1000.
void ReadPageHeaders(const Reader& reader, const DbLayout& layout, std::vector<PageHeaderRecord>* headers,
                     std::vector<uint32_t>* unknownTypes, const std::function<void(int64_t)>& progress);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_SCHEMA_PAGE_HEADERS_H_
