// The settings of one page, read from its print ticket, for the rasterizer.
#ifndef BRIMLOFT_PRINTTICKET_PAGESETTINGS_H
#define BRIMLOFT_PRINTTICKET_PAGESETTINGS_H

#include <windows.h>
#include <xpsobjectmodel.h>

namespace brimloft {

struct PageSettings {
  XPS_SIZE pageSize{1056.0f, 816.0f};  // 1/96 inch; width and height exchanged for landscape
  INT fitMode = 1;                     // 1: fit the page's bleed box into targetRect
  FLOAT resolution = 96.0f;            // dots per inch
  XPS_RECT targetRect{0.0f, 0.0f, 1056.0f, 816.0f};  // 1/96 inch: the whole page
};

}  // namespace brimloft

#endif
