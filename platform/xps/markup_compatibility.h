// Markup compatibility as the object model applies it for its consumers: what a page or resource
// dictionary says in namespaces this consumer does not understand is resolved before anyone,
// the renderer included, reads the markup.
#ifndef BRIMLOFT_PLATFORM_XPS_MARKUP_COMPATIBILITY_H
#define BRIMLOFT_PLATFORM_XPS_MARKUP_COMPATIBILITY_H

#include <windows.h>

#include <string>

namespace platform::xps {

// Markup that does not mention the markup-compatibility namespace is left as it is, byte for byte
// (one search through it). Otherwise it is rewritten as UTF-8 markup in which
// - elements and attributes of an mc:Ignorable namespace that is not understood are gone, but for
//   the content of elements that mc:ProcessContent names, which takes their place;
// - each mc:AlternateContent is replaced by the content of its first mc:Choice whose Requires
//   namespaces are all understood, else of its mc:Fallback, else by nothing;
// - no mc element or attribute, comment or processing instruction is left.
// Understood: XPS, OpenXPS, their resource-dictionary keys, xml: and markup compatibility itself.
// Elements and attributes of other namespaces that are not ignorable stay as they are.
// Fails with XPS_E_INVALID_MARKUP, and why in words, when an mc:MustUnderstand namespace is not
// understood, a prefix of a compatibility attribute is not declared, an AlternateContent holds
// anything but Choice and Fallback, or the markup is not well-formed; E_OUTOFMEMORY.
HRESULT ApplyMarkupCompatibility(std::string& markup, std::string& why);

}  // namespace platform::xps

#endif
