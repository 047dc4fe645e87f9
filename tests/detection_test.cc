// Finding the database in a file: the signature search and its limits, the
// messages for files that hold none, the page size and the text encoding.
#include "recovery/detection.h"

#include <gtest/gtest.h>

#include <cstring>

#include "recovery/messages.h"
#include "tests/support/test_support.h"

namespace salvoran::testing {
namespace {

struct Detected {
  FileSettings settings;
  std::vector<std::string> messages;
};

Detected Detect(const std::string& path) {
  HeadlessFrame frame;
  frame.SetLogStream(nullptr);
  Detected detected;
  detected.settings = DetectFileSettings(path, frame);
  for (const MessageRequest& message : frame.messages()) {
    EXPECT_EQ(message.caption, kAppTitle);
    EXPECT_EQ(message.icon, MessageIcon::Information);
    detected.messages.push_back(message.text);
  }
  return detected;
}

// The bytes of a small database made by SQLite.
std::vector<uint8_t> RealDatabase(const ScratchDir& dir, int pageSize = 4096, const std::string& encoding = "UTF-8") {
  const std::string path = dir.File("real-" + std::to_string(pageSize) + "-" + encoding + ".db");
  MakeDatabase(path, {"CREATE TABLE t(a TEXT, b INTEGER)", "INSERT INTO t VALUES ('x', 1)"}, pageSize, encoding);
  return ReadFileBytes(path);
}

// size bytes of filler with text written at offset.
std::vector<uint8_t> FillerWith(size_t size, const std::string& text, size_t offset) {
  std::vector<uint8_t> bytes(size, 'x');
  std::memcpy(bytes.data() + offset, text.data(), text.size());
  return bytes;
}

const std::vector<std::string> kNotSupported = {kMsgFormatNotSupported, kMsgVersionNotDetected};
const std::vector<std::string> kNoContent = {kMsgContentNotInForm, kMsgVersionNotDetected};

TEST(DetectionTest, FindsTheDatabaseBehindLeadingBytes) {
  ScratchDir dir;
  const std::vector<uint8_t> database = RealDatabase(dir);
  for (size_t offset : {size_t{0}, size_t{37}, size_t{4096}}) {
    SCOPED_TRACE(offset);
    std::vector<uint8_t> bytes(offset, 0xA5);
    bytes.insert(bytes.end(), database.begin(), database.end());
    WriteFileBytes(dir.File("copy.db"), bytes);
    Detected detected = Detect(dir.File("copy.db"));
    EXPECT_EQ(detected.settings.formatVersion, kFormatSqlite3);
    EXPECT_EQ(detected.settings.startOffset, offset);
    EXPECT_EQ(detected.settings.pageSize, 4096u);
    EXPECT_TRUE(detected.settings.utf8);
    EXPECT_FALSE(detected.settings.utf16);
    EXPECT_EQ(detected.settings.path, dir.File("copy.db"));
    EXPECT_TRUE(detected.messages.empty());
  }
}

TEST(DetectionTest, TheSearchEnds513BytesBeforeTheEnd) {
  ScratchDir dir;
  struct Case {
    size_t size;
    size_t offset;
    bool found;
  };
  // 600 - 513 = 87 is the last offset examined; a 512-byte file is examined
  // at offset 0 only.
  for (Case c : {Case{600, 80, true}, Case{600, 87, true}, Case{600, 88, false}, Case{600, 90, false},
                 Case{512, 0, true}, Case{512, 1, false}}) {
    SCOPED_TRACE(std::to_string(c.size) + " bytes, signature at " + std::to_string(c.offset));
    WriteFileBytes(dir.File("f.bin"), FillerWith(c.size, kSqlite3Signature, c.offset));
    Detected detected = Detect(dir.File("f.bin"));
    if (c.found) {
      EXPECT_EQ(detected.settings.formatVersion, kFormatSqlite3);
      EXPECT_EQ(detected.settings.startOffset, c.offset);
    } else {
      // Below 1024 bytes the SQLite 2 search does not run.
      EXPECT_EQ(detected.settings.formatVersion, kFormatNone);
      EXPECT_EQ(detected.settings.startOffset, 0u);
      EXPECT_EQ(detected.settings.pageSize, 0u);
      EXPECT_EQ(detected.messages, kNotSupported);
    }
  }
}

TEST(DetectionTest, SignaturesMatchIgnoringCase) {
  ScratchDir dir;
  std::vector<uint8_t> database = RealDatabase(dir);
  std::memcpy(database.data(), "sqlite FORMAT 3", 15);
  WriteFileBytes(dir.File("lower.db"), database);
  EXPECT_EQ(Detect(dir.File("lower.db")).settings.formatVersion, kFormatSqlite3);

  WriteFileBytes(dir.File("v2.db"), FillerWith(2048, "** this FILE contains an sqlite 2.1 DATABASE **", 0));
  EXPECT_EQ(Detect(dir.File("v2.db")).settings.formatVersion, kFormatSqlite2);
}

TEST(DetectionTest, FindsTheSqlite2SignatureUpTo1024BytesBeforeTheEnd) {
  ScratchDir dir;
  for (size_t offset : {size_t{0}, size_t{100}, size_t{1024}, size_t{1025}}) {
    SCOPED_TRACE(offset);
    WriteFileBytes(dir.File("v2.db"), FillerWith(2048, kSqlite2Signature, offset));
    Detected detected = Detect(dir.File("v2.db"));
    if (offset <= 1024) {
      EXPECT_EQ(detected.settings.formatVersion, kFormatSqlite2);
      EXPECT_EQ(detected.settings.startOffset, offset);
      EXPECT_EQ(detected.settings.pageSize, 1024u);
      EXPECT_TRUE(detected.settings.utf8);
      EXPECT_FALSE(detected.settings.utf16);
      EXPECT_TRUE(detected.messages.empty());
    } else {
      EXPECT_EQ(detected.settings.formatVersion, kFormatNone);
      EXPECT_EQ(detected.messages, kNoContent);
    }
  }
}

TEST(DetectionTest, SmallFilesAreNotSupported) {
  ScratchDir dir;
  // Below 512 bytes even an SQLite 3 signature at offset 0 is not looked at;
  // below 1024 bytes an SQLite 2 signature is not.
  WriteFileBytes(dir.File("511.bin"), FillerWith(511, kSqlite3Signature, 0));
  WriteFileBytes(dir.File("1000.bin"), FillerWith(1000, kSqlite2Signature, 0));
  WriteFileBytes(dir.File("2000.bin"), FillerWith(2000, "no database here", 0));
  EXPECT_EQ(Detect(dir.File("511.bin")).messages, kNotSupported);
  EXPECT_EQ(Detect(dir.File("1000.bin")).messages, kNotSupported);
  EXPECT_EQ(Detect(dir.File("2000.bin")).messages, kNoContent);
  EXPECT_EQ(Detect(dir.File("2000.bin")).settings.formatVersion, kFormatNone);
}

TEST(DetectionTest, AMissingPathOrAFolderIsRefusedBeforeDetection) {
  ScratchDir dir;
  Detected missing = Detect(dir.File("missing.db"));
  EXPECT_EQ(missing.settings.formatVersion, kFormatNone);
  EXPECT_EQ(missing.messages, std::vector<std::string>{kMsgSelectValidFile});
  Detected folder = Detect(dir.path());
  EXPECT_EQ(folder.settings.formatVersion, kFormatNone);
  EXPECT_EQ(folder.messages, std::vector<std::string>{kMsgFileUsedByOther});
}

TEST(DetectionTest, PageSizeField1Means65536) {
  ScratchDir dir;
  std::vector<uint8_t> database = RealDatabase(dir, 65536);
  ASSERT_EQ(database[16], 0);
  ASSERT_EQ(database[17], 1);
  WriteFileBytes(dir.File("big-pages.db"), database);
  Detected detected = Detect(dir.File("big-pages.db"));
  EXPECT_EQ(detected.settings.formatVersion, kFormatSqlite3);
  EXPECT_EQ(detected.settings.pageSize, 65536u);
}

struct EncodingCase {
  const char* sqliteName;
  uint8_t headerValue;
  bool utf16;
  bool bigEndian;
};

const EncodingCase kEncodings[] = {
    {"UTF-8", 1, false, false},
    {"UTF-16le", 2, true, false},
    {"UTF-16be", 3, true, true},
};

TEST(DetectionTest, TakesTheEncodingFromTheHeader) {
  ScratchDir dir;
  for (const EncodingCase& c : kEncodings) {
    SCOPED_TRACE(c.sqliteName);
    std::vector<uint8_t> database = RealDatabase(dir, 4096, c.sqliteName);
    ASSERT_EQ(database[59], c.headerValue);
    WriteFileBytes(dir.File("enc.db"), database);
    FileSettings settings = Detect(dir.File("enc.db")).settings;
    EXPECT_EQ(settings.utf8, !c.utf16);
    EXPECT_EQ(settings.utf16, c.utf16);
    EXPECT_EQ(settings.bigEndianText, c.bigEndian);
  }
}

TEST(DetectionTest, ADamagedEncodingFieldIsDecidedFromPage1) {
  ScratchDir dir;
  const std::vector<std::vector<uint8_t>> damages = {{0, 0, 0, 0}, {0, 0, 0, 9}, {0xFF, 0xFF, 0xFF, 0xFF}};
  for (const EncodingCase& c : kEncodings) {
    const std::vector<uint8_t> original = RealDatabase(dir, 4096, c.sqliteName);
    for (const std::vector<uint8_t>& damage : damages) {
      SCOPED_TRACE(std::string(c.sqliteName) + " with field byte " + std::to_string(damage[3]));
      std::vector<uint8_t> database = original;
      std::copy(damage.begin(), damage.end(), database.begin() + 56);
      WriteFileBytes(dir.File("damaged.db"), database);
      FileSettings settings = Detect(dir.File("damaged.db")).settings;
      EXPECT_EQ(settings.formatVersion, kFormatSqlite3);
      EXPECT_EQ(settings.utf8, !c.utf16);
      EXPECT_EQ(settings.utf16, c.utf16);
      EXPECT_EQ(settings.bigEndianText, c.bigEndian);
    }
  }
}

TEST(DetectionTest, TheDiskReaderSearchFindsASignatureAcrossItsBlocks) {
  ScratchDir dir;
  // The disk reader is searched in 1 MiB blocks that overlap by the
  // signature's length; these offsets straddle and follow a block boundary.
  const std::string sig = kSqlite3Signature;
  for (uint64_t offset : {(uint64_t{1} << 20) - 5, (uint64_t{2} << 20) + 3}) {
    SCOPED_TRACE(offset);
    WriteFileBytes(dir.File("disk.bin"), FillerWith(3 << 20, sig, static_cast<size_t>(offset)));
    Reader_Disk reader;
    ASSERT_TRUE(reader.Open(dir.File("disk.bin")));
    EXPECT_EQ(FindSignature(reader, sig, reader.size()), std::optional<uint64_t>(offset));
    EXPECT_EQ(FindSignature(reader, sig, offset - 1), std::nullopt);
  }
}

}  // namespace
}  // namespace salvoran::testing
