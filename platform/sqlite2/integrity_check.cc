#include "platform/sqlite2/integrity_check.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>

#include "platform/sqlite2/database_loader.h"
#include "platform/sqlite2/file_reader.h"
#include "platform/sqlite2/record.h"

namespace salvoran::sqlite2 {
namespace {

constexpr uint32_t kMaxTrunkLeaves = 254;

// A page on the walk of a tree, with the keys that bound its subtree.
struct Frame {
  uint32_t page = 0;
  BtreePage content;
  std::vector<TreeEntry> cells;  // payloads, in chain order
  std::optional<std::string> lower;
  std::optional<std::string> upper;
  size_t depth = 0;
  size_t next = 0;
  bool leftDone = false;
  bool rightDone = false;
};

class Checker {
 public:
  Checker(const PageSource& source, std::vector<std::string>& problems)
      : source_(source), problems_(problems), used_(size_t{source.pageCount} + 1, false) {}

  void UseHeaderPage() { used_[1] = true; }

  void CheckFreeList(const FileHeader& header) {
    uint32_t counted = 0;
    uint32_t trunk = header.freeListHead;
    for (uint32_t steps = 0; trunk != 0 && steps <= source_.pageCount; ++steps) {
      if (!Use(trunk, "free list")) return;
      ++counted;
      const uint8_t* page = source_.Page(trunk);
      const uint32_t leaves = source_.order.U32(page + 4);
      if (leaves > kMaxTrunkLeaves) {
        problems_.push_back("free list trunk " + std::to_string(trunk) + " lists too many pages");
        return;
      }
      for (uint32_t i = 0; i < leaves; ++i) {
        if (Use(source_.order.U32(page + 8 + 4 * i), "free list")) ++counted;
      }
      trunk = source_.order.U32(page);
    }
    if (counted < header.freePageCount) {
      problems_.push_back(std::to_string(header.freePageCount - counted) +
                          " pages missing from overflow list");
    } else if (counted > header.freePageCount) {
      problems_.push_back("free list holds " + std::to_string(counted) + " pages, the header says " +
                          std::to_string(header.freePageCount));
    }
  }

  // Checks one tree and returns its entries in key order; nullopt when it
  // is too damaged to walk.
  std::optional<std::vector<TreeEntry>> CheckTree(uint32_t root, const std::string& name) {
    const std::string what = "tree " + name;
    std::vector<TreeEntry> entries;
    std::vector<Frame> stack;
    std::optional<size_t> leafDepth;

    auto enter = [&](uint32_t page, std::optional<std::string> lower, std::optional<std::string> upper,
                     size_t depth) {
      std::optional<Frame> frame = LoadPage(page, what, page == root);
      if (!frame) return false;
      frame->lower = std::move(lower);
      frame->upper = std::move(upper);
      frame->depth = depth;
      for (const TreeEntry& cell : frame->cells) {
        if ((frame->lower && cell.key <= *frame->lower) || (frame->upper && cell.key >= *frame->upper)) {
          problems_.push_back(what + ": page " + std::to_string(page) +
                              ": a key lies outside the range its parent gives");
          break;
        }
      }
      if (frame->content.rightChild == 0) {
        if (leafDepth && *leafDepth != depth) problems_.push_back(what + ": leaves at different depths");
        leafDepth = depth;
      }
      stack.push_back(std::move(*frame));
      return true;
    };

    if (!enter(root, std::nullopt, std::nullopt, 0)) return std::nullopt;
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next < frame.cells.size()) {
        const CellInfo& cell = frame.content.cells[frame.next];
        if (!frame.leftDone) {
          frame.leftDone = true;
          if (cell.leftChild != 0) {
            std::optional<std::string> lower =
                frame.next == 0 ? frame.lower : std::optional<std::string>(frame.cells[frame.next - 1].key);
            std::optional<std::string> upper = frame.cells[frame.next].key;
            if (!enter(cell.leftChild, std::move(lower), std::move(upper), frame.depth + 1)) {
              return std::nullopt;
            }
            continue;
          }
        }
        entries.push_back(frame.cells[frame.next]);
        ++frame.next;
        frame.leftDone = false;
        continue;
      }
      if (!frame.rightDone) {
        frame.rightDone = true;
        if (frame.content.rightChild != 0) {
          std::optional<std::string> lower =
              frame.cells.empty() ? frame.lower : std::optional<std::string>(frame.cells.back().key);
          if (!enter(frame.content.rightChild, std::move(lower), frame.upper, frame.depth + 1)) {
            return std::nullopt;
          }
          continue;
        }
      }
      stack.pop_back();
    }
    return entries;
  }

  void CheckEveryPageUsed() {
    for (uint32_t page = 1; page <= source_.pageCount; ++page) {
      if (!used_[page]) problems_.push_back("Page " + std::to_string(page) + " is never used");
    }
  }

 private:
  bool Use(uint32_t page, const std::string& what) {
    if (!source_.IsPage(page)) {
      problems_.push_back(what + ": invalid page number " + std::to_string(page));
      return false;
    }
    if (used_[page]) {
      problems_.push_back(what + ": 2nd reference to page " + std::to_string(page));
      return false;
    }
    used_[page] = true;
    return true;
  }

  // Loads a page with its cells' payloads and checks what the page alone
  // can tell.
  std::optional<Frame> LoadPage(uint32_t page, const std::string& what, bool isRoot) {
    if (!Use(page, what)) return std::nullopt;
    std::string problem;
    std::optional<BtreePage> content = ParseBtreePage(source_, page, problem);
    if (!content) {
      problems_.push_back(what + ": " + problem);
      return std::nullopt;
    }
    const std::string where = what + ": page " + std::to_string(page);
    CheckCoverage(page, *content, where);
    if (!isRoot && content->cells.empty()) problems_.push_back(where + ": a non-root page without cells");
    const bool leaf = content->rightChild == 0;
    for (const CellInfo& cell : content->cells) {
      if ((cell.leftChild == 0) != leaf) {
        problems_.push_back(where + ": mixes leaf and interior cells");
        break;
      }
    }
    Frame frame;
    frame.page = page;
    for (const CellInfo& cell : content->cells) {
      std::vector<uint32_t> overflow;
      std::string payload;
      if (!ReadPayload(source_, page, cell, payload, &overflow, problem)) {
        problems_.push_back(what + ": " + problem);
        return std::nullopt;
      }
      for (uint32_t overflowPage : overflow) {
        if (!Use(overflowPage, what + " overflow")) return std::nullopt;
      }
      if (!overflow.empty() && source_.order.U32(source_.Page(overflow.back())) != 0) {
        problems_.push_back(where + ": overflow chain does not end with 0");
      }
      TreeEntry entry;
      entry.key = payload.substr(0, cell.keySize);
      entry.data = payload.substr(cell.keySize);
      if (!frame.cells.empty() && entry.key <= frame.cells.back().key) {
        problems_.push_back(where + ": Key is out of order");
      }
      frame.cells.push_back(std::move(entry));
    }
    frame.content = std::move(*content);
    return frame;
  }

  // Header, cells and free blocks must cover each byte exactly once.
  void CheckCoverage(uint32_t page, const BtreePage& content, const std::string& where) {
    if (content.cells.empty() && content.freeBlocks.empty()) {
      problems_.push_back(where + ": Unused space at byte 8 of page " + std::to_string(page));
      return;
    }
    std::vector<uint8_t> uses(kPageSize, 0);
    std::fill(uses.begin(), uses.begin() + kPageHeaderSize, 1);
    auto mark = [&](uint32_t from, uint32_t size) {
      for (uint32_t i = from; i < from + size && i < kPageSize; ++i) ++uses[i];
    };
    for (const CellInfo& cell : content.cells) mark(cell.offset, CellSize(cell.Payload()));
    for (const FreeBlock& block : content.freeBlocks) mark(block.offset, block.size);
    for (uint32_t i = 0; i < kPageSize; ++i) {
      if (uses[i] == 0) {
        problems_.push_back(where + ": Unused space at byte " + std::to_string(i));
        return;
      }
      if (uses[i] > 1) {
        problems_.push_back(where + ": Multiple uses for byte " + std::to_string(i));
        return;
      }
    }
  }

  const PageSource& source_;
  std::vector<std::string>& problems_;
  std::vector<bool> used_;
};

// The root page and sqlite_master fields of one object.
struct MasterRow {
  std::string type;
  std::string name;
  uint32_t root = 0;
};

std::vector<MasterRow> MasterRows(const std::vector<TreeEntry>& master, std::vector<std::string>& problems) {
  std::vector<MasterRow> rows;
  for (const TreeEntry& entry : master) {
    const auto fields = DecodeRecord(entry.data);
    if (entry.key.size() != 4 || !fields || fields->size() < 5) {
      problems.push_back("sqlite_master: a row that is not a schema record");
      continue;
    }
    MasterRow row;
    row.type = std::string((*fields)[0].value_or(""));
    row.name = std::string((*fields)[1].value_or(""));
    const std::string rootText((*fields)[3].value_or("0"));
    row.root = static_cast<uint32_t>(std::strtoul(rootText.c_str(), nullptr, 10));
    rows.push_back(std::move(row));
  }
  return rows;
}

// Every index must hold exactly the keys built from its table's rows.
void CheckIndexEntries(std::string_view file, const std::map<std::string, std::vector<TreeEntry>>& trees,
                       std::vector<std::string>& problems) {
  Database db;
  const LoadResult loaded = LoadDatabase(file, db);
  if (loaded.code != 0) {
    problems.push_back("the database does not load: " + loaded.message);
    return;
  }
  for (const SchemaObject& object : db.objects) {
    if (object.kind != ObjectKind::Index) continue;
    const auto tree = trees.find(object.name);
    if (tree == trees.end()) {
      problems.push_back("index " + object.name + " has no tree");
      continue;
    }
    std::set<std::string> stored;
    for (const TreeEntry& entry : tree->second) stored.insert(entry.key);
    for (const std::string& key : object.keys) {
      if (stored.count(key) == 0) {
        const int32_t rowid = DecodeRowidKey(reinterpret_cast<const uint8_t*>(key.data()) + key.size() - 4);
        problems.push_back("rowid " + std::to_string(rowid) + " missing from index " + object.name);
      }
    }
    if (stored.size() != object.keys.size() || tree->second.size() != object.keys.size()) {
      problems.push_back("wrong # of entries in index " + object.name);
    }
  }
}

}  // namespace

std::vector<std::string> CheckIntegrity(std::string_view file) {
  std::vector<std::string> problems;
  if (file.empty()) return problems;
  const std::optional<FileHeader> header = ParseHeader(file);
  if (!header) return {"not an SQLite 2.1 database"};
  if (file.size() % kPageSize != 0) problems.push_back("the file is not a whole number of pages");
  const PageSource source{file, header->order, static_cast<uint32_t>(file.size() / kPageSize)};
  if (source.pageCount < kMasterRootPage) return {"List of tree roots: invalid page number 2"};

  Checker checker(source, problems);
  checker.UseHeaderPage();
  checker.CheckFreeList(*header);
  const auto master = checker.CheckTree(kMasterRootPage, "sqlite_master");
  if (!master) return problems;
  std::map<std::string, std::vector<TreeEntry>> indexTrees;
  for (const MasterRow& row : MasterRows(*master, problems)) {
    if (row.root == 0) continue;
    auto entries = checker.CheckTree(row.root, row.name);
    if (entries && row.type == "index") indexTrees[row.name] = std::move(*entries);
  }
  checker.CheckEveryPageUsed();
  if (problems.empty()) CheckIndexEntries(file, indexTrees, problems);
  return problems;
}

}  // namespace salvoran::sqlite2
