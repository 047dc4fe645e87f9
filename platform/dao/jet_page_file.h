// The output file as an array of pages: page numbers are handed out in
// increasing order, and each page is written once, at its place, when its
// contents are final. Nothing of the file is kept in memory.
//
// The file is created new: an existing file at the path is never opened or
// replaced (the caller deletes it after the user agreed).
#ifndef SALVORAN_PLATFORM_DAO_JET_PAGE_FILE_H_
#define SALVORAN_PLATFORM_DAO_JET_PAGE_FILE_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/dao/jet_error.h"
#include "platform/dao/jet_page.h"

namespace salvoran::jet {

class PageFile {
 public:
  // Creates the file with `firstFreePage` pages already taken (written later).
  static std::unique_ptr<PageFile> Create(const std::string& path, uint32_t firstFreePage, JetError& error);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  uint32_t PageCount() const { return pageCount_; }
  // Takes the next page number. The caller checks the size limit first.
  uint32_t Allocate() { return pageCount_++; }
  JetStatus Write(uint32_t page, const Page& bytes);
  // Flushes and closes; further writes fail.
  JetStatus Close();

 private:
  PageFile(std::FILE* file, std::string path, uint32_t pageCount);

  std::FILE* file_;
  std::string path_;
  uint32_t pageCount_;
};

}  // namespace salvoran::jet

#endif  // SALVORAN_PLATFORM_DAO_JET_PAGE_FILE_H_
