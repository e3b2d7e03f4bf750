#include "xps/markup_compatibility.h"

#include <xpsobjectmodel.h>

#include <algorithm>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "xps/xml_sax.h"

namespace platform::xps {
namespace {

constexpr std::string_view kCompatibility = "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kUnderstood[] = {
    "http://schemas.microsoft.com/xps/2005/06",
    "http://schemas.openxps.org/oxps/v1.0",
    "http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key",
    "http://schemas.openxps.org/oxps/v1.0/resourcedictionary-key",
    kXmlNamespace,
    kCompatibility,
};

std::string_view View(const xmlChar* text) {
  return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

bool Understood(std::string_view uri) {
  for (const auto understood : kUnderstood)
    if (uri == understood) return true;
  return false;
}

// The namespace URI as the markup's encoding writes it, for the quick look: UTF-8, or UTF-16 of
// either byte order when the markup starts as UTF-16 does.
bool MentionsCompatibility(const std::string& markup) {
  const std::string_view uri = kCompatibility;
  if (markup.find(uri) != std::string::npos) return true;
  const bool utf16 = markup.size() >= 2 && (markup[0] == '\0' || markup[1] == '\0' ||
                                            (static_cast<unsigned char>(markup[0]) >= 0xFE &&
                                             static_cast<unsigned char>(markup[1]) >= 0xFE));
  if (!utf16) return false;
  std::string little, big;
  for (const char c : uri) {
    little += {c, '\0'};
    big += {'\0', c};
  }
  return markup.find(little) != std::string::npos || markup.find(big) != std::string::npos;
}

// The reference that writes c in text (attribute false) or in an attribute value, or null when c
// stands for itself: one look a character, runs of plain ones copied at once.
const char* Escape(unsigned char c, bool attribute) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '\r': return "&#13;";
    case '"': return attribute ? "&quot;" : nullptr;
    case '\t': return attribute ? "&#9;" : nullptr;
    case '\n': return attribute ? "&#10;" : nullptr;
    default: return nullptr;
  }
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  size_t plain = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char* reference = Escape(static_cast<unsigned char>(text[i]), attribute);
    if (reference == nullptr) continue;
    out.append(text.data() + plain, i - plain).append(reference);
    plain = i + 1;
  }
  out.append(text.data() + plain, text.size() - plain);
}

void AppendName(std::string& out, const xmlChar* prefix, const xmlChar* localName) {
  if (prefix != nullptr) out.append(View(prefix)).append(":");
  out.append(View(localName));
}

struct Declaration {
  std::string prefix;  // empty for the default namespace
  std::string uri;
};

struct ElementName {
  std::string uri;
  std::string localName;  // "*" for every element of the namespace
};

// What became of an element whose end is still to come.
enum class Kept {
  Element,    // written with its allowed attributes
  Content,    // gone, its content in its place (ProcessContent, the chosen Choice or Fallback)
  Alternate,  // an AlternateContent: its Choices and Fallback are being looked through
};

struct Frame {
  Kept kept;
  size_t declarationsBefore, declarationsAfter, ignorableBefore, processBefore;
  bool chosen = false;  // an Alternate whose Choice or Fallback has been taken
  std::string name;     // a written element's qualified name
};

// The state of the pass: the compatibility rules in scope and the markup written so far.
class Rewriter : public SaxPass {
 public:
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  std::string why;  // set when the pass stops the parser on a fault of the markup

  void Start(const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri, int namespaceCount,
             const xmlChar** namespaces, int attributeCount, const xmlChar** attributes) {
    if (skipped_ > 0) {
      ++skipped_;
      return;
    }
    Frame frame{Kept::Element, declarations_.size(), 0, ignorable_.size(), process_.size(), false, {}};
    for (int i = 0; i < namespaceCount; ++i)
      declarations_.push_back({std::string(View(namespaces[2 * i])), std::string(View(namespaces[2 * i + 1]))});
    frame.declarationsAfter = declarations_.size();
    if (!ReadRules(attributeCount, attributes)) return;

    const std::string_view ns = View(uri), name = View(localName);
    bool keep = true;
    if (!frames_.empty() && frames_.back().kept == Kept::Alternate) {
      keep = Choose(frames_.back(), ns, name, attributeCount, attributes);
      frame.kept = Kept::Content;
    } else if (ns == kCompatibility) {
      if (name != "AlternateContent") return Fault("mc:" + std::string(name) + " is only allowed in mc:AlternateContent");
      frame.kept = Kept::Alternate;
    } else if (Ignored(ns)) {
      keep = ProcessesContent(ns, name);
      frame.kept = Kept::Content;
    }
    if (!why.empty()) return;
    if (!keep) {
      Restore(frame);
      skipped_ = 1;
      return;
    }
    if (!CheckMustUnderstand(attributeCount, attributes)) return;
    if (frame.kept == Kept::Element) Write(frame, localName, prefix, attributeCount, attributes);
    frames_.push_back(std::move(frame));
  }

  void End() {
    if (skipped_ > 0) {
      --skipped_;
      return;
    }
    if (frames_.empty()) return;
    Frame& frame = frames_.back();
    if (frame.kept == Kept::Element) {
      if (startOpen_)
        out += "/>";
      else
        out.append("</").append(frame.name).append(">");
      startOpen_ = false;
    }
    Restore(frame);
    frames_.pop_back();
  }

  void Text(const xmlChar* text, int length) {
    if (skipped_ > 0 || frames_.empty() || frames_.back().kept == Kept::Alternate) return;
    CloseStart();
    AppendEscaped(out, std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(length)), false);
  }

 private:
  void Fault(std::string reason) {
    why = std::move(reason);
    xmlStopParser(parser);
  }

  void CloseStart() {
    if (startOpen_) out += ">";
    startOpen_ = false;
  }

  void Restore(const Frame& frame) {
    declarations_.resize(frame.declarationsBefore);
    ignorable_.resize(frame.ignorableBefore);
    process_.resize(frame.processBefore);
  }

  // The namespace a prefix of a compatibility attribute names; empty (and a fault) when undeclared.
  std::string Resolve(std::string_view prefix, const char* attribute) {
    if (prefix == "xml") return std::string(kXmlNamespace);
    for (auto it = declarations_.rbegin(); it != declarations_.rend(); ++it)
      if (!it->prefix.empty() && it->prefix == prefix) return it->uri;
    Fault(std::string(attribute) + " names the prefix \"" + std::string(prefix) + "\", which is not declared");
    return {};
  }

  // Each whitespace-separated item of value, until one returns false.
  template <class Each>
  static bool ForEachItem(std::string_view value, Each&& each) {
    const char* space = " \t\r\n";
    for (size_t start = value.find_first_not_of(space); start != std::string_view::npos;) {
      const size_t end = std::min(value.find_first_of(space, start), value.size());
      if (!each(value.substr(start, end - start))) return false;
      start = value.find_first_not_of(space, end);
    }
    return true;
  }

  // mc:Ignorable and mc:ProcessContent of the element, in scope from the element on.
  bool ReadRules(int count, const xmlChar** attributes) {
    for (int i = 0; i < count; ++i, attributes += 5) {
      if (View(attributes[2]) != kCompatibility) continue;
      const std::string_view name = View(attributes[0]);
      const std::string value = AttributeValue(parser, attributes[3], attributes[4]);
      if (name == "Ignorable") {
        ForEachItem(value, [&](std::string_view prefix) {
          std::string uri = Resolve(prefix, "mc:Ignorable");
          if (uri.empty()) return false;
          ignorable_.push_back(std::move(uri));
          return true;
        });
      } else if (name == "ProcessContent") {
        ForEachItem(value, [&](std::string_view item) {
          const size_t colon = item.find(':');
          if (colon == std::string_view::npos) {
            Fault("mc:ProcessContent names \"" + std::string(item) + "\", which has no prefix");
            return false;
          }
          std::string uri = Resolve(item.substr(0, colon), "mc:ProcessContent");
          if (uri.empty()) return false;
          process_.push_back({std::move(uri), std::string(item.substr(colon + 1))});
          return true;
        });
      }
      if (!why.empty()) return false;
    }
    return true;
  }

  bool CheckMustUnderstand(int count, const xmlChar** attributes) {
    for (int i = 0; i < count; ++i, attributes += 5) {
      if (View(attributes[2]) != kCompatibility || View(attributes[0]) != "MustUnderstand") continue;
      const std::string value = AttributeValue(parser, attributes[3], attributes[4]);
      const bool understood = ForEachItem(value, [&](std::string_view prefix) {
        const std::string uri = Resolve(prefix, "mc:MustUnderstand");
        if (uri.empty()) return false;
        if (Understood(uri)) return true;
        Fault("mc:MustUnderstand=\"" + value + "\" requires the namespace " + uri +
              ", which is not understood (XPS and OpenXPS are)");
        return false;
      });
      if (!understood) return false;
    }
    return true;
  }

  bool Ignored(std::string_view uri) const {
    if (Understood(uri)) return false;
    for (const auto& ignorable : ignorable_)
      if (ignorable == uri) return true;
    return false;
  }

  bool ProcessesContent(std::string_view uri, std::string_view localName) const {
    for (const auto& name : process_)
      if (name.uri == uri && (name.localName == localName || name.localName == "*")) return true;
    return false;
  }

  // A child of AlternateContent: true when it is the one taken.
  bool Choose(Frame& alternate, std::string_view uri, std::string_view localName, int count,
              const xmlChar** attributes) {
    const bool choice = uri == kCompatibility && localName == "Choice";
    if (!choice && !(uri == kCompatibility && localName == "Fallback")) {
      Fault("mc:AlternateContent holds " + std::string(localName) + "; only mc:Choice and mc:Fallback belong there");
      return false;
    }
    if (alternate.chosen) return false;
    if (choice) {
      const xmlChar** requires = nullptr;
      for (int i = 0; i < count; ++i)
        if (attributes[5 * i + 2] == nullptr && View(attributes[5 * i]) == "Requires") requires = attributes + 5 * i;
      if (requires == nullptr) {
        Fault("an mc:Choice has no Requires");
        return false;
      }
      const std::string value = AttributeValue(parser, requires[3], requires[4]);
      const bool understood = ForEachItem(value, [&](std::string_view prefix) {
        const std::string required = Resolve(prefix, "Requires");
        return !required.empty() && Understood(required);
      });
      if (!understood) return false;
    }
    alternate.chosen = true;
    return true;
  }

  void Write(Frame& frame, const xmlChar* localName, const xmlChar* prefix, int count, const xmlChar** attributes) {
    CloseStart();
    AppendName(frame.name, prefix, localName);
    out.append("<").append(frame.name);
    // Declarations of the elements dropped since the nearest written one move down to this one.
    size_t from = 0;
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it)
      if (it->kept == Kept::Element) {
        from = it->declarationsAfter;
        break;
      }
    for (size_t i = from; i < declarations_.size(); ++i) {
      bool redeclared = false;
      for (size_t j = i + 1; j < declarations_.size(); ++j) redeclared |= declarations_[j].prefix == declarations_[i].prefix;
      if (redeclared) continue;
      out.append(declarations_[i].prefix.empty() ? " xmlns" : " xmlns:" + declarations_[i].prefix).append("=\"");
      AppendEscaped(out, declarations_[i].uri, true);
      out += '"';
    }
    for (int i = 0; i < count; ++i, attributes += 5) {
      const std::string_view uri = View(attributes[2]);
      if (uri == kCompatibility || Ignored(uri)) continue;
      out += ' ';
      AppendName(out, attributes[1], attributes[0]);
      out += "=\"";
      const std::string_view raw(reinterpret_cast<const char*>(attributes[3]),
                                 static_cast<size_t>(attributes[4] - attributes[3]));
      if (raw.find('&') == std::string_view::npos)
        AppendEscaped(out, raw, true);  // most values: no copy
      else
        AppendEscaped(out, AttributeValue(parser, attributes[3], attributes[4]), true);
      out += '"';
    }
    startOpen_ = true;
  }

  std::vector<Declaration> declarations_;  // in scope, outermost first
  std::vector<std::string> ignorable_;
  std::vector<ElementName> process_;
  std::vector<Frame> frames_;
  int skipped_ = 0;  // depth inside an element that is gone with its content
  bool startOpen_ = false;
};

void OnStart(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri, int namespaceCount,
             const xmlChar** namespaces, int attributeCount, int, const xmlChar** attributes) noexcept {
  auto& rewriter = *static_cast<Rewriter*>(context);
  GuardCallback(rewriter,
                [&] { rewriter.Start(localName, prefix, uri, namespaceCount, namespaces, attributeCount, attributes); });
}

void OnEnd(void* context, const xmlChar*, const xmlChar*, const xmlChar*) noexcept {
  auto& rewriter = *static_cast<Rewriter*>(context);
  GuardCallback(rewriter, [&] { rewriter.End(); });
}

void OnText(void* context, const xmlChar* text, int length) noexcept {
  auto& rewriter = *static_cast<Rewriter*>(context);
  GuardCallback(rewriter, [&] { rewriter.Text(text, length); });
}

}  // namespace

HRESULT ApplyMarkupCompatibility(std::string& markup, std::string& why) {
  if (!MentionsCompatibility(markup)) return S_OK;
  try {
    Rewriter rewriter;
    rewriter.out.reserve(markup.size() + markup.size() / 8);
    xmlSAXHandler handler{};
    handler.startElementNs = OnStart;
    handler.endElementNs = OnEnd;
    handler.characters = OnText;
    handler.cdataBlock = OnText;
    handler.ignorableWhitespace = OnText;
    if (!RunSaxPass(markup, handler, rewriter)) {
      why = !rewriter.why.empty() ? rewriter.why : "the markup is not well-formed XML: " + rewriter.error;
      return XPS_E_INVALID_MARKUP;
    }
    markup = std::move(rewriter.out);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace platform::xps
