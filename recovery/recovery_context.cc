#include "recovery/recovery_context.h"

#include "recovery/sqlite_base.h"

namespace salvoran {

RecoveryContext::RecoveryContext() = default;
RecoveryContext::~RecoveryContext() = default;

std::string RecoveryContext::OutputPath() const {
  return outputPath.empty() ? MakeRepairedPath(inputPath) : outputPath;
}

TextEncoding RecoveryContext::Encoding() const {
  if (parser && parser->utf16) {
    return parser->bigEndianText ? TextEncoding::Utf16be : TextEncoding::Utf16le;
  }
  return TextEncoding::Utf8;
}

void ResetRecovery(RecoveryContext& context) {
  context.parser.reset();
  context.reader.reset();
  context.rootNode = kNoItem;
  context.tablesNode = kNoItem;
  context.indexesNode = kNoItem;
  context.viewsNode = kNoItem;
  context.triggersNode = kNoItem;
}

std::string MakeRepairedPath(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "Repaired_" + path;
  return path.substr(0, slash + 1) + "Repaired_" + path.substr(slash + 1);
}

}  // namespace salvoran
