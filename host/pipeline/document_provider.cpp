#include "host/pipeline/document_provider.h"

#include "host/failures/host_error.h"
#include "host/pipeline/xps_parts.h"

namespace brimloft::host {

brimloft::ComPtr<DocumentProvider> DocumentProvider::Create(std::shared_ptr<const XpsPackage> package) {
  return brimloft::ComPtr<DocumentProvider>::Attach(new DocumentProvider(std::move(package)));
}

DocumentProvider::DocumentProvider(std::shared_ptr<const XpsPackage> package) : package_(std::move(package)) {
  steps_.push_back({PartKind::Sequence, 0, 0, 0});
  int number = 0;
  const auto& docs = package_->Sequence().documents;
  for (size_t d = 0; d < docs.size(); ++d) {
    steps_.push_back({PartKind::Document, d, 0, 0});
    for (size_t p = 0; p < docs[d].pages.size(); ++p) steps_.push_back({PartKind::Page, d, p, ++number});
  }
}

void DocumentProvider::OnPart(std::function<void(const PartEvent&)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

void DocumentProvider::FailAtCall(size_t call, HRESULT hr) {
  std::lock_guard<std::mutex> lock(mutex_);
  failAt_ = call;
  failHr_ = hr;
}

size_t DocumentProvider::Calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

HRESULT DocumentProvider::GetXpsPart(IUnknown** ppIXpsPart) {
  if (ppIXpsPart == nullptr) return E_POINTER;
  *ppIXpsPart = nullptr;
  std::function<void(const PartEvent&)> observer;
  PartEvent event{};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (calls_++ == failAt_) return failHr_;
    if (next_ >= steps_.size()) return S_OK;
    const Step& step = steps_[next_];
    const SequenceEntry& seq = package_->Sequence();
    try {
      brimloft::ComPtr<IUnknown> part;
      switch (step.kind) {
        case PartKind::Sequence:
          part = MakeSequencePart(package_);
          event = {step.kind, seq.name, 0, static_cast<int>(package_->PageCount())};
          break;
        case PartKind::Document:
          part = MakeDocumentPart(package_, seq.documents[step.document]);
          event = {step.kind, seq.documents[step.document].name, 0, static_cast<int>(package_->PageCount())};
          break;
        case PartKind::Page: {
          const PageEntry& page = seq.documents[step.document].pages[step.page];
          part = MakePagePart(package_, page);
          event = {step.kind, page.name, step.pageNumber, static_cast<int>(package_->PageCount())};
          break;
        }
      }
      *ppIXpsPart = part.Detach();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    ++next_;
    observer = observer_;
  }
  if (observer) {
    try {
      observer(event);
    } catch (...) {
      // Progress reporting must never change what the filter sees.
    }
  }
  return S_OK;
}

}  // namespace brimloft::host
