// Writes tickets as the print system does: fixed prefixes, one feature after another.
#include "core/utf8.h"
#include "printticket/ticket_model.h"

namespace platform::printticket {
namespace {

bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }

}  // namespace

std::string TicketName(const std::string& name) {
  if (!name.empty() && IsNameStart(static_cast<unsigned char>(name[0]))) return name;
  return "_" + name;
}

std::string WriteTicket(const PrinterDescription& printer, const std::vector<const PrinterOption*>& options,
                        const std::vector<int>& parameters) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<psf:PrintTicket xmlns:psf=\"" + std::string(kPrintSchemaFramework) +
      "\" xmlns:psk=\"" + kPrintSchemaKeywords +
      "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
      " xmlns:ns0000=\"" + text::XmlEscaped(printer.privateNamespace) + "\" version=\"1\">\n";
  for (size_t i = 0; i < printer.features.size() && i < options.size(); ++i) {
    const PrinterFeature& feature = printer.features[i];
    const PrinterOption& option = *options[i];
    xml += "  <psf:Feature name=\"" + std::string(feature.isPrivate ? "ns0000:" : "psk:") +
           text::XmlEscaped(TicketName(feature.name)) + "\">\n";
    xml += "    <psf:Option name=\"" + std::string(option.isPrivate ? "ns0000:" : "psk:") +
           text::XmlEscaped(TicketName(option.name)) + "\"";
    if (option.scoredProperties.empty() && option.parameterRefs.empty()) {
      xml += " />\n";
    } else {
      xml += ">\n";
      for (const auto& [property, value] : option.scoredProperties) {
        xml += "      <psf:ScoredProperty name=\"psk:" + text::XmlEscaped(TicketName(property)) + "\">\n";
        xml += "        <psf:Value xsi:type=\"xsd:integer\">" + std::to_string(value) + "</psf:Value>\n";
        xml += "      </psf:ScoredProperty>\n";
      }
      for (const auto& [property, parameter] : option.parameterRefs) {
        xml += "      <psf:ScoredProperty name=\"psk:" + text::XmlEscaped(TicketName(property)) + "\">\n";
        xml += "        <psf:ParameterRef name=\"psk:" + text::XmlEscaped(TicketName(parameter)) + "\" />\n";
        xml += "      </psf:ScoredProperty>\n";
      }
      xml += "    </psf:Option>\n";
    }
    xml += "  </psf:Feature>\n";
  }
  for (size_t i = 0; i < printer.parameters.size(); ++i) {
    const PrinterParameter& parameter = printer.parameters[i];
    bool referred = false;
    for (size_t f = 0; f < printer.features.size() && f < options.size(); ++f) {
      for (const auto& ref : options[f]->parameterRefs) referred = referred || ref.second == parameter.name;
    }
    if (!referred) continue;
    const int value = i < parameters.size() ? parameters[i] : parameter.defaultValue;
    xml += "  <psf:ParameterInit name=\"psk:" + text::XmlEscaped(TicketName(parameter.name)) + "\">\n";
    xml += "    <psf:Value xsi:type=\"xsd:integer\">" + std::to_string(value) + "</psf:Value>\n";
    xml += "  </psf:ParameterInit>\n";
  }
  xml += "</psf:PrintTicket>\n";
  return xml;
}

}  // namespace platform::printticket

namespace platform {

std::string DefaultTicketXml(const PrinterDescription& printer, const std::map<std::string, std::string>& options) {
  std::vector<int> parameters;
  for (const auto& parameter : printer.parameters) {
    const auto it = options.find(parameter.name);
    if (it == options.end()) {
      parameters.push_back(parameter.defaultValue);
      continue;
    }
    const std::optional<int> value = printticket::IntegerIn(it->second, parameter.minValue, parameter.maxValue);
    if (!value) {
      throw std::invalid_argument("parameter " + parameter.name + " takes an integer from " +
                                  std::to_string(parameter.minValue) + " to " + std::to_string(parameter.maxValue) +
                                  ", not " + it->second);
    }
    parameters.push_back(*value);
  }
  for (const auto& [featureName, optionName] : options) {
    if (printer.FindParameter(featureName)) continue;
    bool known = false;
    for (const auto& feature : printer.features) {
      if (feature.name != featureName) continue;
      known = true;
      if (!feature.FindOption(optionName)) {
        throw std::invalid_argument("feature " + featureName + " has no option " + optionName);
      }
    }
    if (!known) throw std::invalid_argument("printer " + printer.name + " has no feature " + featureName);
  }
  std::vector<const PrinterOption*> chosen;
  for (const auto& feature : printer.features) {
    const auto it = options.find(feature.name);
    chosen.push_back(it == options.end() ? &feature.Default() : feature.FindOption(it->second));
  }
  return printticket::WriteTicket(printer, chosen, parameters);
}

}  // namespace platform
