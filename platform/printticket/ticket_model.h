// A print ticket as the provider sees it: the settings at its top level, each named by namespace
// URI and local name, whatever prefixes the ticket used.
#ifndef BRIMLOFT_PLATFORM_PRINTTICKET_TICKET_MODEL_H
#define BRIMLOFT_PLATFORM_PRINTTICKET_TICKET_MODEL_H

#include <platform/printer_description.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::printticket {

struct QName {
  std::string ns;
  std::string local;
  bool operator==(const QName& o) const { return ns == o.ns && local == o.local; }
};

struct TicketEntry {
  enum class Kind { Feature, ParameterInit, Property };
  Kind kind = Kind::Feature;
  QName name;
  bool hasOption = false;       // features: an Option element is present
  std::optional<QName> option;  // features: its name, when it has one
  // features: the option's integer scored properties, by which an unnamed option is known
  std::vector<std::pair<QName, std::string>> scoredValues;
  // parameters: the text of its Value
  std::string value;
};

struct Ticket {
  std::vector<TicketEntry> entries;
};

// What is wrong with a ticket, in words.
class TicketFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses a ticket's bytes; throws TicketFormatError when they are not a well-formed Print Schema
// print ticket (version 1) or name a setting twice.
Ticket ParseTicket(const std::string& bytes);

// Puts the delta's entries of the scope and of narrower scopes into base, replacing base's entries
// of the same name and kind; the delta's wider-scope entries are left out.
void MergeDelta(Ticket* base, const Ticket& delta, FeatureScope scope, const PrinterDescription& printer);

// For each of the printer's features in order, the option the ticket selects when the printer
// offers it (by name, or for an unnamed option by equal scored properties), otherwise the default. conflict tells whether an option the ticket selected was
// replaced.
// For each of the printer's parameters in order, the ticket's value when it is an integer in range,
// otherwise the default (a conflict when the ticket gave one).
struct Validation {
  std::vector<const PrinterOption*> options;
  std::vector<int> parameters;
  bool conflict = false;
};
Validation Validate(const Ticket& ticket, const PrinterDescription& printer);

// A complete ticket with the chosen option of each of the printer's features, UTF-8, prefixes
// psf, psk, xsi, xsd and ns0000.
// Options that refer to parameters are written with ParameterRef, followed by the ParameterInit of
// each parameter they refer to, with its value from parameters (the printer's order).
std::string WriteTicket(const PrinterDescription& printer, const std::vector<const PrinterOption*>& options,
                        const std::vector<int>& parameters = {});

// The text as a decimal integer in [min, max], surrounding blanks allowed; nothing otherwise.
std::optional<int> IntegerIn(const std::string& text, int min, int max);

// An option or feature name as written in tickets: names that are not valid XML names get a
// leading underscore ("2x2" -> "_2x2").
std::string TicketName(const std::string& name);

}  // namespace platform::printticket

#endif
