#include "recovery/detection.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "recovery/messages.h"

namespace salvoran {

namespace {

uint8_t LowerByte(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }

// Searches bytes[0, limit] for the first offset where signature matches,
// ignoring case. The first byte of the signature is a letter or '*', so a
// byte test on its two cases skips most offsets without a call.
std::optional<size_t> SearchBlock(const uint8_t* bytes, size_t available, size_t lastStart,
                                  std::string_view signature) {
  const size_t length = signature.size();
  const uint8_t first = LowerByte(static_cast<uint8_t>(signature[0]));
  const uint8_t firstUpper = (first >= 'a' && first <= 'z') ? static_cast<uint8_t>(first - 32) : first;
  for (size_t k = 0; k <= lastStart && k + length <= available; ++k) {
    if (bytes[k] != first && bytes[k] != firstUpper) continue;
    size_t j = 1;
    while (j < length && LowerByte(bytes[k + j]) == LowerByte(static_cast<uint8_t>(signature[j]))) ++j;
    if (j == length) return k;
  }
  return std::nullopt;
}

}  // namespace

std::optional<uint64_t> FindSignature(const Reader& reader, std::string_view signature,
                                      uint64_t lastOffset) {
  const uint64_t size = reader.size();
  if (size < signature.size()) return std::nullopt;
  lastOffset = std::min<uint64_t>(lastOffset, size - signature.size());
  std::span<const uint8_t> view = reader.View();
  if (!view.empty()) {
    auto found = SearchBlock(view.data(), view.size(), static_cast<size_t>(lastOffset), signature);
    if (found) return *found;
    return std::nullopt;
  }
  // Disk reader: search in blocks that overlap by the signature's length.
  constexpr size_t kBlock = 1 << 20;
  std::vector<uint8_t> block(kBlock + signature.size());
  for (uint64_t start = 0; start <= lastOffset; start += kBlock) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), size - start));
    if (!reader.ReadAt(start, block.data(), want)) return std::nullopt;
    size_t lastInBlock = static_cast<size_t>(std::min<uint64_t>(lastOffset - start, kBlock - 1));
    auto found = SearchBlock(block.data(), want, lastInBlock, signature);
    if (found) return start + *found;
  }
  return std::nullopt;
}

int32_t DetectFormat(const Reader& reader, FileSettings* settings, OwnerFrame& frame) {
  const uint64_t size = reader.size();
  if (size < 512) {
    frame.Message(kMsgFormatNotSupported, MessageIcon::Information);
    return kFormatNone;
  }
  // Offset 0 is always examined; size - 513 would wrap for a 512-byte file.
  const uint64_t lastSqlite3Offset = size >= 513 ? size - 513 : 0;
  if (auto found = FindSignature(reader, kSqlite3Signature, lastSqlite3Offset)) {
    settings->startOffset = *found;
    return kFormatSqlite3;
  }
  settings->startOffset = 0;
  if (size < 1024) {
    frame.Message(kMsgFormatNotSupported, MessageIcon::Information);
    return kFormatNone;
  }
  if (auto found = FindSignature(reader, kSqlite2Signature, size - 1024)) {
    settings->startOffset = *found;
    return kFormatSqlite2;
  }
  frame.Message(kMsgContentNotInForm, MessageIcon::Information);
  return kFormatNone;
}

uint32_t GuessTextEncoding(std::span<const uint8_t> page1) {
  // "CREATE" in UTF-16 has a zero byte beside every letter; which side the
  // zero is on tells the byte order.
  static constexpr char kWord[] = "CREATE";
  const size_t n = sizeof kWord - 1;
  for (size_t k = 0; k + 2 * n <= page1.size(); ++k) {
    bool le = true;
    bool be = true;
    for (size_t j = 0; j < n && (le || be); ++j) {
      uint8_t a = page1[k + 2 * j];
      uint8_t b = page1[k + 2 * j + 1];
      uint8_t letter = static_cast<uint8_t>(kWord[j]);
      le = le && LowerByte(a) == LowerByte(letter) && b == 0;
      be = be && a == 0 && LowerByte(b) == LowerByte(letter);
    }
    if (le) return 2;
    if (be) return 3;
  }
  return 1;
}

FileSettings DetectFileSettings(const std::string& path, OwnerFrame& frame) {
  FileSettings settings;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    frame.Message(kMsgSelectValidFile, MessageIcon::Information);
    return settings;
  }
  settings.path = path;
  std::unique_ptr<Reader> reader = ChooseReader(path);
  if (!reader) {
    frame.Message(kMsgFileUsedByOther, MessageIcon::Information);
    return settings;
  }
  settings.formatVersion = DetectFormat(*reader, &settings, frame);
  if (settings.formatVersion == kFormatNone) {
    frame.Message(kMsgVersionNotDetected, MessageIcon::Information);
    return settings;
  }
  if (settings.formatVersion == kFormatSqlite2) {
    settings.utf8 = true;
    settings.pageSize = 1024;
    return settings;
  }
  std::array<uint8_t, 100> header{};
  if (!reader->ReadAt(settings.startOffset, header.data(), header.size())) return settings;
  uint32_t pageSize = (uint32_t{header[16]} << 8) | header[17];
  settings.pageSize = pageSize == 1 ? 65536 : pageSize;
  uint32_t encoding = header[59];
  if (encoding < 1 || encoding > 3 || header[56] != 0 || header[57] != 0 || header[58] != 0) {
    std::vector<uint8_t> page1(static_cast<size_t>(
        std::min<uint64_t>(settings.pageSize ? settings.pageSize : 4096, reader->size() - settings.startOffset)));
    reader->ReadAt(settings.startOffset, page1.data(), page1.size());
    encoding = GuessTextEncoding(page1);
  }
  settings.utf8 = encoding == 1;
  settings.utf16 = encoding != 1;
  settings.bigEndianText = encoding == 3;
  return settings;
}

}  // namespace salvoran
