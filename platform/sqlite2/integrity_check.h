// A check of a whole SQLite 2.1 file, for tests and for verifying output:
// what the library's PRAGMA integrity_check verifies, and the stricter
// rules a well-formed file meets.
//
// Checked: header; free list; every tree reachable from sqlite_master (each
// page loads as the library loads it, header, cells and free blocks cover
// every byte once, keys ascend within a page and lie between the parent
// cells around their subtree, leaf and interior pages are consistent,
// non-root pages hold cells, all leaves of a tree are equally deep, overflow
// chains have exactly the pages their payload needs and end with 0); that no
// page is used twice and every page is used; and that every index holds
// exactly the entries the library builds from its table's rows.
#ifndef SALVORAN_PLATFORM_SQLITE2_INTEGRITY_CHECK_H_
#define SALVORAN_PLATFORM_SQLITE2_INTEGRITY_CHECK_H_

#include <string>
#include <string_view>
#include <vector>

namespace salvoran::sqlite2 {

// The problems found, one line each; empty when the file is sound.
std::vector<std::string> CheckIntegrity(std::string_view file);

}  // namespace salvoran::sqlite2

#endif  // SALVORAN_PLATFORM_SQLITE2_INTEGRITY_CHECK_H_
