#include "recovery/sqlite_base.h"

#include <array>

#include "recovery/text.h"

namespace salvoran {

bool sqlite_base::CreateRecoveredDatabase(const std::string&) { return true; }
bool sqlite_base::ScanDatabase(const std::string&) { return true; }
void sqlite_base::LoadTableRecords(const std::string&, uint32_t, int, const std::string&, int) {}
// Adds up the rows of every checked table node; both formats count the
// same way, through their own CountTableRecords.
int64_t sqlite_base::CountSelectedRecords() {
  if (frame_ == nullptr || context_ == nullptr) return 0;
  ObjectTree& tree = frame_->Tree();
  int64_t sum = 0;
  for (TreeItem item = tree.GetChildItem(context_->tablesNode); item != kNoItem;
       item = tree.GetNextSiblingItem(item)) {
    if (!tree.GetCheck(item)) continue;
    int32_t index = tree.GetItemData(item);
    if (index < 0 || static_cast<size_t>(index) >= catalog_.columnDescriptors.size()) continue;
    rowCountAccumulator = 0;
    sum += CountTableRecords(context_->inputPath,
                             ParseColumnDescriptor(catalog_.columnDescriptors[static_cast<size_t>(index)]).rootPage);
  }
  return sum;
}
void sqlite_base::ExportTableRecords(const std::string&, uint32_t, int, const std::string&, int) {}
int64_t sqlite_base::CountTableRecords(const std::string&, int64_t) { return 0; }

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
}

}  // namespace

std::string sqlite_base::NormalizeColumnType(const std::string& type) {
  std::string result = ToUpperAscii(type);
  ReplaceAll(result, "NVARCHAR", "varchar");
  ReplaceAll(result, "LONGVARCHAR", "varchar");
  ReplaceAll(result, "BLOB", "OLE Object");
  return result;
}

bool sqlite_base::IsAccessType(const std::string& type) {
  std::string compact;
  for (char c : ToUpperAscii(type)) {
    if (c != ' ') compact.push_back(c);
  }
  static constexpr std::array<const char*, 15> kTypes = {
      "TEXT",       "MEMO", "BYTE", "INTEGER",   "LONG",  "DOUBLE", "CURRENCY", "AUTONUMBER",
      "DATE", "OLEOBJECT", "TIME", "YESNO", "HYPERLINK", "FLOAT", "BINARY"};
  for (const char* known : kTypes) {
    if (compact == known) return true;
  }
  return false;
}

std::string sqlite_base::SanitizeIdentifier(const std::string& name) {
  std::string unmarked = name;
  ReplaceAll(unmarked, kKeyMark, "");
  std::string kept;
  for (char c : unmarked) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') {
      kept.push_back(c);
    }
  }
  if (!kept.empty()) return kept;
  std::string trimmed = TrimWhitespace(unmarked);
  auto strip = [&](char quote) {
    size_t begin = 0;
    while (begin < trimmed.size() && trimmed[begin] == quote) ++begin;
    size_t end = trimmed.size();
    while (end > begin && trimmed[end - 1] == quote) --end;
    trimmed = trimmed.substr(begin, end - begin);
  };
  strip('`');
  strip('\'');
  return trimmed;
}

}  // namespace salvoran
