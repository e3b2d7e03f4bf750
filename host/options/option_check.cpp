#include "host/options/option_check.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "host/failures/host_error.h"

namespace brimloft::host {
namespace {

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
  return text;
}

std::string Suggestion(const std::string& word, const std::vector<std::string>& candidates) {
  const std::string nearest = Nearest(word, candidates);
  return nearest.empty() ? "" : "; did you mean " + nearest + "?";
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  return prefix.size() <= text.size() && EditDistance(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace

std::string Nearest(const std::string& word, const std::vector<std::string>& candidates) {
  // A beginning that only one candidate has ("Floyd") is what was meant.
  std::vector<std::string> beginning;
  for (const std::string& c : candidates)
    if (!word.empty() && StartsWithIgnoringCase(c, word)) beginning.push_back(c);
  if (beginning.size() == 1) return beginning[0];
  const size_t allowed = std::max<size_t>(1, word.size() / 3);
  std::string best;
  size_t bestDistance = allowed + 1;
  for (const std::string& c : candidates) {
    const size_t d = EditDistance(word, c);
    if (d < bestDistance) {
      best = c;
      bestDistance = d;
    }
  }
  return best;
}

std::string NoSuchValue(const platform::PrinterFeature& feature, const std::string& value) {
  std::vector<std::string> values;
  for (const platform::PrinterOption& o : feature.options) values.push_back(o.name);
  return "feature " + feature.name + " has no value " + (value.empty() ? "\"\"" : value) + Suggestion(value, values) +
         " (its values: " + Joined(values) + ")";
}

void CheckOptions(const platform::PrinterDescription& printer, const std::map<std::string, std::string>& options) {
  std::vector<std::string> names;
  for (const platform::PrinterFeature& f : printer.features) names.push_back(f.name);
  for (const platform::PrinterParameter& p : printer.parameters) names.push_back(p.name);
  for (const auto& [name, value] : options) {
    if (printer.FindParameter(name)) continue;  // its range is checked with the ticket below
    const auto feature = std::find_if(printer.features.begin(), printer.features.end(),
                                      [&name = name](const platform::PrinterFeature& f) { return f.name == name; });
    if (feature == printer.features.end()) {
      throw HostError(E_INVALIDARG, "printer " + printer.variant + " has no feature " + name + Suggestion(name, names) +
                                        " (its features: " + Joined(names) + ")");
    }
    if (!feature->FindOption(value)) throw HostError(E_INVALIDARG, NoSuchValue(*feature, value));
  }
  try {
    platform::DefaultTicketXml(printer, options);
  } catch (const std::invalid_argument& e) {
    throw HostError(E_INVALIDARG, std::string("option: ") + e.what());
  }
}

}  // namespace brimloft::host
