// Reads a print ticket's top-level settings and checks it against the Print Schema framework.
#include "printticket/ticket_model.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>

namespace platform::printticket {
namespace {

// No network, no external subset, no entity substitution; libxml2's depth limits stay in force.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

struct DocDeleter {
  void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

std::string Text(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

bool IsFramework(xmlNodePtr node) {
  return node->type == XML_ELEMENT_NODE && node->ns && Text(node->ns->href) == kPrintSchemaFramework;
}

std::string Attribute(xmlNodePtr node, const char* name, bool* present) {
  xmlChar* value = xmlGetNoNsProp(node, BAD_CAST name);
  *present = value != nullptr;
  std::string text = Text(value);
  xmlFree(value);
  return text;
}

std::string ElementName(xmlNodePtr node) {
  const std::string local = Text(node->name);
  return node->ns && node->ns->prefix ? Text(node->ns->prefix) + ":" + local : local;
}

// Resolves a QName attribute value where the element stands.
QName Resolve(xmlDocPtr doc, xmlNodePtr node, const std::string& value, const std::string& what) {
  const size_t colon = value.find(':');
  const std::string prefix = colon == std::string::npos ? "" : value.substr(0, colon);
  const std::string local = colon == std::string::npos ? value : value.substr(colon + 1);
  if (local.empty() || local.find(':') != std::string::npos || (colon != std::string::npos && prefix.empty())) {
    throw TicketFormatError("the name \"" + value + "\" of " + what + " is not a qualified name");
  }
  const xmlNsPtr ns = xmlSearchNs(doc, node, prefix.empty() ? nullptr : BAD_CAST prefix.c_str());
  if (!ns && !prefix.empty()) {
    throw TicketFormatError("the name \"" + value + "\" of " + what + " uses the undeclared prefix " + prefix);
  }
  return QName{ns ? Text(ns->href) : "", local};
}

DocPtr ParseXml(const std::string& bytes) {
  if (bytes.empty()) throw TicketFormatError("the print ticket is empty");
  if (bytes.size() > static_cast<size_t>(INT_MAX)) throw TicketFormatError("the print ticket is too large");
  xmlInitParser();
  std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!ctxt) throw std::bad_alloc();
  DocPtr doc(xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                               kParseOptions));
  if (!doc || !ctxt->wellFormed) {
    std::string message = Text(reinterpret_cast<const xmlChar*>(ctxt->lastError.message));
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    throw TicketFormatError("the print ticket is not well-formed XML (line " + std::to_string(ctxt->lastError.line) +
                            ": " + (message.empty() ? "parse error" : message) + ")");
  }
  if (doc->intSubset || doc->extSubset) throw TicketFormatError("the print ticket has a document type declaration");
  return doc;
}

TicketEntry ReadFeature(xmlDocPtr doc, xmlNodePtr node, const std::string& name) {
  TicketEntry entry;
  entry.kind = TicketEntry::Kind::Feature;
  for (xmlNodePtr child = node->children; child; child = child->next) {
    if (!IsFramework(child)) continue;
    const std::string kind = Text(child->name);
    if (kind == "Feature" || kind == "Property") continue;  // sub-features and properties are not used
    if (kind != "Option") {
      throw TicketFormatError("feature " + name + " holds the unexpected element " + ElementName(child));
    }
    if (entry.hasOption) throw TicketFormatError("feature " + name + " selects more than one option");
    entry.hasOption = true;
    bool named = false;
    const std::string optionName = Attribute(child, "name", &named);
    if (named) entry.option = Resolve(doc, child, optionName, "an option of feature " + name);
    for (xmlNodePtr property = child->children; property; property = property->next) {
      if (!IsFramework(property) || Text(property->name) != "ScoredProperty") continue;
      bool hasName = false;
      const std::string propertyName = Attribute(property, "name", &hasName);
      if (!hasName) throw TicketFormatError("a ScoredProperty of feature " + name + " has no name attribute");
      const QName qualified = Resolve(doc, property, propertyName, "a ScoredProperty of feature " + name);
      for (xmlNodePtr value = property->children; value; value = value->next) {
        if (!IsFramework(value) || Text(value->name) != "Value") continue;
        xmlChar* content = xmlNodeGetContent(value);
        entry.scoredValues.emplace_back(qualified, Text(content));
        xmlFree(content);
      }
    }
  }
  return entry;
}

}  // namespace

Ticket ParseTicket(const std::string& bytes) {
  const DocPtr doc = ParseXml(bytes);
  const xmlNodePtr root = xmlDocGetRootElement(doc.get());
  if (!root) throw TicketFormatError("the print ticket has no root element");
  if (!IsFramework(root) || Text(root->name) != "PrintTicket") {
    throw TicketFormatError("the root element " + ElementName(root) +
                            " is not the PrintTicket element of the Print Schema framework");
  }
  bool hasVersion = false;
  const std::string version = Attribute(root, "version", &hasVersion);
  if (!hasVersion) throw TicketFormatError("the PrintTicket element has no version attribute");
  if (version != "1") throw TicketFormatError("the print ticket version \"" + version + "\" is not supported");

  Ticket ticket;
  for (xmlNodePtr child = root->children; child; child = child->next) {
    if (child->type == XML_TEXT_NODE && !xmlIsBlankNode(child)) {
      throw TicketFormatError("the PrintTicket element holds text");
    }
    if (!IsFramework(child)) continue;  // elements of other namespaces are extensions the provider ignores
    const std::string kind = Text(child->name);
    bool named = false;
    const std::string name = Attribute(child, "name", &named);
    TicketEntry entry;
    if (kind == "Feature") {
      if (!named) throw TicketFormatError("a Feature element has no name attribute");
      entry = ReadFeature(doc.get(), child, name);
    } else if (kind == "ParameterInit" || kind == "Property") {
      if (!named) throw TicketFormatError("a " + kind + " element has no name attribute");
      entry.kind = kind == "Property" ? TicketEntry::Kind::Property : TicketEntry::Kind::ParameterInit;
      for (xmlNodePtr value = child->children; value; value = value->next) {
        if (!IsFramework(value) || Text(value->name) != "Value") continue;
        xmlChar* content = xmlNodeGetContent(value);
        entry.value = Text(content);
        xmlFree(content);
      }
    } else {
      throw TicketFormatError("the PrintTicket element holds the unexpected element " + ElementName(child));
    }
    entry.name = Resolve(doc.get(), child, name, "a " + kind);
    for (const auto& earlier : ticket.entries) {
      if (earlier.kind == entry.kind && earlier.name == entry.name) {
        throw TicketFormatError(kind + " " + name + " appears more than once");
      }
    }
    ticket.entries.push_back(std::move(entry));
  }
  return ticket;
}

}  // namespace platform::printticket
