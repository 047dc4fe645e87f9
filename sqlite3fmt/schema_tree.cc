#include "sqlite3fmt/schema_tree.h"

#include <unordered_set>

#include "recovery/text.h"
#include "sqlite3fmt/table_definition.h"

namespace salvoran::sqlite3 {

namespace {

// The text after the first occurrence of word (ignoring case); empty when
// the word is not there.
std::string_view AfterWord(std::string_view text, std::string_view word) {
  const size_t at = ToUpperAscii(text).find(word);
  return at == std::string::npos ? std::string_view() : text.substr(at + word.size());
}

std::string UpToParenthesis(std::string_view text) { return std::string(text.substr(0, text.find('('))); }

}  // namespace

std::string TableNodeName(std::string_view tableSql) { return UpToParenthesis(AfterWord(tableSql, "TABLE")); }

std::string IndexNodeName(std::string_view indexSql) { return UpToParenthesis(AfterWord(indexSql, "INDEX")); }

std::string ViewNodeName(std::string_view viewSql) {
  std::string_view rest = AfterWord(viewSql, "VIEW");
  // The blank before a whole word AS: a view named "assets" keeps its name.
  for (size_t p = 0; p + 3 <= rest.size(); ++p) {
    if (rest[p] == ' ' && (rest[p + 1] == 'A' || rest[p + 1] == 'a') && (rest[p + 2] == 'S' || rest[p + 2] == 's') &&
        (p + 3 == rest.size() || !IsWordChar(rest[p + 3]))) {
      return std::string(rest.substr(0, p));
    }
  }
  return std::string(rest);
}

std::string TriggerNodeName(std::string_view triggerSql) {
  std::string_view rest = AfterWord(triggerSql, "TRIGGER");
  size_t start = 0;
  while (start < rest.size() && IsSqlSpace(rest[start])) ++start;
  rest = rest.substr(start);
  return std::string(rest.substr(0, rest.find(' ')));
}

void InsertCategoryNodes(ObjectTree& tree, TreeItem category, const std::vector<std::string>& texts,
                         NodeNamer name, NodeGrouping grouping) {
  if (category == kNoItem) return;
  std::unordered_set<std::string> named;
  for (size_t k = texts.size(); k-- > 0;) {
    const std::string text = name(texts[k]);
    const auto index = static_cast<int32_t>(k);
    if (grouping == NodeGrouping::EveryEntry) {
      tree.SetItemData(tree.InsertItem(text, category, InsertPosition::Last), index);
      continue;
    }
    // Going from the last entry down, the first entry met with a name is
    // the one with the highest index.
    if (named.insert(text).second) tree.SetItemData(tree.InsertItem(text, category, InsertPosition::First), index);
  }
}

}  // namespace salvoran::sqlite3
