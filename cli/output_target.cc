#include "cli/output_target.h"

namespace salvoran::cli {

const OutputTargetInfo& InfoOf(const std::string& name) {
  for (const OutputTargetInfo& info : kOutputTargets) {
    if (name == info.name) return info;
  }
  return kOutputTargets.front();
}

std::string OutputTargetHelp() {
  std::string text;
  for (const OutputTargetInfo& info : kOutputTargets) {
    if (!text.empty()) text += ", ";
    text += std::string(info.name) + " (" + info.description + ")";
  }
  return text;
}

}  // namespace salvoran::cli
