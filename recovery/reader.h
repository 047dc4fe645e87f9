// Byte access to the file under recovery.
//
// A Reader delivers the bytes of one file at 64-bit offsets. Three concrete
// readers exist; ChooseReader tries them in this order:
//   Reader_Buffer        the whole file in one heap block (files below 150 MB)
//   Reader_MemoryMapped  the whole file mapped read-only
//   Reader_Disk          reads through an open file descriptor
//
// Contract shared by all readers:
//   - Read(dst, count) succeeds when position + count <= size and then
//     advances position by count. A read that would pass the end copies
//     nothing, leaves position alone and returns false.
//   - Seek(offset) succeeds when offset < size.
//   - ReadAt(offset, dst, count) is a positioned read with the same bound; it
//     does not move position and is safe for the parsers' hot paths.
//   - View() lends the whole file as one span when the reader holds it in
//     memory (buffer or mapping), and an empty span otherwise. The span lives
//     as long as the reader.
// The input file is only ever opened read-only.
#ifndef SALVORAN_RECOVERY_READER_H_
#define SALVORAN_RECOVERY_READER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace salvoran {

class Reader {
 public:
  Reader() = default;
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  virtual ~Reader() = default;

  // The base reader holds no file: Open, Read and Seek do nothing and
  // succeed, GetPosition and Close return 0.
  virtual bool Read(void* destination, uint32_t count);
  virtual bool Seek(uint64_t offset, uint32_t origin = 0, uint32_t reserved = 0);
  virtual bool Open(const std::string& path, uint32_t flags = 0);
  virtual uint64_t GetPosition() const { return position_; }
  virtual uint64_t Close() { return 0; }

  virtual bool ReadAt(uint64_t offset, void* destination, size_t count) const;
  virtual std::span<const uint8_t> View() const { return {}; }

  uint64_t size() const { return size_; }
  const std::string& path() const { return path_; }

 protected:
  // Checks offset + count <= size without overflowing.
  bool InRange(uint64_t offset, uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }

  uint64_t position_ = 0;
  uint64_t size_ = 0;
  std::string path_;
};

// Shared behaviour of the two readers that hold the file in memory.
class InMemoryReader : public Reader {
 public:
  bool Read(void* destination, uint32_t count) override;
  bool Seek(uint64_t offset, uint32_t origin = 0, uint32_t reserved = 0) override;
  bool ReadAt(uint64_t offset, void* destination, size_t count) const override;
  std::span<const uint8_t> View() const override;

 protected:
  const uint8_t* bytes_ = nullptr;
};

class Reader_Buffer : public InMemoryReader {
 public:
  // Files of this many bytes or more are left to the next reader.
  static constexpr uint64_t kMaxBufferedSize = 150'000'000;
  bool Open(const std::string& path, uint32_t flags = 0) override;

 private:
  std::vector<uint8_t> data_;
};

class Reader_MemoryMapped : public InMemoryReader {
 public:
  ~Reader_MemoryMapped() override;
  bool Open(const std::string& path, uint32_t flags = 0) override;

 private:
  void* mapping_ = nullptr;
  size_t mappedLength_ = 0;
};

class Reader_Disk : public Reader {
 public:
  ~Reader_Disk() override;
  bool Read(void* destination, uint32_t count) override;
  bool Seek(uint64_t offset, uint32_t origin = 0, uint32_t reserved = 0) override;
  bool Open(const std::string& path, uint32_t flags = 0) override;
  uint64_t Close() override;
  bool ReadAt(uint64_t offset, void* destination, size_t count) const override;

 private:
  int fd_ = -1;
};

// Opens path with the first reader that accepts it; nullptr when none does.
std::unique_ptr<Reader> ChooseReader(const std::string& path);

}  // namespace salvoran

#endif  // SALVORAN_RECOVERY_READER_H_
