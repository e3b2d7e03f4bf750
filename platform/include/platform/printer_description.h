// The printers that the print system knows: what each offers in its print tickets, and the
// registry that the Print Ticket API and the pipeline host look printers up in.
#ifndef BRIMLOFT_PLATFORM_PRINTER_DESCRIPTION_H
#define BRIMLOFT_PLATFORM_PRINTER_DESCRIPTION_H

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The Print Schema namespaces of 2003/08.
constexpr const char* kPrintSchemaFramework =
    "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
constexpr const char* kPrintSchemaKeywords =
    "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";

// Where a feature applies, with the values of EPrintTicketScope. A merge at one scope takes the
// delta's features of that scope and of every narrower one.
enum class FeatureScope { Page = 0, Document = 1, Job = 2 };

// One option of a feature. Names are local names without prefix; an option of a private feature,
// or one that carries isPrivate, lives in the printer's private namespace, any other in the Print
// Schema keywords namespace. Names that are no valid XML name (such as "2x2") are written with a
// leading underscore in tickets.
struct PrinterOption {
  std::string name;
  bool isPrivate = false;
  // Integer scored properties in the keywords namespace, in ticket order (MediaSizeWidth, ...).
  std::vector<std::pair<std::string, int>> scoredProperties;
  // Scored properties whose value is a parameter's (a custom size): property, then the parameter's
  // name, both in the keywords namespace.
  std::vector<std::pair<std::string, std::string>> parameterRefs;
};

// A parameter that options refer to (PageMediaSizeMediaSizeWidth, ...): an integer in [min, max],
// taken from the ticket's ParameterInit of its name, or defaultValue when that is absent or out of
// range. Names are keywords-namespace local names.
struct PrinterParameter {
  std::string name;
  int minValue = 0;
  int maxValue = 0;
  int defaultValue = 0;
};

struct PrinterFeature {
  std::string name;
  bool isPrivate = false;  // false: a Print Schema keyword feature
  FeatureScope scope = FeatureScope::Page;
  std::vector<PrinterOption> options;
  std::string defaultOption;  // one of options' names

  const PrinterOption* FindOption(const std::string& optionName) const;
  const PrinterOption& Default() const;
};

struct PrinterDescription {
  std::string name;              // the printer name, UTF-8
  std::string variant;           // "RX1P" .. "RX3Q"
  std::string privateNamespace;  // the URI written with the prefix ns0000
  std::vector<PrinterFeature> features;
  std::vector<PrinterParameter> parameters;

  const PrinterFeature* FindFeature(bool isPrivate, const std::string& featureName) const;
  const PrinterParameter* FindParameter(const std::string& parameterName) const;
};

// The built-in description of a variant ("RX1P", "RX1Q", "RX2P", "RX2Q", "RX3P", "RX3Q"); its
// printer name is the variant code. Throws std::invalid_argument for any other code.
PrinterDescription BuiltInPrinterDescription(const std::string& variant);

// Reads a description from an XML file; throws std::runtime_error saying what is wrong. Format:
//   <Printer name="Label printer" variant="RX2P" namespace="urn:example:printer">
//     <Feature name="PageMediaSize" scope="Page" default="Roll72x102">
//       <Option name="Roll72x102" private="true">
//         <ScoredProperty name="MediaSizeWidth" value="72000"/>
//         <ScoredProperty name="MediaSizeHeight" value="101600"/>
//       </Option>
//     </Feature>
//     <Feature name="QVDither" private="true" scope="Page" default="None">
//       <Option name="None"/> <Option name="2x2"/>
//     </Feature>
//   </Printer>
// scope is Page, Document or Job; private defaults to false; default defaults to the first option.
// Each feature needs at least one option, and a default that is one of them.
PrinterDescription LoadPrinterDescription(const std::string& path);

// The registry of known printers, keyed by printer name; the six built-in variants are present
// from the start. RegisterPrinter adds or replaces; UnregisterPrinter tells whether it was there.
// Thread-safe.
void RegisterPrinter(const PrinterDescription& printer);
bool UnregisterPrinter(const std::string& name);
std::optional<PrinterDescription> FindPrinter(const std::string& name);
std::optional<PrinterDescription> FindPrinter(const std::wstring& name);

// A complete print ticket for the printer: every feature with its default option, except those
// named in options (feature local name -> option local name), which take that option. Written
// with the prefixes psf, psk, xsi, xsd and ns0000, UTF-8. Throws std::invalid_argument naming an
// unknown feature or an option the feature does not offer.
std::string DefaultTicketXml(const PrinterDescription& printer,
                             const std::map<std::string, std::string>& options = {});

}  // namespace platform

#endif
