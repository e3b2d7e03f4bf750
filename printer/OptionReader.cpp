// The option table's seeding from the print core helper and its refresh from the ticket snapshot.
#include <comdef.h>
#include <prcomoem.h>
#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "module/trace.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printer/SnapshotFile.h"
#include "printticket/TicketSnapshotPath.h"

namespace brimloft {

namespace {

// As deep as the ticket DOM's parser allows.
constexpr std::size_t kMaxSnapshotNesting = 256;

// Names from the print core helper are kept to 63 characters, as in a 64-byte buffer.
std::string Truncated(PCSTR text) {
  constexpr std::size_t kMaxName = 63;
  return std::string(text, strnlen(text, kMaxName));
}

std::string AttributeText(const rapidxml::xml_attribute<char>* attribute) {
  return std::string(attribute->value(), attribute->value_size());
}

}  // namespace

void BrimloftBitmapHandler::SeedOptions(const std::string& variantCode, IPrintPipelinePropertyBag* propertyBag) {
  options_.InsertIfAbsent("printer", variantCode);

  _variant_t property;
  if (propertyBag == nullptr || FAILED(propertyBag->GetProperty(L"IPrintCoreHelper", &property))) {
    BRIMLOFT_TRACE(trace::NoCoreHelperProperty);
    return;
  }
  IUnknown* object = (property.vt == VT_UNKNOWN || property.vt == VT_DISPATCH) ? property.punkVal : nullptr;
  ComPtr<IPrintCoreHelper> helper;
  if (object == nullptr || FAILED(object->QueryInterface(IID_IPrintCoreHelper, helper.put_void())) || !helper) {
    BRIMLOFT_TRACE(trace::PropertyIsNoCoreHelper);
    return;
  }
  PCSTR* features = nullptr;
  DWORD count = 0;
  if (FAILED(helper->EnumFeatures(&features, &count)) || (features == nullptr && count != 0)) {
    BRIMLOFT_TRACE(trace::FeaturesNotEnumerable);
    return;
  }
  for (DWORD i = 0; i < count; ++i) {
    if (features[i] == nullptr) continue;
    PCSTR option = nullptr;
    std::string value;
    if (SUCCEEDED(helper->GetOption(nullptr, 0, features[i], &option)) && option != nullptr) {
      value = Truncated(option);
    }
    options_.InsertIfAbsent(Truncated(features[i]), value);
  }
}

void BrimloftBitmapHandler::ReadTicketOptions() {
  std::vector<char> text = LoadSnapshotFile(snapshotPath_.empty() ? GetTicketSnapshotPath() : snapshotPath_);
  // The snapshot is UTF-8 text: a NUL inside (UTF-16 text, or bytes after the ticket) would end the
  // in-place parse early, and a ticket cut short there could merge nothing without an error.
  if (std::find(text.begin(), text.end() - 1, '\0') != text.end() - 1)
    throw std::runtime_error("the ticket snapshot is not UTF-8 text");
  // The parser recurses once per level of nesting; a ticket needs four.
  if (NestingDepth(text.data()) > kMaxSnapshotNesting)
    throw std::runtime_error("the ticket snapshot nests elements deeper than 256 levels");
  // Parsed in place: names and values point into text, which outlives the tree. A parse error
  // leaves before anything is merged.
  rapidxml::xml_document<char> document;
  document.parse<0>(text.data());

  if (const auto* ticket = document.first_node("psf:PrintTicket")) {
    // Every child is visited, whatever its name; the first option of each is the selection.
    for (const auto* child = ticket->first_node(); child != nullptr; child = child->next_sibling()) {
      const auto* name = child->first_attribute("name");
      if (name == nullptr) continue;
      const auto* option = child->first_node("psf:Option");
      if (option == nullptr) continue;
      // An option without a name selects nothing that can be compared: the feature keeps its entry.
      const auto* optionName = option->first_attribute("name");
      if (optionName == nullptr) continue;
      std::string key = AttributeText(name);
      ReplaceAll(key, "psk:", "");
      std::string value = AttributeText(optionName);
      ReplaceAll(value, "psk:", "");
      ReplaceAll(value, "ns0000:", "");
      ReplaceAll(value, "_", "");
      options_.Assign(key, value);
    }
  }
  ticketRead_ = true;

  if (trace::IsEnabled(TRACE_DETAIL)) {
    for (const std::string& key : OptionKeys()) {
      BRIMLOFT_TRACE(trace::OptionValue, key, "=", options_.Lookup(key));
    }
  }
}

}  // namespace brimloft
