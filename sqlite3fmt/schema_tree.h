// The object-tree nodes of what the schema scan found.
//
// A node's text is cut from its statement as written, quoting and blanks
// kept:
//   table    after "TABLE" up to the first "("            " t "
//   index    after "INDEX" up to the first "("            " i ON t"
//   view     after "VIEW" up to the blank before AS       " v"
//   trigger  after "TRIGGER", leading blanks dropped, up to the next blank
// Every node carries the index of its entry in the catalog list as item data.
#ifndef SALVORAN_SQLITE3FMT_SCHEMA_TREE_H_
#define SALVORAN_SQLITE3FMT_SCHEMA_TREE_H_

#include <string>
#include <string_view>
#include <vector>

#include "recovery/object_tree.h"

namespace salvoran::sqlite3 {

std::string TableNodeName(std::string_view tableSql);
std::string IndexNodeName(std::string_view indexSql);
std::string ViewNodeName(std::string_view viewSql);
std::string TriggerNodeName(std::string_view triggerSql);

using NodeNamer = std::string (*)(std::string_view);

enum class NodeGrouping {
  // One node per distinct name, carrying the highest index with that name;
  // the nodes in ascending order of those indexes.
  DistinctNames,
  // One node per entry, in descending catalog order.
  EveryEntry,
};

// Inserts the nodes of one category's entries below category.
void InsertCategoryNodes(ObjectTree& tree, TreeItem category, const std::vector<std::string>& texts,
                         NodeNamer name, NodeGrouping grouping);

}  // namespace salvoran::sqlite3

#endif  // SALVORAN_SQLITE3FMT_SCHEMA_TREE_H_
