#include "sqlite3fmt/schema_record.h"

#include <limits>

#include "recovery/text.h"
#include "sqlite3fmt/record.h"

namespace salvoran::sqlite3 {

namespace {

enum SchemaField : size_t { kType, kName, kTableName, kRootPage, kSql };

// Text of the file's encoding as UTF-8; UTF-8 text is kept byte for byte so
// that statements and names reach the output as stored.
std::string ReadableText(std::string_view bytes, TextEncoding encoding) {
  return encoding == TextEncoding::Utf8 ? std::string(bytes) : TextToUtf8(bytes, encoding);
}

std::string TextField(const DecodedRecord& record, size_t field, TextEncoding encoding) {
  if (field >= record.values.size() || record.values[field].type != ValueType::Text) return {};
  return ReadableText(record.values[field].bytes, encoding);
}

}  // namespace

SchemaRecord ReadSchemaRecord(const PageSource& pages, std::span<const uint8_t> page, const PageHeader& header,
                              size_t cellIndex, TextEncoding encoding) {
  SchemaRecord result;
  const uint32_t offset = CellOffset(page, header, cellIndex);
  Cell cell;
  if (offset == 0 || !ParseCell(page, kTableLeaf, offset, pages.layout().usableSize, &cell)) {
    result.problem = "its cell cannot be read";
    return result;
  }
  result.rowid = cell.rowid;
  Payload payload = GatherPayload(pages, cell);
  if (!payload.complete) {
    result.problem = "its overflow chain is broken";
    return result;
  }
  RecordHeader recordHeader;
  if (!ParseRecordHeader(payload.bytes, &recordHeader)) {
    result.problem = "its record header cannot be read";
    return result;
  }
  const DecodedRecord record = DecodeRecord(payload.bytes);
  if (!record.complete) {
    result.problem = "its record runs past its payload";
    return result;
  }
  result.name = TextField(record, kName, encoding);
  result.tableName = TextField(record, kTableName, encoding);
  if (kSql < record.values.size() && record.values[kSql].type == ValueType::Text) {
    result.text = ReadableText(record.values[kSql].bytes, encoding);
    result.textIsSql = true;
  } else {
    result.text = ReadableText(std::string_view(payload.bytes).substr(recordHeader.bodyOffset), encoding);
  }
  result.rootPage = static_cast<uint32_t>(cell.rowid);
  if (kRootPage < record.values.size() && record.values[kRootPage].type == ValueType::Integer) {
    const int64_t root = record.values[kRootPage].integer;
    if (root >= 0 && root <= std::numeric_limits<uint32_t>::max()) result.rootPage = static_cast<uint32_t>(root);
  }
  result.readable = true;
  return result;
}

}  // namespace salvoran::sqlite3
