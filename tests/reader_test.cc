// The three file readers: bounds of Read, Seek and ReadAt, the lent view,
// the size limit of the buffered reader and the order in which ChooseReader
// falls back from one reader to the next.
#include "recovery/reader.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/support/test_support.h"

namespace salvoran::testing {
namespace {

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

// A sparse file of `size` bytes holding `marker` at `markerOffset`.
void MakeSparseFile(const std::string& path, uint64_t size, uint64_t markerOffset = 0,
                    const std::vector<uint8_t>& marker = {}) {
  WriteFileBytes(path, {});
  std::filesystem::resize_file(path, size);
  if (marker.empty()) return;
  int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, marker.data(), marker.size(), static_cast<off_t>(markerOffset)),
            static_cast<ssize_t>(marker.size()));
  ::close(fd);
}

struct ReaderKind {
  const char* name;
  std::function<std::unique_ptr<Reader>()> make;
  bool inMemory;
};

const ReaderKind kReaderKinds[] = {
    {"Buffer", [] { return std::make_unique<Reader_Buffer>(); }, true},
    {"MemoryMapped", [] { return std::make_unique<Reader_MemoryMapped>(); }, true},
    {"Disk", [] { return std::make_unique<Reader_Disk>(); }, false},
};

class ReaderBoundsTest : public ::testing::TestWithParam<ReaderKind> {
 protected:
  void SetUp() override {
    path_ = dir_.File("file.bin");
    WriteFileBytes(path_, bytes_);
    reader_ = GetParam().make();
    ASSERT_TRUE(reader_->Open(path_));
    ASSERT_EQ(reader_->size(), kSize);
  }

  static constexpr uint64_t kSize = 1024;
  ScratchDir dir_;
  std::string path_;
  std::vector<uint8_t> bytes_ = Pattern(kSize);
  std::unique_ptr<Reader> reader_;
};

TEST_P(ReaderBoundsTest, ReadsTheWholeFileInOneRead) {
  std::vector<uint8_t> out(kSize);
  ASSERT_TRUE(reader_->Read(out.data(), static_cast<uint32_t>(kSize)));
  EXPECT_EQ(out, bytes_);
  EXPECT_EQ(reader_->GetPosition(), kSize);
}

TEST_P(ReaderBoundsTest, SequentialReadsAdvanceThePosition) {
  uint8_t first[4] = {};
  uint8_t second[4] = {};
  ASSERT_TRUE(reader_->Seek(100));
  ASSERT_TRUE(reader_->Read(first, 4));
  ASSERT_TRUE(reader_->Read(second, 4));
  EXPECT_EQ(reader_->GetPosition(), 108u);
  EXPECT_EQ(std::vector<uint8_t>(first, first + 4), std::vector<uint8_t>(bytes_.begin() + 100, bytes_.begin() + 104));
  EXPECT_EQ(std::vector<uint8_t>(second, second + 4), std::vector<uint8_t>(bytes_.begin() + 104, bytes_.begin() + 108));
}

TEST_P(ReaderBoundsTest, AReadPastTheEndCopiesNothingAndKeepsThePosition) {
  ASSERT_TRUE(reader_->Seek(1000));
  std::vector<uint8_t> out(100, 0xAA);
  EXPECT_FALSE(reader_->Read(out.data(), 100));  // 1000 + 100 > 1024
  EXPECT_EQ(out, std::vector<uint8_t>(100, 0xAA));
  EXPECT_EQ(reader_->GetPosition(), 1000u);
  // The last 24 bytes are still readable, to the very end.
  EXPECT_TRUE(reader_->Read(out.data(), 24));
  EXPECT_EQ(reader_->GetPosition(), kSize);
  EXPECT_FALSE(reader_->Read(out.data(), 1));
}

TEST_P(ReaderBoundsTest, SeekAcceptsOffsetsBelowTheSizeOnly) {
  EXPECT_TRUE(reader_->Seek(kSize - 1));
  EXPECT_EQ(reader_->GetPosition(), kSize - 1);
  EXPECT_FALSE(reader_->Seek(kSize));
  EXPECT_FALSE(reader_->Seek(UINT64_MAX));
  EXPECT_EQ(reader_->GetPosition(), kSize - 1);
  if (GetParam().inMemory) {
    // The origin argument has no effect on the in-memory readers.
    EXPECT_TRUE(reader_->Seek(10, 2));
    EXPECT_EQ(reader_->GetPosition(), 10u);
  }
}

TEST_P(ReaderBoundsTest, ReadAtIsBoundedAndLeavesThePositionAlone) {
  ASSERT_TRUE(reader_->Seek(5));
  uint8_t out[8];
  ASSERT_TRUE(reader_->ReadAt(kSize - 8, out, 8));
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), std::vector<uint8_t>(bytes_.end() - 8, bytes_.end()));
  EXPECT_FALSE(reader_->ReadAt(kSize - 7, out, 8));
  // An offset near the top of the range must not wrap around to a small one.
  EXPECT_FALSE(reader_->ReadAt(UINT64_MAX - 2, out, 8));
  EXPECT_EQ(reader_->GetPosition(), 5u);
}

TEST_P(ReaderBoundsTest, ViewLendsTheFileOnlyWhenItIsInMemory) {
  std::span<const uint8_t> view = reader_->View();
  if (GetParam().inMemory) {
    EXPECT_EQ(std::vector<uint8_t>(view.begin(), view.end()), bytes_);
  } else {
    EXPECT_TRUE(view.empty());
  }
}

std::string ReaderKindName(const ::testing::TestParamInfo<ReaderKind>& kind) { return kind.param.name; }

INSTANTIATE_TEST_SUITE_P(AllReaders, ReaderBoundsTest, ::testing::ValuesIn(kReaderKinds), ReaderKindName);

TEST(ReaderTest, PositionCarriesIntoTheUpperHalf) {
  ScratchDir dir;
  const std::string path = dir.File("big.bin");
  const uint64_t low = (uint64_t{1} << 32) - 2;
  MakeSparseFile(path, (uint64_t{1} << 32) + 4096, low, {1, 2, 3, 4});
  for (const ReaderKind& kind : {kReaderKinds[1], kReaderKinds[2]}) {
    SCOPED_TRACE(kind.name);
    std::unique_ptr<Reader> reader = kind.make();
    ASSERT_TRUE(reader->Open(path));
    ASSERT_TRUE(reader->Seek(low));
    uint8_t out[4] = {};
    ASSERT_TRUE(reader->Read(out, 4));
    EXPECT_EQ(reader->GetPosition(), low + 4);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
  }
}

TEST(ReaderTest, BufferedReaderTakesFilesBelow150MillionBytesOnly) {
  ScratchDir dir;
  const std::string below = dir.File("below.bin");
  const std::string limit = dir.File("limit.bin");
  MakeSparseFile(below, Reader_Buffer::kMaxBufferedSize - 1, Reader_Buffer::kMaxBufferedSize - 3, {9, 8});
  MakeSparseFile(limit, Reader_Buffer::kMaxBufferedSize);

  Reader_Buffer buffered;
  ASSERT_TRUE(buffered.Open(below));
  EXPECT_EQ(buffered.size(), 149'999'999u);
  uint8_t tail[2] = {};
  ASSERT_TRUE(buffered.ReadAt(Reader_Buffer::kMaxBufferedSize - 3, tail, 2));
  EXPECT_EQ(tail[0], 9);
  EXPECT_EQ(tail[1], 8);

  Reader_Buffer refused;
  EXPECT_FALSE(refused.Open(limit));
  EXPECT_EQ(refused.size(), 0u);
  std::unique_ptr<Reader> chosen = ChooseReader(limit);
  ASSERT_NE(chosen, nullptr);
  EXPECT_NE(dynamic_cast<Reader_MemoryMapped*>(chosen.get()), nullptr);
  EXPECT_EQ(chosen->size(), 150'000'000u);
}

TEST(ReaderTest, ChooseReaderPrefersTheBufferForASmallFile) {
  ScratchDir dir;
  WriteFileBytes(dir.File("small.bin"), Pattern(600));
  std::unique_ptr<Reader> reader = ChooseReader(dir.File("small.bin"));
  ASSERT_NE(reader, nullptr);
  EXPECT_NE(dynamic_cast<Reader_Buffer*>(reader.get()), nullptr);
  EXPECT_EQ(reader->path(), dir.File("small.bin"));
}

TEST(ReaderTest, AnEmptyFileFallsThroughToTheDiskReader) {
  ScratchDir dir;
  const std::string path = dir.File("empty.bin");
  WriteFileBytes(path, {});
  EXPECT_FALSE(Reader_Buffer().Open(path));
  EXPECT_FALSE(Reader_MemoryMapped().Open(path));
  std::unique_ptr<Reader> reader = ChooseReader(path);
  ASSERT_NE(reader, nullptr);
  EXPECT_NE(dynamic_cast<Reader_Disk*>(reader.get()), nullptr);
  EXPECT_EQ(reader->size(), 0u);
  uint8_t byte = 0x5A;
  EXPECT_FALSE(reader->Seek(0));
  EXPECT_FALSE(reader->Read(&byte, 1));
  EXPECT_EQ(byte, 0x5A);
}

TEST(ReaderTest, AMissingFileOrAFolderHasNoReader) {
  ScratchDir dir;
  EXPECT_EQ(ChooseReader(dir.File("missing.db")), nullptr);
  EXPECT_EQ(ChooseReader(dir.path()), nullptr);
  Reader_Disk disk;
  EXPECT_FALSE(disk.Open(dir.File("missing.db")));
  uint8_t byte = 0;
  EXPECT_FALSE(disk.Read(&byte, 1));
  EXPECT_FALSE(disk.ReadAt(0, &byte, 1));
}

TEST(ReaderTest, TheBaseReaderHoldsNoFileAndSucceedsDoingNothing) {
  Reader reader;
  uint8_t byte = 0x11;
  EXPECT_TRUE(reader.Open("/no/such/file"));
  EXPECT_TRUE(reader.Seek(123));
  EXPECT_TRUE(reader.Read(&byte, 1));
  EXPECT_EQ(byte, 0x11);
  EXPECT_EQ(reader.GetPosition(), 0u);
  EXPECT_EQ(reader.Close(), 0u);
  EXPECT_TRUE(reader.View().empty());
}

}  // namespace
}  // namespace salvoran::testing
