// SwitchMap building and readers.
#include "startup/switch_map.h"

#include "startup/number_text.h"

SwitchMap SwitchMap::FromArguments(const std::vector<std::wstring>& arguments) {
  SwitchMap map;
  for (const std::wstring& argument : arguments) {
    const std::size_t equals = argument.find(L'=');
    if (!argument.empty() && argument[0] == L'-' && equals != std::wstring::npos) {
      map.switches_.emplace(argument.substr(0, equals), argument.substr(equals + 1));
    } else {
      map.switches_.emplace(argument, std::wstring());
    }
  }
  return map;
}

bool SwitchMap::Contains(const std::wstring& name) const { return switches_.count(name) != 0; }

std::wstring SwitchMap::GetString(const std::wstring& name) const {
  const auto it = switches_.find(name);
  return it == switches_.end() ? std::wstring() : it->second;
}

std::int32_t SwitchMap::GetInt(const std::wstring& name) const {
  std::int32_t value = 0;
  ParseLeadingInt32(GetString(name), value);
  return value;
}

bool SwitchMap::GetBool(const std::wstring& name) const { return GetString(name) == L"true"; }

double SwitchMap::GetDouble(const std::wstring& name, double fallback) const {
  const auto it = switches_.find(name);
  double value = fallback;
  if (it != switches_.end()) ParseLeadingDouble(it->second, value);  // fallback unless kParsed
  return value;
}
