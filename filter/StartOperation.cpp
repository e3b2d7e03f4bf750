// The document loop: one whole print job on the pipeline's calling thread.
#include "filter/BrimloftFilter.h"

#include <msopc.h>
#include <xpsobjectmodel.h>

#include "module/ComApartment.h"
#include "module/trace.h"
#include "printticket/JobTicketSnapshot.h"
#include "printticket/PThandler.h"
#include "printticket/PageSettings.h"
#include "xps/omconvertor.h"
#include "xps/rasinterface.h"

namespace brimloft {
namespace {

constexpr auto kUnit = TraceUnit::BrimloftFilter;

template <class T>
ComPtr<T> QueryPart(IUnknown* part, REFIID iid) {
  ComPtr<T> result;
  if (FAILED(part->QueryInterface(iid, result.put_void()))) result.reset();
  return result;
}

}  // namespace

HRESULT STDMETHODCALLTYPE BrimloftFilter::StartOperation() {
  BRIMLOFT_TRACE(trace::StartOperationEntered);
  const HRESULT hr = translate_exceptions([&] { RunJob(); });
  if (writer_) writer_->Close();
  return hr;
}

// The job's objects are locals in the order of their creation, so they go in the reverse order
// on every way out: part, ticket handler, rasterization, the snapshot, the two factories, the
// apartment.
void BrimloftFilter::RunJob() {
  BRIMLOFT_TRACE(trace::JobStarted);
  // The pipeline never starts a filter that failed to initialise; be safe if a host does.
  if (!reader_ || !writer_ || !propertyBag_) BRIMLOFT_THROW(E_UNEXPECTED);

  ComApartment apartment;
  ComPtr<IXpsOMObjectFactory> omFactory;
  BRIMLOFT_CHECK(CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IXpsOMObjectFactory,
                                  omFactory.put_void()));
  ComPtr<IOpcFactory> opcFactory;
  BRIMLOFT_CHECK(
      CoCreateInstance(CLSID_OpcFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IOpcFactory, opcFactory.put_void()));
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
    if (FAILED(end)) BRIMLOFT_TRACE(trace::FailedJobEndFailed, static_cast<int>(end));
    throw;
  }
  rasterizer->EndJob();
}

void BrimloftFilter::ReadParts(RasInterface& rasterizer, IXpsOMObjectFactory* omFactory, IOpcFactory* opcFactory,
                               const std::string& snapshotPath) {
  std::unique_ptr<PThandler> tickets = PThandler::Create(propertyBag_.get(), snapshotPath);

  ComPtr<IUnknown> part;
  BRIMLOFT_CHECK(reader_->GetXpsPart(part.put()));
  INT pageNumber = 0;
  while (liveness_->IsAlive() && part) {
    if (auto page = QueryPart<IFixedPage>(part.get(), IID_IFixedPage)) {
      ++pageNumber;
      BRIMLOFT_TRACE(trace::FixedPageReached, pageNumber);
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
    BRIMLOFT_CHECK(reader_->GetXpsPart(part.put()));
  }
}

}  // namespace brimloft
