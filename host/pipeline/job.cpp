#include "host/pipeline/job.h"

#include <atomic>
#include <stdexcept>

#include "host/failures/host_error.h"
#include "host/package/text.h"
#include "host/pipeline/page_size_default.h"
#include "host/pipeline/read_stream.h"
#include "platform/xps_rasterizer.h"

namespace brimloft::host {
namespace {

const char* const kVariants[] = {"RX1P", "RX1Q", "RX2P", "RX2Q", "RX3P", "RX3Q"};

// Job users have no real token here; each job gets a value of its own that no other job shares.
ULONGLONG NextUserToken() {
  static std::atomic<ULONGLONG> next{0x7E57000000000100ull};
  return next.fetch_add(4);
}

void AddVariant(PropertyBag& bag, const wchar_t* name, const VARIANT& value) {
  const HRESULT hr = bag.AddProperty(name, &value);
  if (FAILED(hr)) throw HostError(hr, "cannot set the pipeline property " + Narrow(name));
}

}  // namespace

platform::PrinterDescription ResolvePrinter(const std::string& codeOrFile) {
  for (const char* v : kVariants)
    if (codeOrFile == v) return platform::BuiltInPrinterDescription(codeOrFile);
  try {
    return platform::LoadPrinterDescription(codeOrFile);
  } catch (const std::exception& e) {
    throw HostError(E_INVALIDARG, "printer \"" + codeOrFile + "\" is no variant code (RX1P, RX1Q, RX2P, RX2Q, RX3P, "
                                  "RX3Q) and no readable printer description: " + e.what());
  }
}

Job::Job(const std::string& xpsPath, const JobSettings& settings, brimloft::ComPtr<IPrintWriteStream> writer)
    : Job(XpsPackage::Open(xpsPath, settings.limits), ResolvePrinter(settings.printer), settings.options,
          std::move(writer)) {}

Job::Job(std::shared_ptr<XpsPackage> package, const platform::PrinterDescription& printer,
         const std::map<std::string, std::string>& options, brimloft::ComPtr<IPrintWriteStream> writer)
    : printer_(printer), writer_(std::move(writer)) {
  GivePagesTheirOwnSize(*package, printer_, options);
  package_ = std::move(package);
  Build(options);
}

void Job::Build(const std::map<std::string, std::string>& options) {
  try {
    userTicket_ = std::make_shared<const std::string>(platform::DefaultTicketXml(printer_, options));
    coreHelper_ = PrintCoreHelper::Create(printer_, options);
  } catch (const std::invalid_argument& e) {
    throw HostError(E_INVALIDARG, std::string("option: ") + e.what());
  }
  // The print-ticket service finds printers by name; a description from a file joins the built-in ones.
  platform::RegisterPrinter(printer_);

  userTicketBytes_ = std::make_shared<const std::vector<unsigned char>>(userTicket_->begin(), userTicket_->end());
  token_ = NextUserToken();
  reader_ = DocumentProvider::Create(package_);
  bag_ = PropertyBag::Create();
  control_ = ManagerControl::Create();
  communicator_ = host::Communicator::Create(brimloft::ComPtr<IUnknown>(reader_.get()),
                                             brimloft::ComPtr<IUnknown>(writer_.get()));

  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UNKNOWN;
  brimloft::ComPtr<IPrintReadStreamFactory> ticket = ReadStreamFactory::Create(userTicketBytes_);
  v.punkVal = ticket.get();
  AddVariant(*bag_.get(), L"PerUserPrintTicket", v);
  v.punkVal = coreHelper_.get();
  AddVariant(*bag_.get(), L"IPrintCoreHelper", v);

  VARIANT name;
  VariantInit(&name);
  name.vt = VT_BSTR;
  name.bstrVal = MakeBstr(printer_.name);
  const HRESULT hr = bag_->AddProperty(L"PrinterName", &name);
  VariantClear(&name);
  if (FAILED(hr)) throw HostError(hr, "cannot set the pipeline property PrinterName");

  VARIANT token;
  VariantInit(&token);
  token.vt = VT_UI8;
  token.ullVal = token_;
  AddVariant(*bag_.get(), L"UserSecurityToken", token);

  brimloft::ComPtr<IXpsRasterizationFactory> rasterizer;
  const HRESULT rhr = platform::CreateXpsRasterizationFactory(rasterizer.put(), rendererMessages_);
  if (FAILED(rhr)) throw HostError(rhr, "creating the XPS rasterization service failed with " + HexHr(rhr));
  SetRasterizationFactory(rasterizer.get());
}

void Job::SetRasterizationFactory(IUnknown* factory) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UNKNOWN;
  v.punkVal = factory;
  AddVariant(*bag_.get(), L"MS_IXpsRasterizationFactory", v);
}

}  // namespace brimloft::host
