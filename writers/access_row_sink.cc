#include "writers/access_row_sink.h"

#include <algorithm>

#include "recovery/text.h"
#include "writers/access_output.h"

namespace salvoran {

namespace {

std::u16string WidenAscii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string Utf16FromBytes(const std::string& bytes, bool bigEndian) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto first = static_cast<uint8_t>(bytes[2 * i]);
    const auto second = static_cast<uint8_t>(bytes[2 * i + 1]);
    text[i] = bigEndian ? static_cast<char16_t>(first << 8 | second) : static_cast<char16_t>(second << 8 | first);
  }
  return text;
}

// Closes the Access database after a stop request; nothing more is written.
void EndAccessOutput(RecoveryContext& context, OwnerFrame& frame) {
  if (context.access != nullptr) context.access->Close(context, frame);
  AfxDaoTerm();
}

}  // namespace

std::u16string AccessFieldText(const Value& value, TextEncoding encoding) {
  switch (value.type) {
    case ValueType::Integer:
      return WidenAscii(std::to_string(value.integer));
    case ValueType::Real:
      return WidenAscii(FormatReal(value.real));
    case ValueType::Text:
      switch (encoding) {
        case TextEncoding::Utf16le:
          return Utf16FromBytes(value.bytes, false);
        case TextEncoding::Utf16be:
          return Utf16FromBytes(value.bytes, true);
        case TextEncoding::Utf8:
          break;
      }
      return Utf8ToUtf16(value.bytes);
    case ValueType::Null:
    case ValueType::Blob:
      break;
  }
  return {};
}

AccessRowSink::AccessRowSink(RecoveryContext& context, OwnerFrame& frame, const std::vector<std::string>& fieldNames,
                             TextEncoding encoding)
    : context_(context), frame_(frame), fieldNames_(fieldNames), encoding_(encoding) {}

bool AccessRowSink::WriteRow(const std::vector<Value>& values, int64_t rowid) {
  AccessOutput& output = *context_.access;
  if (output.failed) return false;
  try {
    output.recordset().AddNew();
  } catch (const CDaoException& error) {
    LogAccessError(context_, frame_, error.Description() + " (row " + std::to_string(rowid) + " is not written)");
    return false;
  }
  const size_t fields = std::min(values.size(), fieldNames_.size());
  for (size_t k = 0; k < fields; ++k) {
    const Value& value = values[k];
    if (value.type == ValueType::Null) continue;
    if (value.type == ValueType::Blob) {
      SetBinaryFieldValue(value.bytes.size(), context_, frame_, fieldNames_[k],
                          reinterpret_cast<const uint8_t*>(value.bytes.data()));
    } else {
      SetTextFieldValue(context_, frame_, fieldNames_[k], AccessFieldText(value, encoding_));
    }
  }
  return UpdateRecord(context_, frame_);
}

void ExportRowsToAccess(sqlite_base& parser, TextEncoding encoding, const std::string& path, uint32_t rootPage,
                        int columnCount, const std::string& tableName, int keyMarker) {
  if (parser.context() == nullptr || parser.frame() == nullptr) return;
  RecoveryContext& context = *parser.context();
  OwnerFrame& frame = *parser.frame();
  if (context.access == nullptr) return;
  if (context.stopRequested) {
    EndAccessOutput(context, frame);
    return;
  }
  AccessOutput& output = *context.access;
  if (output.failed || !output.database().IsOpen()) return;

  const std::string name = sqlite_base::SanitizeIdentifier(tableName);
  try {
    output.recordset().Close();
    output.recordset().Open(AFX_DAO_USE_DEFAULT_TYPE, "SELECT * FROM [" + name + "]", 0);
  } catch (const CDaoException& error) {
    LogAccessError(context, frame, error.Description());
    return;
  }

  AccessRowSink sink(context, frame, parser.catalog().accessColumnNames, encoding);
  RowSink* const savedSink = context.rowSink;
  const LoadMode savedMode = context.loadMode;
  context.rowSink = &sink;
  context.loadMode = LoadMode::Insert;
  parser.LoadTableRecords(path, rootPage, columnCount, tableName, keyMarker);
  context.rowSink = savedSink;
  context.loadMode = savedMode;
  if (context.stopRequested) EndAccessOutput(context, frame);
}

}  // namespace salvoran
