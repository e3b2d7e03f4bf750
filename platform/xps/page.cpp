#include "xps/page.h"

#include <new>

#include "platform/com_object.h"
#include "platform/com_ref.h"
#include "xps/xps_private.h"

namespace platform::xps {
namespace {

class Page : public ComObject<IPlatformXpsPage, &IID_IXpsOMPart, &IID_IXpsOMPage, &IID_PlatformXpsPage> {
 public:
  Page(std::string markup, const FixedPageHeader& header, IOpcPartUri* name, IXpsOMPartResources* resources)
      : markup_(std::move(markup)),
        size_(header.size),
        bleedBox_(header.bleedBox),
        contentBox_(header.contentBox),
        name_(name),
        resources_(resources) {}

  HRESULT STDMETHODCALLTYPE GetPartName(IOpcPartUri** partUri) override {
    if (partUri == nullptr) return E_POINTER;
    name_.CopyTo(partUri);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetPartName(IOpcPartUri* partUri) override {
    if (partUri == nullptr) return E_POINTER;
    name_ = Ref<IOpcPartUri>(partUri);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPageDimensions(XPS_SIZE* size) override { return Copy(size_, size); }
  HRESULT STDMETHODCALLTYPE GetContentBox(XPS_RECT* box) override { return Copy(contentBox_, box); }
  HRESULT STDMETHODCALLTYPE GetBleedBox(XPS_RECT* box) override { return Copy(bleedBox_, box); }

  const std::string& Markup() const noexcept override { return markup_; }
  IXpsOMPartResources* Resources() const noexcept override { return resources_.get(); }

 private:
  template <class T>
  static HRESULT Copy(const T& value, T* out) {
    if (out == nullptr) return E_POINTER;
    *out = value;
    return S_OK;
  }

  const std::string markup_;
  const XPS_SIZE size_;
  const XPS_RECT bleedBox_;
  const XPS_RECT contentBox_;
  Ref<IOpcPartUri> name_;
  const Ref<IXpsOMPartResources> resources_;
};

}  // namespace

HRESULT NewPage(std::string markup, const FixedPageHeader& header, IOpcPartUri* name,
                IXpsOMPartResources* resources, IXpsOMPage** page) {
  *page = nullptr;
  try {
    *page = new Page(std::move(markup), header, name, resources);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace platform::xps
