// Rendering of object-model pages in strips, each handed to the printer output.
#ifndef BRIMLOFT_XPS_RASINTERFACE_H
#define BRIMLOFT_XPS_RASINTERFACE_H

#include <windows.h>
#include <xpsobjectmodel.h>
#include <xpsrassvc.h>

#include <filterpipeline.h>

#include <memory>
#include <string>

#include "module/ComPtr.h"
#include "module/FilterLiveness.h"
#include "printticket/PageSettings.h"

namespace brimloft {

class BrimloftBitmapHandler;

// Where and how large one page is rendered, in rasterizer pixels.
struct RasterGeometry {
  FLOAT dpi = 0;    // resolution handed to the rasterizer, after fitting
  INT height = 0;   // page height in pixels
  INT width = 0;    // page width in pixels
  INT x = 0;        // left edge of the rendered area
  INT y = 0;        // top edge of the rendered area
  INT stripRows = 0;  // most rows (columns of a turned page) in one strip of at most 4,194,304 pixels
};

// Throws E_UNEXPECTED for a fit mode other than 1, E_INVALIDARG for a page without width in
// pixels or longer than 1,048,576 rows along the paper (traced with its length and the limit) and
// for a bleed box that gives no finite resolution or an edge beyond INT, E_OUTOFMEMORY for a page
// wider across the paper than one strip may be. A turned page (landscape, put onto the roll a
// quarter turn) is cut into columns: its height goes across the paper, its width along.
RasterGeometry ComputeRasterGeometry(const PageSettings& settings, const XPS_RECT& bleedBox, bool turned = false);

class RasInterface {
 public:
  // Takes the rasterization factory from the property bag and creates the job's printer output,
  // which reads its options from the ticket snapshot at snapshotPath (see BrimloftBitmapHandler).
  // Throws the failing HRESULT; no object is made then.
  static std::unique_ptr<RasInterface> Create(const std::string& variantCode, IPrintPipelinePropertyBag* propertyBag,
                                              IPrintWriteStream* outputStream,
                                              std::string snapshotPath = std::string());
  ~RasInterface();
  RasInterface(const RasInterface&) = delete;
  RasInterface& operator=(const RasInterface&) = delete;

  // Renders the page in strips in the order they go down the paper (rows top to bottom; columns
  // right to left for a turned page) and hands each to the printer output. Returns
  // normally when the job was stopped during the page; throws any other failure, the strips
  // already handed on staying written.
  void RasterizePage(INT pageIndex, IXpsOMPage* page, const PageSettings& settings, FilterLiveness* liveness);
  // Writes the end-of-job segment.
  void EndJob();

 private:
  RasInterface(ComPtr<IXpsRasterizationFactory> factory, std::unique_ptr<BrimloftBitmapHandler> handler);

  ComPtr<IXpsRasterizationFactory> factory_;
  std::unique_ptr<BrimloftBitmapHandler> handler_;
};

}  // namespace brimloft

#endif
