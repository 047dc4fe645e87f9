#include "cli/json_report.h"

#include <nlohmann/json.hpp>

namespace salvoran::cli {

namespace {

// ordered_json keeps the fields in the documented order.
using Json = nlohmann::ordered_json;

Json TableToJson(const TableEntry& table) {
  Json json;
  json["name"] = table.name;
  json["label"] = table.label;
  json["rootPage"] = table.rootPage;
  json["columns"] = table.columns;
  json["keyColumn"] = table.keyColumn ? Json(*table.keyColumn) : Json(nullptr);
  json["sql"] = table.sql;
  return json;
}

Json SchemaObjectsToJson(const std::vector<SchemaObjectEntry>& objects) {
  Json list = Json::array();
  for (const SchemaObjectEntry& object : objects) {
    Json json;
    json["name"] = object.name;
    json["label"] = object.label;
    json["sql"] = object.sql;
    list.push_back(std::move(json));
  }
  return list;
}

}  // namespace

std::string ScanReportToJson(const ScanReport& report) {
  Json json;
  json["format"] = report.format;
  json["startOffset"] = report.startOffset;
  json["pageSize"] = report.pageSize;
  json["encoding"] = report.encoding;
  json["pageCount"] = report.pageCount;
  Json tables = Json::array();
  for (const TableEntry& table : report.tables) tables.push_back(TableToJson(table));
  json["tables"] = std::move(tables);
  json["indexes"] = SchemaObjectsToJson(report.indexes);
  json["views"] = SchemaObjectsToJson(report.views);
  json["triggers"] = SchemaObjectsToJson(report.triggers);
  json["messages"] = report.messages;
  json["complete"] = report.complete;
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace salvoran::cli
