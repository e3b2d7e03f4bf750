// The settings of one page that the rasterizer needs, read from the page's print ticket.
#ifndef BRIMLOFT_PRINTTICKET_PAGESETTINGS_H
#define BRIMLOFT_PRINTTICKET_PAGESETTINGS_H

#include <windows.h>
#include <objbase.h>
#include <xpsobjectmodel.h>

namespace brimloft {

struct PageSettings {
  XPS_SIZE pageSize;     // 1/96 inch; width and height exchanged for landscape
  INT fitMode;           // always 1: fit the bleed box into targetRect
  FLOAT resolution;      // dots per inch
  XPS_RECT targetRect;   // 1/96 inch; the whole page
};

}  // namespace brimloft

#endif
