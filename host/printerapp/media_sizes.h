// The printer's roll sizes as PWG media names, and the roll size a job's media asks for.
#ifndef BRIMLOFT_HOST_PRINTERAPP_MEDIA_SIZES_H
#define BRIMLOFT_HOST_PRINTERAPP_MEDIA_SIZES_H

#include <map>
#include <string>
#include <vector>

#include "platform/printer_description.h"

namespace brimloft::printerapp {

struct RollSize {
  std::string pwgName;  // "om_roll72x102_72x101.6mm"
  std::string option;   // the PageMediaSize option, "Roll72x102"
  int width = 0;        // hundredths of millimetres, as IPP's media-size
  int length = 0;
};

// Every PageMediaSize option of the printer, in description order.
std::vector<RollSize> RollSizes(const platform::PrinterDescription& printer);

// The PWG names of the custom size range: "roll_min_<narrowest>x25mm" and
// "roll_max_<widest>x<longest>mm", the longest a page of 1,048,576 rows at 203 dpi.
std::vector<std::string> CustomSizeRange(const platform::PrinterDescription& printer);

// The features for the media a client chose, in hundredths of millimetres: the roll of that size
// when there is one, else the printer's custom size with that width and length (each kept within
// the printer's range), else the roll of the nearest width and, of those, the nearest length;
// nothing when the printer has no rolls.
std::map<std::string, std::string> MediaFeatures(const platform::PrinterDescription& printer, int width, int length);

}  // namespace brimloft::printerapp

#endif
