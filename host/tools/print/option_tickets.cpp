#include "host/tools/print/option_tickets.h"

#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "host/failures/host_error.h"
#include "host/package/xml_markup.h"

namespace brimloft::host {
namespace {

// A top-level entry of a ticket: its element (Feature or ParameterInit) and the namespace URI and
// local part of its name attribute, resolved where it stands.
struct EntryName {
  std::string element;
  std::string uri;
  std::string local;
  bool operator==(const EntryName& o) const { return element == o.element && uri == o.uri && local == o.local; }
};

std::optional<EntryName> NameOf(const xmlNode* e) {
  if (NamespaceUri(e) != platform::kPrintSchemaFramework) return std::nullopt;
  const std::string element = LocalName(e);
  if (element != "Feature" && element != "ParameterInit") return std::nullopt;
  const std::string name = Attribute(e, "name");
  const std::size_t colon = name.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const xmlNs* ns = xmlSearchNs(e->doc, const_cast<xmlNode*>(e), BAD_CAST name.substr(0, colon).c_str());
  if (ns == nullptr) return std::nullopt;
  return EntryName{element, reinterpret_cast<const char*>(ns->href), name.substr(colon + 1)};
}

// Ticket names of what begins with no letter start with "_" (as the ticket writer spells them).
bool Names(const EntryName& entry, const std::string& option) {
  return entry.local == option || entry.local == "_" + option;
}

std::string Dumped(xmlDoc* doc) {
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc, &text, &size, "UTF-8");
  if (text == nullptr) throw std::bad_alloc();
  std::string bytes(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
  xmlFree(text);
  return bytes;
}

// The features and parameters the options set, as the user's ticket words them.
class Replacements {
 public:
  Replacements(const platform::PrinterDescription& printer, const std::map<std::string, std::string>& options)
      : source_(Bytes(printer, options), "the options' ticket") {
    xmlNode* root = source_.Root();
    for (const auto& [option, value] : options) {
      const bool parameter = printer.FindParameter(option) != nullptr;
      // The user's ticket carries a parameter only where its option refers to it.
      if (parameter && !Find("ParameterInit", option)) AddParameter(root, option, value);
      if (!Find(parameter ? "ParameterInit" : "Feature", option))
        throw HostError(E_INVALIDARG, "option " + option + " is in no ticket of the printer's");
    }
    for (const xmlNode* e : ChildElements(root)) {
      const std::optional<EntryName> name = NameOf(e);
      if (!name) continue;
      for (const auto& chosen : options)
        if (Names(*name, chosen.first)) entries_.emplace_back(*name, e);
    }
  }

  // Replaces in the ticket every entry an option sets; false when it names none of them.
  bool ApplyTo(xmlNode* ticket) const {
    bool changed = false;
    for (const auto& [name, source] : entries_) {
      xmlNode* placed = nullptr;
      for (xmlNode* e : ChildElements(ticket)) {
        const std::optional<EntryName> own = NameOf(e);
        if (!own || !(*own == name)) continue;
        // The option takes the place of the first; any further one would only repeat it.
        if (placed == nullptr) {
          placed = Copy(source, ticket->doc);
          xmlReplaceNode(e, placed);
        } else {
          xmlUnlinkNode(e);
        }
        xmlFreeNode(e);
        changed = true;
      }
    }
    return changed;
  }

 private:
  static std::vector<unsigned char> Bytes(const platform::PrinterDescription& printer,
                                          const std::map<std::string, std::string>& options) {
    try {
      const std::string xml = platform::DefaultTicketXml(printer, options);
      return std::vector<unsigned char>(xml.begin(), xml.end());
    } catch (const std::invalid_argument& e) {
      throw HostError(E_INVALIDARG, std::string("option: ") + e.what());
    }
  }

  const xmlNode* Find(const char* element, const std::string& option) const {
    for (const xmlNode* e : ChildElements(source_.Root())) {
      const std::optional<EntryName> name = NameOf(e);
      if (name && name->element == element && Names(*name, option)) return e;
    }
    return nullptr;
  }

  static void AddParameter(xmlNode* root, const std::string& name, const std::string& value) {
    xmlNs* framework = root->ns;
    xmlNs* keywords = xmlSearchNsByHref(root->doc, root, BAD_CAST platform::kPrintSchemaKeywords);
    xmlNs* instance = xmlSearchNsByHref(root->doc, root, BAD_CAST "http://www.w3.org/2001/XMLSchema-instance");
    if (keywords == nullptr || instance == nullptr) throw std::bad_alloc();  // the writer declares both
    xmlNode* init = xmlNewChild(root, framework, BAD_CAST "ParameterInit", nullptr);
    const std::string qualified = reinterpret_cast<const char*>(keywords->prefix) + (":" + name);
    xmlNewProp(init, BAD_CAST "name", BAD_CAST qualified.c_str());
    // CheckOptions took it for an integer in range; the ticket says it without spaces or sign.
    const std::string number = std::to_string(std::stoll(value));
    xmlNode* v = xmlNewTextChild(init, framework, BAD_CAST "Value", BAD_CAST number.c_str());
    xmlNewNsProp(v, instance, BAD_CAST "type", BAD_CAST "xsd:integer");
  }

  // A copy of source for doc that declares every prefix of the user's ticket itself, so that the
  // names in its attribute values mean what they meant there, whatever prefixes the ticket uses.
  xmlNode* Copy(const xmlNode* source, xmlDoc* doc) const {
    xmlNode* copy = xmlDocCopyNode(const_cast<xmlNode*>(source), doc, 1);
    if (copy == nullptr) throw std::bad_alloc();
    for (const xmlNs* ns = source_.Root()->nsDef; ns != nullptr; ns = ns->next) {
      bool declared = false;
      for (const xmlNs* own = copy->nsDef; own != nullptr; own = own->next)
        declared = declared || xmlStrEqual(own->prefix, ns->prefix);
      if (!declared) xmlNewNs(copy, ns->href, ns->prefix);
    }
    return copy;
  }

  XmlMarkup source_;
  std::vector<std::pair<EntryName, const xmlNode*>> entries_;
};

// The ticket with the options applied, or nothing when it names none of them or cannot be read.
std::optional<std::string> Rewritten(const XpsPackage& package, const std::optional<std::string>& ticket,
                                     const Replacements& replacements) {
  if (!ticket) return std::nullopt;
  try {
    const XmlMarkup markup(package.Read(*ticket), *ticket);
    if (!replacements.ApplyTo(markup.Root())) return std::nullopt;
    return Dumped(markup.Root()->doc);
  } catch (const HostError&) {
    return std::nullopt;
  }
}

}  // namespace

void ApplyOptionsToTickets(XpsPackage& package, const platform::PrinterDescription& printer,
                           const std::map<std::string, std::string>& options) {
  if (options.empty()) return;
  const Replacements replacements(printer, options);
  const SequenceEntry& sequence = package.Sequence();
  if (auto ticket = Rewritten(package, sequence.ticket, replacements)) package.SetSequenceTicket(std::move(*ticket));
  for (std::size_t d = 0; d < sequence.documents.size(); ++d) {
    const DocumentEntry& document = sequence.documents[d];
    if (auto ticket = Rewritten(package, document.ticket, replacements))
      package.SetDocumentTicket(d, std::move(*ticket));
    for (std::size_t p = 0; p < document.pages.size(); ++p)
      if (auto ticket = Rewritten(package, document.pages[p].ticket, replacements))
        package.SetPageTicket(d, p, std::move(*ticket));
  }
}

}  // namespace brimloft::host
