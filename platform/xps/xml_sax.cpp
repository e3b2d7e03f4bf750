#include "xps/xml_sax.h"

#include <libxml/parserInternals.h>

#include <climits>
#include <memory>
#include <string>

namespace platform::xps {
namespace {

void OnDtd(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  static_cast<SaxPass*>(context)->dtd = true;
}

// Keeps the first error's words instead of printing them.
void KeepFirstError(void* context, xmlError* error) noexcept {
  auto& pass = *static_cast<SaxPass*>(context);
  if (error == nullptr || error->level < XML_ERR_ERROR || !pass.error.empty()) return;
  try {
    std::string words = error->message != nullptr ? error->message : "not well-formed";
    while (!words.empty() && (words.back() == '\n' || words.back() == ' ')) words.pop_back();
    pass.error = "line " + std::to_string(error->line) + ": " + words;
  } catch (const std::bad_alloc&) {
    pass.outOfMemory = true;  // the parse fails anyway: out of memory is what it reports
  }
}

struct ParserInit {
  ParserInit() { xmlInitParser(); }
};

struct ParserFree {
  void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
};

}  // namespace

bool RunSaxPass(const std::string& markup, xmlSAXHandler handler, SaxPass& pass) {
  static const ParserInit init;
  if (markup.empty() || markup.size() > static_cast<size_t>(INT_MAX)) return false;
  const std::unique_ptr<xmlParserCtxt, ParserFree> parser(
      xmlCreateMemoryParserCtxt(markup.data(), static_cast<int>(markup.size())));
  if (!parser) throw std::bad_alloc();
  handler.initialized = XML_SAX2_MAGIC;
  handler.internalSubset = OnDtd;
  handler.externalSubset = OnDtd;
  handler.serror = KeepFirstError;
  // The parser frees its handler with itself: it gets back its own before that.
  xmlSAXHandler* const own = parser->sax;
  parser->sax = &handler;
  parser->userData = &pass;
  pass.parser = parser.get();
  xmlCtxtUseOptions(parser.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  xmlParseDocument(parser.get());
  parser->sax = own;
  pass.parser = nullptr;
  if (pass.outOfMemory || parser->errNo == XML_ERR_NO_MEMORY) throw std::bad_alloc();
  // A DTD comes first, and what the parser says after it (undeclared entities) follows from it.
  if (pass.dtd) pass.error = "the markup declares a DTD, which XPS forbids";
  return parser->wellFormed && !pass.dtd && parser->errNo != XML_ERR_USER_STOP;
}

std::string AttributeValue(xmlParserCtxt* parser, const xmlChar* begin, const xmlChar* end) {
  const auto* first = reinterpret_cast<const char*>(begin);
  std::string value(first, reinterpret_cast<const char*>(end) - first);
  if (value.find('&') == std::string::npos) return value;
  xmlChar* decoded = xmlStringLenDecodeEntities(parser, begin, static_cast<int>(end - begin), XML_SUBSTITUTE_REF, 0, 0, 0);
  if (decoded == nullptr) throw std::bad_alloc();
  value = reinterpret_cast<const char*>(decoded);
  xmlFree(decoded);
  return value;
}

}  // namespace platform::xps
