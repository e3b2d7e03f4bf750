// IXpsDocumentProvider over an XpsPackage: the fixed document sequence, then each fixed document
// followed by its fixed pages, then success with no part.
#ifndef BRIMLOFT_HOST_PIPELINE_DOCUMENT_PROVIDER_H
#define BRIMLOFT_HOST_PIPELINE_DOCUMENT_PROVIDER_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/package/xps_package.h"
#include "module/ComPtr.h"
#include "platform/com_object.h"

namespace brimloft::host {

enum class PartKind { Sequence, Document, Page };

// One part handed out; pageNumber counts pages over the whole job from 1 (0 for other parts).
struct PartEvent {
  PartKind kind;
  std::string name;
  int pageNumber;
  int pageCount;
};

class DocumentProvider final : public platform::ComObject<IXpsDocumentProvider, &IID_IXpsDocumentProvider> {
 public:
  static brimloft::ComPtr<DocumentProvider> Create(std::shared_ptr<const XpsPackage> package);

  // Called on the reading thread for every part, just before it is handed out.
  void OnPart(std::function<void(const PartEvent&)> observer);
  // Makes call number `call` (0-based) of GetXpsPart fail with hr, handing out nothing.
  void FailAtCall(size_t call, HRESULT hr);
  // GetXpsPart calls made so far.
  size_t Calls() const;

  // E_POINTER for a null out pointer; an object that cannot be made gives its HRESULT.
  HRESULT STDMETHODCALLTYPE GetXpsPart(IUnknown** ppIXpsPart) override;

 private:
  explicit DocumentProvider(std::shared_ptr<const XpsPackage> package);
  struct Step {
    PartKind kind;
    size_t document;
    size_t page;
    int pageNumber;
  };
  std::shared_ptr<const XpsPackage> package_;
  std::vector<Step> steps_;
  size_t next_ = 0;
  size_t calls_ = 0;
  size_t failAt_ = SIZE_MAX;
  HRESULT failHr_ = S_OK;
  std::function<void(const PartEvent&)> observer_;
  mutable std::mutex mutex_;
};

}  // namespace brimloft::host

#endif
