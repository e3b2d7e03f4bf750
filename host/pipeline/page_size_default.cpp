#include "host/pipeline/page_size_default.h"

#include <libxml/tree.h>
#include <libxml/xmlreader.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

#include "host/failures/host_error.h"
#include "host/package/xml_markup.h"

namespace brimloft::host {
namespace {

constexpr char kWidthParameter[] = "PageMediaSizeMediaSizeWidth";
constexpr char kHeightParameter[] = "PageMediaSizeMediaSizeHeight";

// The top-level feature of a ticket named by the keyword `feature`, whatever prefix it uses.
const xmlNode* KeywordFeature(const xmlNode* root, const char* feature) {
  for (const xmlNode* e : ChildElements(root)) {
    if (LocalName(e) != "Feature" || NamespaceUri(e) != platform::kPrintSchemaFramework) continue;
    const std::string name = Attribute(e, "name");
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos || name.substr(colon + 1) != feature) continue;
    const xmlNs* ns = xmlSearchNs(e->doc, const_cast<xmlNode*>(e), BAD_CAST name.substr(0, colon).c_str());
    if (ns && std::string(reinterpret_cast<const char*>(ns->href)) == platform::kPrintSchemaKeywords) return e;
  }
  return nullptr;
}

struct TicketFacts {
  bool namesMediaSize = false;
  std::optional<bool> landscape;  // what its PageOrientation chooses, when it has one
};

// The part's ticket, parsed, or nothing when it has none. Throws HostError for unreadable markup.
std::optional<XmlMarkup> ReadTicket(const XpsPackage& package, const std::optional<std::string>& ticket) {
  if (!ticket) return std::nullopt;
  return XmlMarkup(package.Read(*ticket), *ticket);
}

TicketFacts FactsOf(const std::optional<XmlMarkup>& ticket) {
  TicketFacts facts;
  if (!ticket) return facts;
  facts.namesMediaSize = KeywordFeature(ticket->Root(), "PageMediaSize") != nullptr;
  if (const xmlNode* orientation = KeywordFeature(ticket->Root(), "PageOrientation")) {
    for (const xmlNode* option : ChildElements(orientation)) {
      if (LocalName(option) != "Option") continue;
      const std::string name = Attribute(option, "name");
      facts.landscape = name.substr(name.find(':') + 1) == "Landscape";
    }
  }
  return facts;
}

// The facts of a sequence's or document's ticket; nothing when it cannot be read.
std::optional<TicketFacts> ReadableFacts(const XpsPackage& package, const std::optional<std::string>& ticket) {
  try {
    return FactsOf(ReadTicket(package, ticket));
  } catch (const HostError&) {
    return std::nullopt;
  }
}

xmlNode* Child(xmlNode* parent, xmlNs* ns, const char* element, const std::string& name) {
  xmlNode* node = xmlNewChild(parent, ns, BAD_CAST element, nullptr);
  if (!name.empty()) xmlNewProp(node, BAD_CAST "name", BAD_CAST name.c_str());
  return node;
}

// The page's ticket (or an empty one) with the custom size added.
std::string WithCustomSize(const std::optional<XmlMarkup>& ticket, long width, long height) {
  struct FreeDoc {
    void operator()(xmlDoc* d) const noexcept { xmlFreeDoc(d); }
  };
  std::unique_ptr<xmlDoc, FreeDoc> doc;
  if (ticket) {
    doc.reset(xmlCopyDoc(ticket->Root()->doc, 1));
  } else {
    doc.reset(xmlNewDoc(BAD_CAST "1.0"));
    xmlNode* root = xmlNewNode(nullptr, BAD_CAST "PrintTicket");
    xmlSetNs(root, xmlNewNs(root, BAD_CAST platform::kPrintSchemaFramework, BAD_CAST "psf"));
    xmlNewProp(root, BAD_CAST "version", BAD_CAST "1");
    xmlDocSetRootElement(doc.get(), root);
  }
  if (!doc) throw HostError(E_OUTOFMEMORY, "out of memory for a page ticket");
  xmlNode* root = xmlDocGetRootElement(doc.get());
  xmlNs* framework = root->ns;
  xmlNs* keywords = xmlSearchNsByHref(doc.get(), root, BAD_CAST platform::kPrintSchemaKeywords);
  if (!keywords) {
    // A prefix of its own, so as not to clash with one the ticket gave another namespace.
    std::string prefix = "psk";
    while (xmlSearchNs(doc.get(), root, BAD_CAST prefix.c_str())) prefix += "_";
    keywords = xmlNewNs(root, BAD_CAST platform::kPrintSchemaKeywords, BAD_CAST prefix.c_str());
  }
  const std::string kw = reinterpret_cast<const char*>(keywords->prefix) + std::string(":");
  xmlNode* feature = Child(root, framework, "Feature", kw + "PageMediaSize");
  xmlNode* option = Child(feature, framework, "Option", kw + "CustomMediaSize");
  for (const auto& [property, parameter] : {std::pair<const char*, const char*>{"MediaSizeWidth", kWidthParameter},
                                            {"MediaSizeHeight", kHeightParameter}}) {
    xmlNode* scored = Child(option, framework, "ScoredProperty", kw + property);
    Child(scored, framework, "ParameterRef", kw + parameter);
  }
  for (const auto& [parameter, value] : {std::pair<const char*, long>{kWidthParameter, width}, {kHeightParameter, height}}) {
    xmlNode* init = Child(root, framework, "ParameterInit", kw + parameter);
    xmlNewTextChild(init, framework, BAD_CAST "Value", BAD_CAST std::to_string(value).c_str());
  }
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc.get(), &text, &size, "UTF-8");
  if (!text) throw HostError(E_OUTOFMEMORY, "out of memory for a page ticket");
  std::string bytes(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
  xmlFree(text);
  return bytes;
}

// The page's width and height from the attributes of its FixedPage element, in 1/96 inch (0 when
// absent). Only the root's start tag is read: a page's markup can be megabytes long.
std::pair<double, double> PageExtent(const XpsPackage& package, const std::string& page) {
  const std::vector<unsigned char> bytes = package.Read(page);
  struct FreeReader {
    void operator()(xmlTextReader* r) const noexcept { xmlFreeTextReader(r); }
  };
  const std::unique_ptr<xmlTextReader, FreeReader> reader(
      xmlReaderForMemory(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), nullptr,
                         nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  int status = 0;
  // An empty part gives no reader at all.
  while (reader && (status = xmlTextReaderRead(reader.get())) == 1 &&
         xmlTextReaderNodeType(reader.get()) != XML_READER_TYPE_ELEMENT) {
  }
  if (status != 1) throw HostError(HrBadPackage(), page + ": no FixedPage element");
  const auto number = [&](const char* name) {
    xmlChar* value = xmlTextReaderGetAttribute(reader.get(), BAD_CAST name);
    const double n = value ? std::strtod(reinterpret_cast<const char*>(value), nullptr) : 0.0;
    xmlFree(value);
    return n;
  };
  return {number("Width"), number("Height")};
}

}  // namespace

void GivePagesTheirOwnSize(XpsPackage& package, const platform::PrinterDescription& printer,
                           const std::map<std::string, std::string>& options) {
  if (options.count("PageMediaSize") != 0) return;
  const platform::PrinterParameter* width = printer.FindParameter(kWidthParameter);
  const platform::PrinterParameter* height = printer.FindParameter(kHeightParameter);
  const platform::PrinterFeature* sizes = printer.FindFeature(false, "PageMediaSize");
  if (!width || !height || !sizes || !sizes->FindOption("CustomMediaSize")) return;

  const auto chosen = options.find("PageOrientation");
  bool landscape = chosen != options.end() && chosen->second == "Landscape";
  // A part that cannot be read is left as it is: the filter meets it in its turn and says what is
  // wrong with it, as it does for any other job.
  const SequenceEntry& sequence = package.Sequence();
  const std::optional<TicketFacts> job = ReadableFacts(package, sequence.ticket);
  if (!job || job->namesMediaSize) return;
  landscape = job->landscape.value_or(landscape);
  for (std::size_t d = 0; d < sequence.documents.size(); ++d) {
    const DocumentEntry& document = sequence.documents[d];
    const std::optional<TicketFacts> documentFacts = ReadableFacts(package, document.ticket);
    if (!documentFacts || documentFacts->namesMediaSize) continue;
    for (std::size_t p = 0; p < document.pages.size(); ++p) {
      const PageEntry& page = document.pages[p];
      try {
        const std::optional<XmlMarkup> ticket = ReadTicket(package, page.ticket);
        const TicketFacts pageFacts = FactsOf(ticket);
        if (pageFacts.namesMediaSize) continue;
        const bool turned = pageFacts.landscape.value_or(documentFacts->landscape.value_or(landscape));
        const auto [pageWidth, pageHeight] = PageExtent(package, page.name);
        if (!(pageWidth > 0) || !(pageHeight > 0)) continue;
        const double along = width->defaultValue * (turned ? pageWidth / pageHeight : pageHeight / pageWidth);
        const long length =
            std::clamp(std::lround(std::min(along, 1e9)), long(height->minValue), long(height->maxValue));
        package.SetPageTicket(d, p, WithCustomSize(ticket, width->defaultValue, length));
      } catch (const HostError&) {
      }
    }
  }
}

}  // namespace brimloft::host
