// One SAX pass of libxml2 over markup in memory, as the object model reads page and dictionary
// markup: no tree, no DTD, entities never expanded, nothing fetched, errors kept to the result.
#ifndef BRIMLOFT_PLATFORM_XPS_XML_SAX_H
#define BRIMLOFT_PLATFORM_XPS_XML_SAX_H

#include <libxml/parser.h>

#include <new>
#include <string>

namespace platform::xps {

// What every pass shares; a handler's context derives from it.
struct SaxPass {
  xmlParserCtxt* parser = nullptr;
  bool dtd = false;
  bool outOfMemory = false;  // the parser is stopped then: nothing may unwind through it
  std::string error;         // the parser's words for the first fault, with its line
};

// Runs handler's callbacks (their context: pass) over markup (UTF-8 or UTF-16). True when the
// markup is well-formed, has no DTD and no callback stopped the parser; otherwise pass.error says
// why when the parser or the DTD did. Throws std::bad_alloc.
bool RunSaxPass(const std::string& markup, xmlSAXHandler handler, SaxPass& pass);

// Runs work inside a callback: running out of memory stops the parser instead of unwinding it.
template <class Work>
void GuardCallback(SaxPass& pass, Work&& work) noexcept {
  try {
    work();
  } catch (const std::bad_alloc&) {
    pass.outOfMemory = true;
    xmlStopParser(pass.parser);
  }
}

// An attribute value as the parser hands it to startElementNs (begin, end), with its character
// and predefined entity references replaced. Throws std::bad_alloc.
std::string AttributeValue(xmlParserCtxt* parser, const xmlChar* begin, const xmlChar* end);

}  // namespace platform::xps

#endif
