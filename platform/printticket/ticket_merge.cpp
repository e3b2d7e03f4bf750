// Merging a delta ticket onto a base by scope, and validating the result against the printer.
#include "printticket/ticket_model.h"

#include <optional>

namespace platform::printticket {
namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

QName FeatureName(const PrinterDescription& printer, const PrinterFeature& feature) {
  return QName{feature.isPrivate ? printer.privateNamespace : kPrintSchemaKeywords, TicketName(feature.name)};
}

QName OptionName(const PrinterDescription& printer, const PrinterOption& option) {
  return QName{option.isPrivate ? printer.privateNamespace : kPrintSchemaKeywords, TicketName(option.name)};
}

const PrinterFeature* Describing(const TicketEntry& entry, const PrinterDescription& printer) {
  if (entry.kind != TicketEntry::Kind::Feature) return nullptr;
  for (const auto& feature : printer.features) {
    if (FeatureName(printer, feature) == entry.name) return &feature;
  }
  return nullptr;
}

// A setting the printer does not describe takes its scope from its name, as the Print Schema's
// keywords do (JobCopiesAllDocuments, DocumentCollate, PageMediaSize).
FeatureScope ScopeOf(const TicketEntry& entry, const PrinterDescription& printer) {
  if (const PrinterFeature* feature = Describing(entry, printer)) return feature->scope;
  if (StartsWith(entry.name.local, "Job")) return FeatureScope::Job;
  if (StartsWith(entry.name.local, "Document")) return FeatureScope::Document;
  return FeatureScope::Page;
}

// An unnamed option stands for the printer's option whose scored properties it repeats exactly.
bool SameScoredProperties(const TicketEntry& entry, const PrinterOption& option) {
  if (entry.option || option.scoredProperties.empty() || entry.scoredValues.size() != option.scoredProperties.size()) {
    return false;
  }
  for (const auto& [name, value] : option.scoredProperties) {
    const QName expected{kPrintSchemaKeywords, TicketName(name)};
    bool found = false;
    for (const auto& [given, text] : entry.scoredValues) {
      if (given == expected) found = found || text == std::to_string(value);
    }
    if (!found) return false;
  }
  return true;
}

}  // namespace

std::optional<int> IntegerIn(const std::string& text, int min, int max) {
  std::size_t begin = text.find_first_not_of(" \t\r\n");
  std::size_t end = text.find_last_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::nullopt;
  const std::string digits = text.substr(begin, end - begin + 1);
  long long value = 0;
  std::size_t i = digits[0] == '-' || digits[0] == '+' ? 1 : 0;
  if (i == digits.size() || digits.size() > 12) return std::nullopt;
  for (; i < digits.size(); ++i) {
    if (digits[i] < '0' || digits[i] > '9') return std::nullopt;
    value = value * 10 + (digits[i] - '0');
  }
  if (digits[0] == '-') value = -value;
  if (value < min || value > max) return std::nullopt;
  return static_cast<int>(value);
}


void MergeDelta(Ticket* base, const Ticket& delta, FeatureScope scope, const PrinterDescription& printer) {
  for (const auto& entry : delta.entries) {
    if (static_cast<int>(ScopeOf(entry, printer)) > static_cast<int>(scope)) continue;
    bool replaced = false;
    for (auto& existing : base->entries) {
      if (existing.kind == entry.kind && existing.name == entry.name) {
        existing = entry;
        replaced = true;
        break;
      }
    }
    if (!replaced) base->entries.push_back(entry);
  }
}

Validation Validate(const Ticket& ticket, const PrinterDescription& printer) {
  Validation result;
  for (const auto& feature : printer.features) {
    const PrinterOption* chosen = nullptr;
    bool selected = false;
    for (const auto& entry : ticket.entries) {
      if (Describing(entry, printer) != &feature) continue;
      selected = entry.hasOption;
      for (const auto& option : feature.options) {
        if ((entry.option && OptionName(printer, option) == *entry.option) || SameScoredProperties(entry, option)) {
          chosen = &option;
        }
      }
    }
    if (!chosen) {
      chosen = &feature.Default();
      result.conflict = result.conflict || selected;
    }
    result.options.push_back(chosen);
  }
  for (const auto& parameter : printer.parameters) {
    int value = parameter.defaultValue;
    for (const auto& entry : ticket.entries) {
      if (entry.kind != TicketEntry::Kind::ParameterInit ||
          !(entry.name == QName{kPrintSchemaKeywords, parameter.name})) {
        continue;
      }
      const std::optional<int> given = IntegerIn(entry.value, parameter.minValue, parameter.maxValue);
      if (given) value = *given;
      result.conflict = result.conflict || !given;
    }
    result.parameters.push_back(value);
  }
  return result;
}

}  // namespace platform::printticket
