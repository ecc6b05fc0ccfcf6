#include "qorLuaOperations.h"

#include <algorithm>
#include <iterator>

std::vector<std::string_view> qorPreludeNames() {
  std::vector<std::string_view> names(std::begin(qorLuaOnlyPreludeNames), std::end(qorLuaOnlyPreludeNames));
  for (const TqorOperation& op : qorOperations)
    if (op.Short) names.push_back(op.Name);
  std::sort(names.begin(), names.end());
  return names;
}
