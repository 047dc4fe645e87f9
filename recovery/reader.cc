#include "recovery/reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace salvoran {

namespace {

// Opens path read-only and returns the descriptor and its length; -1 when the
// file cannot be opened or is not a regular file.
int OpenForReading(const std::string& path, uint64_t* length) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  *length = static_cast<uint64_t>(st.st_size);
  return fd;
}

// Reads exactly count bytes at offset; false on a short read or an error.
bool ReadFully(int fd, uint64_t offset, void* destination, size_t count) {
  auto* out = static_cast<uint8_t*>(destination);
  while (count > 0) {
    ssize_t n = ::pread(fd, out, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    offset += static_cast<uint64_t>(n);
    count -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool Reader::Read(void*, uint32_t) { return true; }
bool Reader::Seek(uint64_t, uint32_t, uint32_t) { return true; }
bool Reader::Open(const std::string&, uint32_t) { return true; }
bool Reader::ReadAt(uint64_t, void*, size_t) const { return false; }

bool InMemoryReader::Read(void* destination, uint32_t count) {
  if (!ReadAt(position_, destination, count)) return false;
  position_ += count;
  return true;
}

bool InMemoryReader::Seek(uint64_t offset, uint32_t, uint32_t) {
  if (bytes_ == nullptr || offset >= size_) return false;
  position_ = offset;
  return true;
}

bool InMemoryReader::ReadAt(uint64_t offset, void* destination, size_t count) const {
  if (bytes_ == nullptr || !InRange(offset, count)) return false;
  if (count > 0) std::memcpy(destination, bytes_ + offset, count);
  return true;
}

std::span<const uint8_t> InMemoryReader::View() const {
  if (bytes_ == nullptr) return {};
  return {bytes_, static_cast<size_t>(size_)};
}

bool Reader_Buffer::Open(const std::string& path, uint32_t) {
  uint64_t length = 0;
  int fd = OpenForReading(path, &length);
  if (fd < 0) return false;
  if (length == 0 || length >= kMaxBufferedSize) {
    ::close(fd);
    return false;
  }
  try {
    data_.resize(static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    ::close(fd);
    return false;
  }
  bool ok = ReadFully(fd, 0, data_.data(), data_.size());
  ::close(fd);
  if (!ok) {
    data_.clear();
    return false;
  }
  path_ = path;
  position_ = 0;
  size_ = length;
  bytes_ = data_.data();
  return true;
}

Reader_MemoryMapped::~Reader_MemoryMapped() {
  if (mapping_ != nullptr) ::munmap(mapping_, mappedLength_);
}

bool Reader_MemoryMapped::Open(const std::string& path, uint32_t) {
  uint64_t length = 0;
  int fd = OpenForReading(path, &length);
  if (fd < 0) return false;
  if (length == 0 || length > SIZE_MAX) {  // an empty file cannot be mapped
    ::close(fd);
    return false;
  }
  void* view = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);  // the mapping keeps the file open
  if (view == MAP_FAILED) return false;
  ::madvise(view, static_cast<size_t>(length), MADV_WILLNEED);
  mapping_ = view;
  mappedLength_ = static_cast<size_t>(length);
  path_ = path;
  position_ = 0;
  size_ = length;
  bytes_ = static_cast<const uint8_t*>(view);
  return true;
}

Reader_Disk::~Reader_Disk() { Close(); }

bool Reader_Disk::Open(const std::string& path, uint32_t) {
  uint64_t length = 0;
  int fd = OpenForReading(path, &length);
  if (fd < 0) return false;
  fd_ = fd;
  path_ = path;
  position_ = 0;
  size_ = length;
  return true;
}

uint64_t Reader_Disk::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  return 0;
}

bool Reader_Disk::Read(void* destination, uint32_t count) {
  if (!ReadAt(position_, destination, count)) return false;
  position_ += count;
  return true;
}

bool Reader_Disk::Seek(uint64_t offset, uint32_t, uint32_t) {
  if (fd_ < 0 || offset >= size_) return false;
  position_ = offset;
  return true;
}

bool Reader_Disk::ReadAt(uint64_t offset, void* destination, size_t count) const {
  if (fd_ < 0 || !InRange(offset, count)) return false;
  return ReadFully(fd_, offset, destination, count);
}

std::unique_ptr<Reader> ChooseReader(const std::string& path) {
  std::unique_ptr<Reader> reader = std::make_unique<Reader_Buffer>();
  if (reader->Open(path)) return reader;
  reader = std::make_unique<Reader_MemoryMapped>();
  if (reader->Open(path)) return reader;
  reader = std::make_unique<Reader_Disk>();
  if (reader->Open(path)) return reader;
  return nullptr;
}

}  // namespace salvoran
