#include "platform/sqlite2/file_reader.h"

#include <algorithm>
#include <cstring>

namespace salvoran::sqlite2 {
namespace {

std::string PageProblem(uint32_t page, const std::string& what) {
  return "page " + std::to_string(page) + ": " + what;
}

// Appends payload bytes [from, from + count) of a cell's payload given in two
// parts: what lies in the cell and what the overflow pages hold.
struct PayloadReader {
  const PageSource& source;
  std::string& problem;

  bool Read(uint32_t page, const CellInfo& cell, std::string& payload,
            std::vector<uint32_t>* overflowPages, std::vector<bool>* visited) {
    const uint64_t total = cell.Payload();
    const uint32_t overflowCount = OverflowPageCount(total);
    if (overflowCount > source.pageCount) {
      problem = PageProblem(page, "payload larger than the file");
      return false;
    }
    const uint8_t* bytes = source.Page(page) + cell.offset + kCellHeaderSize;
    const auto local = static_cast<size_t>(std::min<uint64_t>(total, kMaxLocalPayload));
    payload.assign(reinterpret_cast<const char*>(bytes), local);
    if (overflowCount == 0) return true;
    payload.reserve(static_cast<size_t>(total));
    uint32_t next = source.order.U32(bytes + kMaxLocalPayload);
    for (uint32_t i = 0; i < overflowCount; ++i) {
      if (!source.IsPage(next) || next == 1) {
        problem = PageProblem(page, "overflow chain leaves the file");
        return false;
      }
      if (visited) {
        if ((*visited)[next]) {
          problem = PageProblem(next, "used twice");
          return false;
        }
        (*visited)[next] = true;
      }
      if (overflowPages) overflowPages->push_back(next);
      const uint8_t* overflow = source.Page(next);
      const size_t count = std::min<size_t>(kOverflowPayload, static_cast<size_t>(total) - payload.size());
      payload.append(reinterpret_cast<const char*>(overflow + 4), count);
      next = source.order.U32(overflow);
    }
    return true;
  }
};

}  // namespace

std::optional<FileHeader> ParseHeader(std::string_view file) {
  if (file.size() < kPageSize) return std::nullopt;
  if (std::memcmp(file.data(), kSignature.data(), kSignature.size()) != 0 ||
      file[kSignature.size()] != '\0') {
    return std::nullopt;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
  FileHeader header;
  if (ByteOrder{false}.U32(bytes + kMagicOffset) == kMagic) {
    header.order.bigEndian = false;
  } else if (ByteOrder{true}.U32(bytes + kMagicOffset) == kMagic) {
    header.order.bigEndian = true;
  } else {
    return std::nullopt;
  }
  header.freeListHead = header.order.U32(bytes + kFreeListHeadOffset);
  header.freePageCount = header.order.U32(bytes + kFreePageCountOffset);
  header.schemaCookie = static_cast<int32_t>(header.order.U32(bytes + kSchemaCookieOffset));
  header.fileFormat = static_cast<int32_t>(header.order.U32(bytes + kFileFormatOffset));
  std::memcpy(header.metaTail.data(), bytes + kMetaTailOffset, kMetaTailSize);
  return header;
}

std::optional<BtreePage> ParseBtreePage(const PageSource& source, uint32_t page, std::string& problem) {
  if (!source.IsPage(page) || page == 1) {
    problem = "invalid page number " + std::to_string(page);
    return std::nullopt;
  }
  const uint8_t* bytes = source.Page(page);
  const ByteOrder& order = source.order;
  BtreePage result;
  result.rightChild = order.U32(bytes);
  uint32_t used = 0;

  // At most 1016 / 12 cells fit; a longer chain repeats itself.
  constexpr size_t kMaxCells = kUsableCellSpace / kCellHeaderSize;
  for (uint32_t offset = order.U16(bytes + 4); offset != 0;) {
    if (offset % 4 != 0 || offset < kPageHeaderSize || offset > kPageSize - 16) {
      problem = PageProblem(page, "cell offset " + std::to_string(offset) + " out of place");
      return std::nullopt;
    }
    if (result.cells.size() >= kMaxCells) {
      problem = PageProblem(page, "cell chain does not end");
      return std::nullopt;
    }
    const uint8_t* cell = bytes + offset;
    CellInfo info;
    info.offset = offset;
    info.leftChild = order.U32(cell);
    info.keySize = order.U16(cell + 4) + (uint32_t{cell[8]} << 16);
    info.dataSize = order.U16(cell + 10) + (uint32_t{cell[9]} << 16);
    const uint32_t size = CellSize(info.Payload());
    if (offset + size > kPageSize) {
      problem = PageProblem(page, "cell at " + std::to_string(offset) + " runs past the page");
      return std::nullopt;
    }
    used += size;
    result.cells.push_back(info);
    offset = order.U16(cell + 6);
  }

  uint32_t freeBytes = 0;
  for (uint32_t offset = order.U16(bytes + 6); offset != 0;) {
    if (offset < kPageHeaderSize || offset > kPageSize - 4) {
      problem = PageProblem(page, "free block offset " + std::to_string(offset) + " out of place");
      return std::nullopt;
    }
    FreeBlock block{offset, order.U16(bytes + offset)};
    const uint32_t next = order.U16(bytes + offset + 2);
    if (block.size < 4 || offset + block.size > kPageSize || (next != 0 && next <= offset)) {
      problem = PageProblem(page, "damaged free block at " + std::to_string(offset));
      return std::nullopt;
    }
    freeBytes += block.size;
    result.freeBlocks.push_back(block);
    offset = next;
  }

  const bool blankPage = result.cells.empty() && result.freeBlocks.empty();
  if (!blankPage && used + freeBytes != kUsableCellSpace) {
    problem = PageProblem(page, "cells and free space do not cover the page");
    return std::nullopt;
  }
  return result;
}

bool ReadPayload(const PageSource& source, uint32_t page, const CellInfo& cell, std::string& payload,
                 std::vector<uint32_t>* overflowPages, std::string& problem) {
  PayloadReader reader{source, problem};
  return reader.Read(page, cell, payload, overflowPages, nullptr);
}

bool ReadTree(const PageSource& source, uint32_t root, std::vector<TreeEntry>& entries,
              std::string& problem) {
  struct Frame {
    uint32_t page;
    BtreePage content;
    size_t nextCell = 0;
    bool leftDone = false;
    bool rightDone = false;
  };
  std::vector<bool> visited(size_t{source.pageCount} + 1, false);
  std::vector<Frame> stack;
  auto enter = [&](uint32_t page) {
    if (!source.IsPage(page) || page == 1) {
      problem = "invalid page number " + std::to_string(page);
      return false;
    }
    if (visited[page]) {
      problem = PageProblem(page, "used twice");
      return false;
    }
    visited[page] = true;
    auto content = ParseBtreePage(source, page, problem);
    if (!content) return false;
    stack.push_back(Frame{page, std::move(*content)});
    return true;
  };
  if (!enter(root)) return false;

  PayloadReader reader{source, problem};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.nextCell < frame.content.cells.size()) {
      const CellInfo& cell = frame.content.cells[frame.nextCell];
      if (!frame.leftDone) {
        frame.leftDone = true;
        if (cell.leftChild != 0) {
          if (!enter(cell.leftChild)) return false;
          continue;
        }
      }
      std::string payload;
      if (!reader.Read(frame.page, cell, payload, nullptr, &visited)) return false;
      TreeEntry entry;
      entry.key = payload.substr(0, cell.keySize);
      entry.data = payload.substr(cell.keySize);
      entries.push_back(std::move(entry));
      ++frame.nextCell;
      frame.leftDone = false;
      continue;
    }
    if (!frame.rightDone) {
      frame.rightDone = true;
      if (frame.content.rightChild != 0) {
        if (!enter(frame.content.rightChild)) return false;
        continue;
      }
    }
    stack.pop_back();
  }
  return true;
}

}  // namespace salvoran::sqlite2
