#include "platform/dao/jet_page_file.h"

#include <cerrno>
#include <cstring>

namespace salvoran::jet {
namespace {

// Page offsets reach 2 GB; std::fseek takes a long.
static_assert(sizeof(long) >= 8, "file offsets need a 64-bit long");

JetError DiskError(const std::string& path, int errorNumber) {
  return {errors::kDiskError, "Disk or network error. Writing '" + path + "' failed: " +
                                  std::strerror(errorNumber) + "."};
}

}  // namespace

std::unique_ptr<PageFile> PageFile::Create(const std::string& path, uint32_t firstFreePage,
                                           JetError& error) {
  // "x": fail when the file exists, so that no existing file is ever replaced.
  std::FILE* file = std::fopen(path.c_str(), "wbx");
  if (file == nullptr) {
    const int errorNumber = errno;
    if (errorNumber == EEXIST) {
      error = {errors::kDatabaseExists, "Database already exists. The file '" + path + "' is in the way."};
    } else {
      error = {errors::kInvalidPath, "Cannot create the database file '" + path + "': " +
                                         std::strerror(errorNumber) + "."};
    }
    return nullptr;
  }
  return std::unique_ptr<PageFile>(new PageFile(file, path, firstFreePage));
}

PageFile::PageFile(std::FILE* file, std::string path, uint32_t pageCount)
    : file_(file), path_(std::move(path)), pageCount_(pageCount) {}

PageFile::~PageFile() {
  if (file_ != nullptr) std::fclose(file_);
}

JetStatus PageFile::Write(uint32_t page, const Page& bytes) {
  if (file_ == nullptr) return JetError{errors::kObjectClosed, "Object invalid or no longer set."};
  const long offset = static_cast<long>(page) * static_cast<long>(kPageSize);
  if (std::fseek(file_, offset, SEEK_SET) != 0 || std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    return DiskError(path_, errno);
  }
  return std::nullopt;
}

JetStatus PageFile::Close() {
  if (file_ == nullptr) return std::nullopt;
  const bool flushed = std::fflush(file_) == 0;
  const int errorNumber = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed) return DiskError(path_, errorNumber);
  return std::nullopt;
}

}  // namespace salvoran::jet
