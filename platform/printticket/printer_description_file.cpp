// Reads a printer description from its XML file.
#include <platform/printer_description.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace platform {
namespace {

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct DocDeleter {
  void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};

class FileError : public std::runtime_error {
 public:
  FileError(const std::string& path, const std::string& what) : std::runtime_error(path + ": " + what) {}
};

bool IsElement(xmlNodePtr node, const char* name) {
  return node->type == XML_ELEMENT_NODE && !node->ns && xmlStrEqual(node->name, BAD_CAST name);
}

std::optional<std::string> Attribute(xmlNodePtr node, const char* name) {
  xmlChar* value = xmlGetNoNsProp(node, BAD_CAST name);
  if (!value) return std::nullopt;
  std::string text = reinterpret_cast<const char*>(value);
  xmlFree(value);
  return text;
}

std::string Required(const std::string& path, xmlNodePtr node, const char* name) {
  auto value = Attribute(node, name);
  if (!value || value->empty()) {
    throw FileError(path, "line " + std::to_string(xmlGetLineNo(node)) + ": <" +
                              reinterpret_cast<const char*>(node->name) + "> needs a " + name + " attribute");
  }
  return *value;
}

// Names become XML names in tickets (with a leading underscore where needed), so they may hold
// only name characters.
std::string CheckedName(const std::string& path, xmlNodePtr node, const std::string& name) {
  for (unsigned char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                    c == '-' || c == '.' || c >= 0x80;
    if (!ok) {
      throw FileError(path, "line " + std::to_string(xmlGetLineNo(node)) + ": \"" + name +
                                "\" is not usable as a name in print tickets");
    }
  }
  return name;
}

bool Flag(const std::string& path, xmlNodePtr node, const char* name) {
  const auto value = Attribute(node, name);
  if (!value || *value == "false") return false;
  if (*value == "true") return true;
  throw FileError(path, "line " + std::to_string(xmlGetLineNo(node)) + ": " + name + " must be true or false");
}

FeatureScope Scope(const std::string& path, xmlNodePtr node) {
  const auto value = Attribute(node, "scope").value_or("Page");
  if (value == "Page") return FeatureScope::Page;
  if (value == "Document") return FeatureScope::Document;
  if (value == "Job") return FeatureScope::Job;
  throw FileError(path, "line " + std::to_string(xmlGetLineNo(node)) + ": scope \"" + value +
                            "\" is not Page, Document or Job");
}

int Integer(const std::string& path, xmlNodePtr node, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) {
    throw FileError(path, "line " + std::to_string(xmlGetLineNo(node)) + ": \"" + text + "\" is not an integer");
  }
  return static_cast<int>(value);
}

PrinterOption ReadOption(const std::string& path, xmlNodePtr node, bool privateFeature) {
  PrinterOption option;
  option.name = CheckedName(path, node, Required(path, node, "name"));
  option.isPrivate = privateFeature || Flag(path, node, "private");
  for (xmlNodePtr child = node->children; child; child = child->next) {
    if (!IsElement(child, "ScoredProperty")) continue;
    option.scoredProperties.emplace_back(CheckedName(path, child, Required(path, child, "name")),
                                         Integer(path, child, Required(path, child, "value")));
  }
  return option;
}

PrinterFeature ReadFeature(const std::string& path, xmlNodePtr node) {
  PrinterFeature feature;
  feature.name = CheckedName(path, node, Required(path, node, "name"));
  feature.isPrivate = Flag(path, node, "private");
  feature.scope = Scope(path, node);
  for (xmlNodePtr child = node->children; child; child = child->next) {
    if (IsElement(child, "Option")) feature.options.push_back(ReadOption(path, child, feature.isPrivate));
  }
  if (feature.options.empty()) throw FileError(path, "feature " + feature.name + " has no option");
  feature.defaultOption = Attribute(node, "default").value_or(feature.options.front().name);
  if (!feature.FindOption(feature.defaultOption)) {
    throw FileError(path, "the default " + feature.defaultOption + " of feature " + feature.name +
                              " is none of its options");
  }
  return feature;
}

}  // namespace

PrinterDescription LoadPrinterDescription(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open printer description " + path);
  std::ostringstream content;
  content << file.rdbuf();
  const std::string bytes = content.str();
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) throw FileError(path, "not a printer description");
  std::unique_ptr<xmlDoc, DocDeleter> doc(
      xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, kParseOptions));
  if (!doc || doc->intSubset) throw FileError(path, "not well-formed XML");
  const xmlNodePtr root = xmlDocGetRootElement(doc.get());
  if (!root || !IsElement(root, "Printer")) throw FileError(path, "the root element is not <Printer>");

  PrinterDescription printer;
  printer.name = Required(path, root, "name");
  printer.variant = Required(path, root, "variant");
  printer.privateNamespace = Required(path, root, "namespace");
  for (xmlNodePtr child = root->children; child; child = child->next) {
    if (!IsElement(child, "Feature")) continue;
    PrinterFeature feature = ReadFeature(path, child);
    if (printer.FindFeature(feature.isPrivate, feature.name)) {
      throw FileError(path, "feature " + feature.name + " is described twice");
    }
    printer.features.push_back(std::move(feature));
  }
  return printer;
}

}  // namespace platform
