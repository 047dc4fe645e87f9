// ScanDatabase of the SQLite 3 parser: finds the schema of the file without
// the SQLite library and fills the catalog and the object tree.
//
//   1. The file header: the page size must be a power of two from 512 to
//      65536 and the header must carry the SQLite 3 signature; a trailing
//      partial page is left out. Then the header record of every page.
//   2. The walk of the schema b-tree from page 1, through interior pages to
//      any depth. Each schema row's text is searched for its CREATE
//      statement; tables go to the table-definition tokenizer (checked
//      against the SQLite library's own reading), indexes, views and
//      triggers are recorded here. A damaged page or record is logged and
//      skipped, and the user is told once that the schema was damaged.
//   3. One tree node per object found, below the four category nodes.
#include <array>
#include <limits>
#include <optional>

#include "recovery/detection.h"
#include "recovery/messages.h"
#include "recovery/text.h"
#include "sqlite3fmt/btree_walk.h"
#include "sqlite3fmt/schema_keywords.h"
#include "sqlite3fmt/schema_page_headers.h"
#include "sqlite3fmt/schema_record.h"
#include "sqlite3fmt/schema_tree.h"
#include "sqlite3fmt/sqlite_ver3.h"
#include "sqlite3fmt/table_definition.h"
#include "sqlite3fmt/table_schema_check.h"

namespace salvoran {

namespace {

using sqlite3::KeywordMatch;
using sqlite3::SchemaKind;
using sqlite3::SchemaRecord;
using sqlite3::TableDefinition;

constexpr size_t kFileHeaderBytes = 100;
constexpr uint64_t kPagesPerProgressStep = 1000;
// Damage is logged line by line up to these counts, then summed up, so that
// a file full of garbage does not flood the log.
constexpr size_t kMaxLoggedUnknownPages = 20;
constexpr size_t kMaxLoggedDamage = 50;

bool IsValidPageSize(uint64_t size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }

// WITHOUT ROWID after the column list, for a table the library could not read.
bool DeclaresWithoutRowid(std::string_view tail) {
  std::string upper = ToUpperAscii(tail);
  for (size_t at = upper.find("WITHOUT"); at != std::string::npos; at = upper.find("WITHOUT", at + 1)) {
    size_t pos = at + 7;
    while (pos < upper.size() && sqlite3::IsSqlSpace(upper[pos])) ++pos;
    if (pos > at + 7 && upper.compare(pos, 5, "ROWID") == 0 &&
        (pos + 5 == upper.size() || !sqlite3::IsWordChar(upper[pos + 5]))) {
      return true;
    }
  }
  return false;
}

// The descriptor, types and Access statement rebuilt from the library's
// columns, the rowid alias marked as the key.
void RebuildColumns(TableDefinition* definition, const sqlite3::LibraryTable& library) {
  definition->columns.clear();
  definition->columnTypes.clear();
  definition->accessStatement = sqlite3::AccessStatementHeader(definition->name);
  for (size_t c = 0; c < library.columns.size(); ++c) {
    std::string rawName = library.columns[c].name;
    if (static_cast<int>(c) == library.keyColumn) rawName += kKeyMark;
    // The blank before the type, as the tokenizer keeps it.
    std::string accessType = sqlite3::AccessTypeOf(" " + library.columns[c].declaredType);
    sqlite3::AppendAccessColumn(&definition->accessStatement, c == 0, rawName, accessType);
    definition->columnTypes.push_back(TrimWhitespace(accessType));
    definition->columns.push_back(std::move(rawName));
  }
  definition->accessStatement += " )";
}

void ExpandCategories(RecoveryContext& context, ObjectTree& tree) {
  for (TreeItem category : {context.tablesNode, context.indexesNode, context.viewsNode, context.triggersNode}) {
    if (category != kNoItem) tree.Expand(category, true);
  }
}

class SchemaScan {
 public:
  SchemaScan(sqlite_ver3& parser, const sqlite3::DbLayout& layout, TextEncoding encoding)
      : parser_(parser),
        context_(*parser.context()),
        frame_(*parser.frame()),
        catalog_(parser.catalog()),
        layout_(layout),
        encoding_(encoding),
        utf16_(encoding != TextEncoding::Utf8) {}

  void ReadPageHeaders();
  // False when the schema cannot be walked at all.
  bool WalkSchema();
  void BuildTree();

 private:
  void ReadLeaf(const sqlite3::PageSource& pages, const sqlite3::WalkStep& step);
  void HandleCell(const sqlite3::PageSource& pages, const sqlite3::WalkStep& step, size_t cell);
  bool HandleTable(const SchemaRecord& record, const KeywordMatch& match);
  bool HandleIndex(const SchemaRecord& record, const KeywordMatch& match);
  void HandleView(const SchemaRecord& record, const KeywordMatch& match);
  void HandleTrigger(const SchemaRecord& record, const KeywordMatch& match);
  void ApplyLibraryReading(TableDefinition* definition, TableDetails* details);
  void ReportDamage(const std::string& line);

  sqlite_ver3& parser_;
  RecoveryContext& context_;
  OwnerFrame& frame_;
  RecoveredCatalog& catalog_;
  const sqlite3::DbLayout& layout_;
  const TextEncoding encoding_;
  const bool utf16_;
  sqlite3::TableSchemaCheck library_;
  size_t damage_ = 0;
};

void SchemaScan::ReadPageHeaders() {
  std::vector<uint32_t> unknownTypes;
  std::function<void(int64_t)> progress;
  if (utf16_) {
    frame_.LogLine(kLogReadingPageHeader16);
  } else {
    frame_.SetProgressRange(static_cast<int64_t>(layout_.pageCount / kPagesPerProgressStep));
    frame_.LogLine(kLogReadingPageHeader8);
    progress = [this](int64_t position) { frame_.SetProgressPosition(position); };
  }
  sqlite3::ReadPageHeaders(*context_.reader, layout_, &catalog_.pageHeaders, utf16_ ? nullptr : &unknownTypes,
                           progress);
  for (size_t i = 0; i < unknownTypes.size() && i < kMaxLoggedUnknownPages; ++i) {
    const uint32_t page = unknownTypes[i];
    frame_.LogLine("Page " + std::to_string(page) + " begins with the unknown page type " +
                   std::to_string(catalog_.pageHeaders[page - 1].pageType) + "; it is not used");
  }
  if (unknownTypes.size() > kMaxLoggedUnknownPages) {
    frame_.LogLine(std::to_string(unknownTypes.size() - kMaxLoggedUnknownPages) +
                   " more pages of unknown type are not used");
  }
  if (!utf16_) frame_.LogLine(kLogSearchingDdl);
}

bool SchemaScan::WalkSchema() {
  const uint8_t rootType = catalog_.pageHeaders.front().pageType;
  if (rootType != sqlite3::kTableLeaf && rootType != sqlite3::kTableInterior) {
    frame_.LogLine("Page 1 is not a page of the schema table (page type " + std::to_string(rootType) + ")");
    frame_.Message(kMsgContentNotInForm, kCaptionCorrupted, MessageIcon::None);
    return false;
  }
  sqlite3::PageSource pages(*context_.reader, layout_);
  sqlite3::BtreeWalk walk(pages, 1, false);
  walk.SetIssueHandler([this](sqlite3::WalkIssue issue, uint32_t page, uint32_t parent) {
    std::string where = "Schema page " + std::to_string(page) + " (child of page " + std::to_string(parent) + ")";
    switch (issue) {
      case sqlite3::WalkIssue::ChildOutOfRange:
        ReportDamage(where + " is not in the file; skipped");
        break;
      case sqlite3::WalkIssue::PageRevisited:
        ReportDamage(where + " was already read; the pointer to it is not followed");
        break;
      case sqlite3::WalkIssue::WrongPageType:
        ReportDamage(where + " is not a page of the schema table; skipped");
        break;
    }
  });
  sqlite3::WalkStep step;
  while (walk.Next(&step)) {
    if (step.interiorCell < 0) ReadLeaf(pages, step);
  }
  if (damage_ > kMaxLoggedDamage) {
    frame_.LogLine(std::to_string(damage_ - kMaxLoggedDamage) + " more damaged schema records or pages were skipped");
  }
  // One box for the whole scan, however much was skipped.
  if (damage_ > 0) frame_.Message(kMsgEndianCorrupted);
  return true;
}

void SchemaScan::ReadLeaf(const sqlite3::PageSource& pages, const sqlite3::WalkStep& step) {
  const size_t slots = (step.page.size() - step.header.cellPointerOffset) / 2;
  const size_t cells = std::min<size_t>(step.header.cellCount, slots);
  if (cells < step.header.cellCount) {
    ReportDamage("Schema page " + std::to_string(step.pageNumber) + " claims " +
                 std::to_string(step.header.cellCount) + " cells; only the " + std::to_string(cells) +
                 " that fit are read");
  }
  frame_.SetProgressRange(static_cast<int64_t>(cells));
  for (size_t cell = 0; cell < cells; ++cell) {
    HandleCell(pages, step, cell);
    frame_.SetProgressPosition(static_cast<int64_t>(cell + 1));
  }
}

void SchemaScan::HandleCell(const sqlite3::PageSource& pages, const sqlite3::WalkStep& step, size_t cell) {
  const std::string where =
      "Schema record " + std::to_string(cell) + " on page " + std::to_string(step.pageNumber) + " is skipped: ";
  SchemaRecord record = sqlite3::ReadSchemaRecord(pages, step.page.bytes(), step.header, cell, encoding_);
  if (!record.readable) {
    ReportDamage(where + record.problem);
    return;
  }
  catalog_.recordTexts.push_back(record.text);
  parser_.lastTextLength =
      static_cast<int32_t>(std::min<size_t>(record.text.size(), std::numeric_limits<int32_t>::max()));
  std::optional<KeywordMatch> match = sqlite3::FindSchemaKeyword(record.text);
  if (!match) {
    ReportDamage(where + "it holds no CREATE statement");
    return;
  }
  bool complete = true;
  switch (match->kind) {
    case SchemaKind::Table:
      complete = HandleTable(record, *match);
      break;
    case SchemaKind::Index:
    case SchemaKind::UniqueIndex:
      complete = HandleIndex(record, *match);
      break;
    case SchemaKind::View:
      HandleView(record, *match);
      break;
    case SchemaKind::Trigger:
      HandleTrigger(record, *match);
      break;
    case SchemaKind::Skipped:
      break;
  }
  if (!complete) ReportDamage(where + "its statement runs past the end of its text");
}

bool SchemaScan::HandleTable(const SchemaRecord& record, const KeywordMatch& match) {
  TableDefinition definition;
  if (!sqlite3::ParseTableDefinition(record.text, match.position, &definition)) return false;
  frame_.LogLine(utf16_ ? "Table " + definition.name + " " + " is found" : "Table " + definition.name + "is found");

  TableDetails details;
  details.name = record.name.empty() ? sqlite3::CleanTableName(definition.name) : record.name;
  details.statement = record.text.substr(match.position);
  details.rootPage = record.rootPage;
  ApplyLibraryReading(&definition, &details);

  std::string descriptor = definition.Descriptor(record.rootPage);
  catalog_.recordTexts.push_back(descriptor);
  catalog_.columnDescriptors.push_back(std::move(descriptor));
  catalog_.tableSql.push_back(std::move(definition.statement));
  catalog_.accessTableSql.push_back(std::move(definition.accessStatement));
  catalog_.tableColumnTypes.push_back(std::move(definition.columnTypes));
  catalog_.tableDetails.push_back(std::move(details));
  return true;
}

void SchemaScan::ApplyLibraryReading(TableDefinition* definition, TableDetails* details) {
  std::optional<sqlite3::LibraryTable> library = library_.Check(details->statement, details->name, encoding_);
  if (!library) {
    frame_.LogLine("Table " + details->name + ": SQLite cannot read its statement (" + library_.lastError() +
                   "); the column list read from the statement is used");
    details->withoutRowid = DeclaresWithoutRowid(std::string_view(details->statement).substr(definition->statement.size()));
    std::vector<int> marked = definition->MarkedColumns();
    details->keyColumn = !details->withoutRowid && marked.size() == 1 ? marked.front() : -1;
    return;
  }
  details->withoutRowid = library->withoutRowid;
  details->keyColumn = library->keyColumn;
  std::string disagreement = sqlite3::DescribeDisagreement(definition->columns, definition->MarkedColumns(), *library);
  if (!disagreement.empty()) {
    frame_.LogLine("Table " + details->name + ": " + disagreement + "; SQLite's reading is used");
    RebuildColumns(definition, *library);
  }
  details->columns = std::move(library->columns);
}

bool SchemaScan::HandleIndex(const SchemaRecord& record, const KeywordMatch& match) {
  sqlite3::IndexEntries index;
  if (!sqlite3::ReadIndexEntries(record.text, match, &index)) return false;
  if (match.kind == SchemaKind::Index) frame_.LogLine((utf16_ ? "Index " : "INDEX ") + index.name + " is found");
  SchemaObjectDetails details;
  details.name = record.name.empty() ? sqlite3::UnquoteIdentifier(index.name) : record.name;
  details.tableName = record.tableName.empty() ? sqlite3::CleanTableName(index.tableName) : record.tableName;
  details.statement = record.text.substr(match.position);
  for (std::string& entry : index.entries) {
    catalog_.indexSql.push_back(std::move(entry));
    catalog_.indexDetails.push_back(details);
  }
  return true;
}

void SchemaScan::HandleView(const SchemaRecord& record, const KeywordMatch& match) {
  SchemaObjectDetails details;
  details.statement = record.text.substr(match.position);
  details.name = record.name.empty() ? sqlite3::CleanTableName(sqlite3::ViewNodeName(details.statement)) : record.name;
  details.tableName = record.tableName.empty() ? details.name : record.tableName;
  catalog_.viewSql.push_back(details.statement);
  catalog_.viewDetails.push_back(std::move(details));
}

void SchemaScan::HandleTrigger(const SchemaRecord& record, const KeywordMatch& match) {
  SchemaObjectDetails details;
  details.statement = record.text.substr(match.position);
  details.name =
      record.name.empty() ? sqlite3::CleanTableName(sqlite3::TriggerNodeName(details.statement)) : record.name;
  details.tableName = record.tableName.empty() ? sqlite3::TriggerTableName(details.statement) : record.tableName;
  catalog_.triggerSql.push_back(details.statement);
  catalog_.triggerDetails.push_back(std::move(details));
}

void SchemaScan::ReportDamage(const std::string& line) {
  if (++damage_ <= kMaxLoggedDamage) frame_.LogLine(line);
}

void SchemaScan::BuildTree() {
  ObjectTree& tree = frame_.Tree();
  // UTF-16 files list every table, view and trigger entry, newest first.
  const auto grouping = utf16_ ? sqlite3::NodeGrouping::EveryEntry : sqlite3::NodeGrouping::DistinctNames;
  sqlite3::InsertCategoryNodes(tree, context_.tablesNode, catalog_.tableSql, sqlite3::TableNodeName, grouping);
  sqlite3::InsertCategoryNodes(tree, context_.indexesNode, catalog_.indexSql, sqlite3::IndexNodeName,
                               sqlite3::NodeGrouping::DistinctNames);
  sqlite3::InsertCategoryNodes(tree, context_.viewsNode, catalog_.viewSql, sqlite3::ViewNodeName, grouping);
  sqlite3::InsertCategoryNodes(tree, context_.triggersNode, catalog_.triggerSql, sqlite3::TriggerNodeName, grouping);
  ExpandCategories(context_, tree);
}

// The text mode: the flags the worker copied from the file settings, else
// the header's encoding field, else a guess from the bytes of page 1.
TextEncoding ChooseTextMode(const sqlite_base& parser, const std::array<uint8_t, kFileHeaderBytes>& header,
                            const Reader& reader, const sqlite3::DbLayout& layout) {
  if (parser.utf16) return parser.bigEndianText ? TextEncoding::Utf16be : TextEncoding::Utf16le;
  if (parser.utf8) return TextEncoding::Utf8;
  const uint32_t field = sqlite3::Get32(header.data() + 56);
  if (field >= 1 && field <= 3) return static_cast<TextEncoding>(field);
  sqlite3::PageRef page1 = sqlite3::PageSource(reader, layout).Page(1);
  return static_cast<TextEncoding>(GuessTextEncoding(page1.bytes()));
}

}  // namespace

bool sqlite_ver3::ScanDatabase(const std::string&) {
  if (context_ == nullptr || frame_ == nullptr || !context_->reader) return false;
  RecoveryContext& context = *context_;
  OwnerFrame& frame = *frame_;
  const Reader& reader = *context.reader;
  context.progressPosition = 0;
  previewProgress = 0;
  auto endEarly = [&](const char* message, const char* caption) {
    frame.Message(message, caption, MessageIcon::None);
    ExpandCategories(context, frame.Tree());
    return false;
  };

  if (!IsValidPageSize(context.pageSize)) return endEarly(kMsgPageSizeInvalid, kCaptionPageSizeError);
  std::array<uint8_t, kFileHeaderBytes> header{};
  if (!ReadLayout() || !reader.ReadAt(context.startOffset, header.data(), header.size())) {
    return endEarly(kMsgContentNotInForm, kCaptionCorrupted);
  }
  const uint64_t trailing = (reader.size() - context.startOffset) % context.pageSize;
  if (trailing != 0) {
    frame.LogLine("The last " + std::to_string(trailing) +
                  " bytes of the file do not make a whole page; they are not read");
  }
  const TextEncoding encoding = ChooseTextMode(*this, header, reader, layout_);
  utf8 = encoding == TextEncoding::Utf8;
  utf16 = !utf8;
  bigEndianText = encoding == TextEncoding::Utf16be;
  const std::string_view signature(reinterpret_cast<const char*>(header.data()), sizeof kSqlite3Signature - 1);
  if (!EqualsIgnoreCaseAscii(signature, kSqlite3Signature) || layout_.pageCount == 0) {
    return endEarly(kMsgContentNotInForm, kCaptionCorrupted);
  }

  SchemaScan scan(*this, layout_, encoding);
  scan.ReadPageHeaders();
  const bool complete = scan.WalkSchema();
  scan.BuildTree();
  return complete;
}

}  // namespace salvoran
