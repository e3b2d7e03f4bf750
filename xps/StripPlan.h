// How a page is cut into strips for rendering so that the strips, each scaled on its own to the
// head's width, join on paper as the page scaled in one piece would.
#ifndef BRIMLOFT_XPS_STRIPPLAN_H
#define BRIMLOFT_XPS_STRIPPLAN_H

#include <windows.h>

#include <vector>

namespace brimloft {

// One strip: a rectangle of the page in rasterizer pixels, relative to the rendered area.
struct StripRect {
  INT x = 0;
  INT y = 0;
  INT width = 0;
  INT height = 0;

  bool operator==(const StripRect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

// The strips of a page of width x height pixels, in the order they go down the paper, none larger
// than maxPixels. An upright page is cut into rows, top to bottom. A page turned onto the roll is
// cut into columns of its full height, right to left, since a quarter turn counter-clockwise puts
// its right edge at the top. Where it can, every strip but the last spans a length that scales to
// the head's width as a whole number of 24-row bands, so that no strip ends between two rows of
// the paper; otherwise each strip is as long as fits. Throws E_OUTOFMEMORY (unit "rasinterface")
// when not even one row (column) fits, E_INVALIDARG for a size of 0 or less.
std::vector<StripRect> PlanStrips(INT width, INT height, bool turned, UINT headWidth, INT maxPixels);

}  // namespace brimloft

#endif
