#include "host/printerapp/strip_printer.h"

#include <objbase.h>
#include <oleauto.h>

#include "host/cupsfilter/snapshot_ticket.h"
#include "host/pipeline/print_core_helper.h"
#include "host/pipeline/property_bag.h"
#include "module/filtertypes.h"
#include "platform/printer_description.h"

namespace brimloft::printerapp {

namespace {

constexpr const char* kUnit = "printerapp";

}  // namespace

StripPrinter::StripPrinter(const std::string& variant, const FeatureTable& features, IPrintWriteStream* output) {
  const platform::PrinterDescription printer = platform::BuiltInPrinterDescription(variant);
  // The printer output reads its options from the snapshot before every strip.
  rasterfilter::WriteSnapshotTicket(platform::DefaultTicketXml(printer, features));
  ComPtr<host::PropertyBag> bag = host::PropertyBag::Create();
  ComPtr<host::PrintCoreHelper> helper = host::PrintCoreHelper::Create(printer, features);
  VARIANT entry;
  VariantInit(&entry);
  entry.vt = VT_UNKNOWN;
  entry.punkVal = helper.get();
  BRIMLOFT_CHECK(bag->AddProperty(L"IPrintCoreHelper", &entry));
  BRIMLOFT_CHECK(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                            factory_.put_void()));
  handler_ = BrimloftBitmapHandler::Create(variant, bag.get(), output);
}

void StripPrinter::PrintStrip(int pageIndex, const unsigned char* pixels, unsigned width, unsigned rows,
                              unsigned stride, double dpi) {
  ComPtr<IWICBitmap> bitmap;
  BRIMLOFT_CHECK(factory_->CreateBitmapFromMemory(width, rows, GUID_WICPixelFormat32bppBGRA, stride, stride * rows,
                                            const_cast<BYTE*>(pixels), bitmap.put()));
  BRIMLOFT_CHECK(bitmap->SetResolution(dpi, dpi));
  handler_->ProcessStrip(pageIndex, bitmap.get());
}

void StripPrinter::EndJob() {
  if (ended_) return;
  ended_ = true;
  handler_->ProcessStrip(0, nullptr);
}

}  // namespace brimloft::printerapp
