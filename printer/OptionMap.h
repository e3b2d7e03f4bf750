// The job's table of print options: feature name -> selected option name.
#ifndef BRIMLOFT_PRINTER_OPTIONMAP_H
#define BRIMLOFT_PRINTER_OPTIONMAP_H

#include <map>
#include <string>
#include <vector>

namespace brimloft {

// Keys are ordered byte by byte, bytes compared as unsigned values (std::string's own order), a
// prefix before the longer key. Entries are only ever added or changed, never removed as a whole.
class OptionMap {
 public:
  // The value stored under key, or an empty string; never inserts.
  std::string Lookup(const std::string& key) const;

  // The value stored under key; throws std::out_of_range("invalid map<K, T> key") when absent.
  const std::string& at(const std::string& key) const;

  // Inserts unless the key is present; returns whether it inserted.
  bool InsertIfAbsent(const std::string& key, const std::string& value);

  // Stores value under key, replacing what was there.
  void Assign(const std::string& key, const std::string& value);

  // All keys in map order.
  std::vector<std::string> Keys() const;

  bool Contains(const std::string& key) const { return entries_.count(key) != 0; }
  std::size_t size() const noexcept { return entries_.size(); }

 private:
  std::map<std::string, std::string> entries_;
};

// Replaces every occurrence of what in text by with, scanning from the start; after each
// replacement the scan goes on right behind the inserted text (at the removal point when with is
// empty). An empty what changes nothing.
void ReplaceAll(std::string& text, const std::string& what, const std::string& with);

}  // namespace brimloft

#endif
