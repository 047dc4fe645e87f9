#include "recovery/catalog.h"

#include <cstdlib>

#include "recovery/object_tree.h"

namespace salvoran {

ParsedDescriptor ParseColumnDescriptor(const std::string& descriptor) {
  ParsedDescriptor parsed;
  size_t plus = descriptor.find('+');
  size_t hash = descriptor.rfind('#');
  if (plus == std::string::npos || hash == std::string::npos || hash < plus) return parsed;
  parsed.valid = true;
  parsed.tableName = descriptor.substr(0, plus);
  size_t pos = plus + 1;
  while (pos < hash) {
    size_t tilde = descriptor.find('~', pos);
    if (tilde == std::string::npos || tilde > hash) break;
    std::string column = descriptor.substr(pos, tilde - pos);
    if (!column.empty() && column.back() == '>') {
      parsed.keyMarker = static_cast<int>(parsed.columns.size()) + 10;
    }
    parsed.columns.push_back(std::move(column));
    pos = tilde + 1;
  }
  // The root page follows the last "#", so a "#" inside a name does not
  // mislead it.
  parsed.rootPage = static_cast<uint32_t>(std::strtoul(descriptor.c_str() + hash + 1, nullptr, 10));
  return parsed;
}

std::string SchemaObjectStatement(const RecoveredCatalog& catalog, int kind, size_t index) {
  const std::vector<std::string>* texts = nullptr;
  const std::vector<SchemaObjectDetails>* details = nullptr;
  switch (kind) {
    case kIndexesItemData:
      texts = &catalog.indexSql, details = &catalog.indexDetails;
      break;
    case kViewsItemData:
      texts = &catalog.viewSql, details = &catalog.viewDetails;
      break;
    case kTriggersItemData:
      texts = &catalog.triggerSql, details = &catalog.triggerDetails;
      break;
    default:
      return {};
  }
  if (index >= texts->size()) return {};
  std::string statement;
  if (index < details->size() && !details->at(index).statement.empty()) {
    statement = details->at(index).statement;
  } else {
    statement = (*texts)[index];
    if (kind == kIndexesItemData) statement += ")";
  }
  // The scan accepts "%REATE VIEW" and "&REATE TRIGGER": a damaged first byte.
  if (!statement.empty() && (statement[0] == '%' || statement[0] == '&')) statement[0] = 'C';
  return statement;
}

}  // namespace salvoran
