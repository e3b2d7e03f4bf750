#include "printticket/PThandler.h"

#include <comdef.h>

#include <msxml6ids.h>

#include "module/filtertypes.h"
#include "module/trace.h"
#include "printticket/TicketSnapshot.h"
#include "xps/StreamCopy.h"

#include <algorithm>
#include <string>
#include <utility>

namespace brimloft {
namespace {

constexpr auto kUnit = TraceUnit::PThandler;

// The Print Schema framework and keywords namespaces.
const std::wstring kFramework = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
const std::wstring kKeywords = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";

// The element's name attribute has the local part name, and its prefix is bound, where the
// element stands, to the keywords namespace: whatever prefix the ticket chose for it.
std::wstring Named(const std::wstring& name) {
  return L"[substring-after(@name,':')='" + name + L"'][name(namespace::*[.='" + kKeywords +
         L"'])=substring-before(@name,':')]";
}

std::wstring ScoredPropertyPath(const std::wstring& property) {
  return L"psf:Feature" + Named(L"PageMediaSize") + L"/*/psf:ScoredProperty" + Named(property);
}

std::wstring ScoredValueQuery(const std::wstring& property) {
  return L"psf:PrintTicket/" + ScoredPropertyPath(property) + L"/psf:Value";
}

// A custom media size holds a reference to a parameter instead of a value: the value is that of the
// ticket's ParameterInit of the same name (local part, in the keywords namespace).
std::wstring ParameterValueQuery(const std::wstring& property) {
  return L"psf:PrintTicket/psf:ParameterInit[substring-after(@name,':')=substring-after(../" +
         ScoredPropertyPath(property) + L"/psf:ParameterRef/@name,':')][name(namespace::*[.='" + kKeywords +
         L"'])=substring-before(@name,':')]/psf:Value";
}

// The resolution used when the ticket gives none that is usable.
constexpr LONG kDefaultResolution = 96;

// The part has no ticket of its own.
constexpr HRESULT kNoTicket = static_cast<HRESULT>(0x80070490);  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)

void SeekToStart(IStream* stream) {
  LARGE_INTEGER start;
  start.QuadPart = 0;
  BRIMLOFT_CHECK(stream->Seek(start, STREAM_SEEK_SET, nullptr));
}

// The part's ticket, or null when it has none.
template <class Part>
ComPtr<IPartPrintTicket> TicketOf(Part* part) {
  ComPtr<IPartPrintTicket> ticket;
  const HRESULT hr = part->GetPrintTicket(ticket.put());
  if (hr == kNoTicket) return nullptr;
  BRIMLOFT_CHECK(hr);
  return ticket;
}

LONG NodeInteger(IXMLDOMNode* node) {
  _bstr_t text;
  BRIMLOFT_CHECK(node->get_text(text.GetAddress()));
  LONG value = 0;
  BRIMLOFT_CHECK(VarI4FromStr(text, LOCALE_USER_DEFAULT, 0, &value));
  return value;
}

// A media dimension in micrometres as 1/96 inch, or fallback when the query finds nothing.
FLOAT MediaDimension(IXMLDOMDocument2* document, const std::wstring& property, FLOAT fallback) {
  ComPtr<IXMLDOMNode> node;
  BRIMLOFT_CHECK(document->selectSingleNode(_bstr_t(ScoredValueQuery(property).c_str()), node.put()));
  if (!node) {
    BRIMLOFT_CHECK(document->selectSingleNode(_bstr_t(ParameterValueQuery(property).c_str()), node.put()));
  }
  if (!node) return fallback;
  const LONG micrometres = NodeInteger(node.get());
  // A page without extent cannot be rendered.
  if (micrometres <= 0) BRIMLOFT_THROW(E_UNEXPECTED);
  return static_cast<FLOAT>(micrometres) / 25400.0f * 96.0f;
}

}  // namespace

PThandler::PThandler(ComPtr<IXMLDOMDocument2> xmlDocument, std::unique_ptr<SafeHPTProvider> provider,
                     ComPtr<IStream> userTicket, std::string snapshotPath)
    : xmlDocument_(std::move(xmlDocument)),
      provider_(std::move(provider)),
      userTicket_(std::move(userTicket)),
      snapshotPath_(std::move(snapshotPath)) {}

std::unique_ptr<PThandler> PThandler::Create(IPrintPipelinePropertyBag* propertyBag, std::string snapshotPath) {
  ComPtr<IXMLDOMDocument2> document;
  BRIMLOFT_CHECK(
      CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2, document.put_void()));

  ComPtr<IStream> userTicket;
  {
    _variant_t property;
    BRIMLOFT_CHECK(propertyBag->GetProperty(L"PerUserPrintTicket", &property));
    // Only an object can be asked for its interfaces; any other value would be taken as a pointer.
    if ((property.vt != VT_UNKNOWN && property.vt != VT_DISPATCH) || property.punkVal == nullptr) {
      BRIMLOFT_THROW(E_INVALIDARG);
    }
    ComPtr<IPrintReadStreamFactory> factory;
    BRIMLOFT_CHECK(property.punkVal->QueryInterface(IID_IPrintReadStreamFactory, factory.put_void()));
    ComPtr<IPrintReadStream> stream;
    BRIMLOFT_CHECK(factory->GetStream(stream.put()));
    userTicket = CopyToMemoryStream(stream.get());
  }

  _bstr_t printerName;
  {
    _variant_t property;
    BRIMLOFT_CHECK(propertyBag->GetProperty(L"PrinterName", &property));
    // A string, or nothing (the provider answers a null name); other values hold no string.
    if (property.vt == VT_BSTR) {
      printerName = _bstr_t(property.bstrVal, true);
    } else if (property.vt != VT_EMPTY && property.vt != VT_NULL) {
      BRIMLOFT_THROW(E_INVALIDARG);
    }
  }

  HANDLE token = nullptr;
  {
    _variant_t property;
    BRIMLOFT_CHECK(propertyBag->GetProperty(L"UserSecurityToken", &property));
    token = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(property.llVal));
  }

  auto provider = std::make_unique<SafeHPTProvider>(static_cast<const wchar_t*>(printerName), token);
  return std::unique_ptr<PThandler>(
      new PThandler(std::move(document), std::move(provider), std::move(userTicket), std::move(snapshotPath)));
}

ComPtr<IStream> PThandler::MergeTicket(IStream* parent, IPartPrintTicket* ticket, EPrintTicketScope scope) {
  // The pipeline delivers a sequence before its documents and a document before its pages, so a
  // missing parent means parts out of order: never merge onto nothing.
  if (parent == nullptr) BRIMLOFT_THROW(E_UNEXPECTED);
  ComPtr<IStream> delta = GetPartStream(ticket);
  SeekToStart(parent);
  ComPtr<IStream> result;
  BRIMLOFT_CHECK(CreateStreamOnHGlobal(nullptr, TRUE, result.put()));
  provider_->MergeAndValidate(parent, delta.get(), result.get(), scope);
  return result;
}

void PThandler::MergeJobTicket(IFixedDocumentSequence* sequence) {
  const ComPtr<IPartPrintTicket> ticket = TicketOf(sequence);
  if (!ticket) {
    jobTicket_ = userTicket_;
    return;
  }
  documentTicket_.reset();
  pageTicket_.reset();
  jobTicket_ = MergeTicket(userTicket_.get(), ticket.get(), kPTJobScope);
}

void PThandler::MergeDocumentTicket(IFixedDocument* document) {
  const ComPtr<IPartPrintTicket> ticket = TicketOf(document);
  if (!ticket) {
    documentTicket_ = jobTicket_;
    return;
  }
  pageTicket_.reset();
  documentTicket_ = MergeTicket(jobTicket_.get(), ticket.get(), kPTDocumentScope);
}

void PThandler::MergePageTicket(IFixedPage* page) {
  const ComPtr<IPartPrintTicket> ticket = TicketOf(page);
  if (!ticket) {
    pageTicket_ = documentTicket_;
    return;
  }
  pageTicket_ = MergeTicket(documentTicket_.get(), ticket.get(), kPTPageScope);
}

void PThandler::GetPageSettings(PageSettings& settings) {
  BRIMLOFT_TRACE(trace::PageSettingsEntered);
  if (!pageTicket_) {
    BRIMLOFT_TRACE(trace::NoPageTicket);
    BRIMLOFT_THROW(E_FAIL);
  }
  SeekToStart(pageTicket_.get());
  {
    const _variant_t source(static_cast<IUnknown*>(pageTicket_.get()));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    BRIMLOFT_CHECK(xmlDocument_->load(source, &loaded));
    if (loaded != VARIANT_TRUE) {
      BRIMLOFT_TRACE_FAILURE(E_FAIL);
      BRIMLOFT_THROW(E_FAIL);
    }
  }
  const std::wstring namespaces = L"xmlns:psf='" + kFramework + L"'";
  BRIMLOFT_CHECK(xmlDocument_->setProperty(_bstr_t(L"SelectionNamespaces"), _variant_t(namespaces.c_str())));

  settings.resolution = QueryResolution();
  settings.fitMode = 1;
  settings.pageSize = QueryPageSize();
  settings.targetRect.x = 0;
  settings.targetRect.y = 0;
  settings.targetRect.width = settings.pageSize.width - settings.targetRect.x;
  settings.targetRect.height = settings.pageSize.height - settings.targetRect.y;
  BRIMLOFT_TRACE(trace::PageSettingsFilled);

  WriteTicketSnapshot(xmlDocument_.get(), snapshotPath_);
}

FLOAT PThandler::QueryResolution() {
  const std::wstring query = L"psf:PrintTicket/psf:Feature" + Named(L"PageResolution") + L"/*/*/psf:Value";
  ComPtr<IXMLDOMNodeList> values;
  BRIMLOFT_CHECK(xmlDocument_->selectNodes(_bstr_t(query.c_str()), values.put()));
  LONG resolution = 0;
  if (values) {
    LONG count = 0;
    BRIMLOFT_CHECK(values->get_length(&count));
    if (count > 2) BRIMLOFT_THROW(E_UNEXPECTED);
    for (LONG i = 0; i < count; ++i) {
      ComPtr<IXMLDOMNode> node;
      BRIMLOFT_CHECK(values->get_item(i, node.put()));
      if (!node) BRIMLOFT_THROW(E_UNEXPECTED);
      resolution = std::max(resolution, NodeInteger(node.get()));
    }
  }
  // No value, or none above zero: the rasterizer divides by the resolution, so use the default.
  if (!values || resolution <= 0) resolution = kDefaultResolution;
  const FLOAT result = static_cast<FLOAT>(resolution);
  BRIMLOFT_TRACE(trace::PageResolution, static_cast<double>(result));
  return result;
}

XPS_SIZE PThandler::QueryPageSize() {
  XPS_SIZE size;
  size.width = MediaDimension(xmlDocument_.get(), L"MediaSizeWidth", 1056.0f);
  size.height = MediaDimension(xmlDocument_.get(), L"MediaSizeHeight", 816.0f);
  const std::wstring landscape =
      L"psf:PrintTicket/psf:Feature" + Named(L"PageOrientation") + L"/psf:Option" + Named(L"Landscape");
  ComPtr<IXMLDOMNode> node;
  BRIMLOFT_CHECK(xmlDocument_->selectSingleNode(_bstr_t(landscape.c_str()), node.put()));
  if (node) std::swap(size.width, size.height);
  BRIMLOFT_TRACE(trace::PageSize, static_cast<double>(size.width), static_cast<double>(size.height));
  return size;
}

}  // namespace brimloft
