#include "printer/OptionMap.h"

#include <stdexcept>

namespace brimloft {

std::string OptionMap::Lookup(const std::string& key) const {
  const auto it = entries_.find(key);
  if (it == entries_.end()) return std::string();
  return it->second;
}

const std::string& OptionMap::at(const std::string& key) const {
  const auto it = entries_.find(key);
  // The text of the standard ordered map's out-of-range error, whatever the library's own says.
  if (it == entries_.end()) throw std::out_of_range("invalid map<K, T> key");
  return it->second;
}

bool OptionMap::InsertIfAbsent(const std::string& key, const std::string& value) {
  return entries_.emplace(key, value).second;
}

void OptionMap::Assign(const std::string& key, const std::string& value) {
  entries_.erase(key);
  entries_.emplace(key, value);
}

std::vector<std::string> OptionMap::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const auto& entry : entries_) keys.push_back(entry.first);
  return keys;
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  if (what.empty()) return;
  std::string::size_type pos = 0;
  while ((pos = text.find(what, pos)) != std::string::npos) {
    text.replace(pos, what.size(), with);
    pos += with.size();
  }
}

}  // namespace brimloft
