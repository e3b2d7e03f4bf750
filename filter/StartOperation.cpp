// The document loop: one whole print job on the pipeline's calling thread.
#include "filter/BrimloftFilter.h"

#include <msopc.h>
#include <xpsobjectmodel.h>

#include "module/trace.h"
#include "printticket/JobTicketSnapshot.h"
#include "printticket/PThandler.h"
#include "printticket/PageSettings.h"
#include "xps/omconvertor.h"
#include "xps/rasinterface.h"

namespace brimloft {
namespace {

constexpr char kUnit[] = "BrimloftFilter";

// Leaves the apartment on every way out when this thread joined it here.
class ComApartment {
 public:
  ComApartment() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (hr == RPC_E_CHANGED_MODE) return;  // the thread is in another apartment already: fine
    check_hr(hr, "filtertypes", __LINE__);
    joined_ = true;
  }
  ~ComApartment() {
    if (joined_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool joined_ = false;
};

template <class T>
ComPtr<T> QueryPart(IUnknown* part, REFIID iid) {
  ComPtr<T> result;
  if (FAILED(part->QueryInterface(iid, result.put_void()))) result.reset();
  return result;
}

}  // namespace

HRESULT STDMETHODCALLTYPE BrimloftFilter::StartOperation() {
  BRIMLOFT_TRACE(TRACE_FLOW, BrimloftFilter, 14);
  const HRESULT hr = translate_exceptions([&] { RunJob(); });
  if (writer_) writer_->Close();
  return hr;
}

// The job's objects are locals in the order of their creation, so they go in the reverse order
// on every way out: part, ticket handler, rasterization, the snapshot, the two factories, the
// apartment.
void BrimloftFilter::RunJob() {
  BRIMLOFT_TRACE(TRACE_DETAIL, BrimloftFilter, 16);
  // The pipeline never starts a filter that failed to initialise; be safe if a host does.
  if (!reader_ || !writer_ || !propertyBag_) throw_hr(E_UNEXPECTED, kUnit, __LINE__);

  ComApartment apartment;
  ComPtr<IXpsOMObjectFactory> omFactory;
  check_hr(CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IXpsOMObjectFactory,
                            omFactory.put_void()),
           kUnit, __LINE__);
  ComPtr<IOpcFactory> opcFactory;
  check_hr(CoCreateInstance(CLSID_OpcFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IOpcFactory, opcFactory.put_void()),
           kUnit, __LINE__);
  // Jobs at the same time never share a snapshot: the ticket handler writes, and the printer
  // output reads, this job's own.
  const JobTicketSnapshot snapshot;
  std::unique_ptr<RasInterface> rasterizer =
      RasInterface::Create(printerName_, propertyBag_.get(), writer_.get(), snapshot.path());
  try {
    ReadParts(*rasterizer, omFactory.get(), opcFactory.get(), snapshot.path());
  } catch (...) {
    // The output is open: pages already printed still get the job's end (the cut of a
    // continuous job, the closing segment). The job returns its own failure, not the end's.
    const HRESULT end = translate_exceptions([&] { rasterizer->EndJob(); });
    if (FAILED(end)) BRIMLOFT_TRACE(TRACE_ERROR, BrimloftFilter, 21, static_cast<int>(end));
    throw;
  }
  rasterizer->EndJob();
}

void BrimloftFilter::ReadParts(RasInterface& rasterizer, IXpsOMObjectFactory* omFactory, IOpcFactory* opcFactory,
                               const std::string& snapshotPath) {
  std::unique_ptr<PThandler> tickets = PThandler::Create(propertyBag_.get(), snapshotPath);

  ComPtr<IUnknown> part;
  check_hr(reader_->GetXpsPart(part.put()), kUnit, __LINE__);
  INT pageNumber = 0;
  while (liveness_->IsAlive() && part) {
    if (auto page = QueryPart<IFixedPage>(part.get(), IID_IFixedPage)) {
      ++pageNumber;
      BRIMLOFT_TRACE(TRACE_DETAIL, BrimloftFilter, 18, pageNumber);
      tickets->MergePageTicket(page.get());
      PageSettings settings;
      tickets->GetPageSettings(settings);
      ComPtr<IXpsOMPage> omPage = OMConvertor::ConvertPage(page.get(), omFactory, opcFactory);
      rasterizer.RasterizePage(pageNumber, omPage.get(), settings, liveness_.get());
    } else if (auto document = QueryPart<IFixedDocument>(part.get(), IID_IFixedDocument)) {
      tickets->MergeDocumentTicket(document.get());
    } else if (auto sequence = QueryPart<IFixedDocumentSequence>(part.get(), IID_IFixedDocumentSequence)) {
      tickets->MergeJobTicket(sequence.get());
    }
    check_hr(reader_->GetXpsPart(part.put()), kUnit, __LINE__);
  }
}

}  // namespace brimloft
