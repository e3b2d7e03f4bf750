// The settings of one page, read from its print ticket, for the rasterizer.
#ifndef BRIMLOFT_PRINTTICKET_PAGESETTINGS_H
#define BRIMLOFT_PRINTTICKET_PAGESETTINGS_H

#include <windows.h>
#include <xpsobjectmodel.h>

namespace brimloft {

// A plain record: the ticket handler fills every field.
struct PageSettings {
  XPS_SIZE pageSize;    // 1/96 inch; width and height exchanged for landscape
  INT fitMode;          // always 1: fit the page's bleed box into targetRect
  FLOAT resolution;     // dots per inch
  XPS_RECT targetRect;  // 1/96 inch: the whole page
};

}  // namespace brimloft

#endif
