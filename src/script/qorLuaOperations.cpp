#include "qorLuaOperations.h"

#include <algorithm>
#include <iterator>

namespace {
std::vector<std::string_view> SortedPreludeNames() {
  std::vector<std::string_view> names(std::begin(qorLuaOnlyPreludeNames), std::end(qorLuaOnlyPreludeNames));
  for (const TqorOperation& op : qorOperations)
    if (op.Short) names.push_back(op.Name);
  std::sort(names.begin(), names.end());
  return names;
}
}  // namespace

const std::vector<std::string_view>& qorPreludeNames() {
  static const std::vector<std::string_view> names = SortedPreludeNames();
  return names;
}
