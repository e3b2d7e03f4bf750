#include "xps/resources.h"

#include <new>
#include <vector>

#include "platform/com_object.h"
#include "xps/part_name.h"
#include "platform/com_ref.h"
#include "xps/xps_private.h"

namespace platform::xps {
namespace {

// The part name and stream shared by every resource kind.
template <class Interface, const IID*... Iids>
class Resource : public ComObject<Interface, &IID_IXpsOMPart, &IID_IXpsOMResource, Iids...> {
 public:
  Resource(IStream* stream, IOpcPartUri* name) : stream_(stream), name_(name) {}

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

 protected:
  HRESULT HandOutStream(IStream** stream) {
    if (stream == nullptr) return E_POINTER;
    stream_.CopyTo(stream);
    return S_OK;
  }

 private:
  Ref<IStream> stream_;
  Ref<IOpcPartUri> name_;
};

class FontResource : public Resource<IXpsOMFontResource, &IID_IXpsOMFontResource> {
 public:
  FontResource(IStream* stream, XPS_FONT_EMBEDDING embedding, IOpcPartUri* name)
      : Resource(stream, name), embedding_(embedding) {}
  HRESULT STDMETHODCALLTYPE GetStream(IStream** stream) override { return HandOutStream(stream); }
  HRESULT STDMETHODCALLTYPE GetEmbeddingOption(XPS_FONT_EMBEDDING* embedding) override {
    if (embedding == nullptr) return E_POINTER;
    *embedding = embedding_;
    return S_OK;
  }

 private:
  const XPS_FONT_EMBEDDING embedding_;
};

class ImageResource : public Resource<IXpsOMImageResource, &IID_IXpsOMImageResource> {
 public:
  ImageResource(IStream* stream, XPS_IMAGE_TYPE type, IOpcPartUri* name) : Resource(stream, name), type_(type) {}
  HRESULT STDMETHODCALLTYPE GetStream(IStream** stream) override { return HandOutStream(stream); }
  HRESULT STDMETHODCALLTYPE GetImageType(XPS_IMAGE_TYPE* type) override {
    if (type == nullptr) return E_POINTER;
    *type = type_;
    return S_OK;
  }

 private:
  const XPS_IMAGE_TYPE type_;
};

class ColorProfileResource : public Resource<IXpsOMColorProfileResource, &IID_IXpsOMColorProfileResource> {
 public:
  using Resource::Resource;
  HRESULT STDMETHODCALLTYPE GetStream(IStream** stream) override { return HandOutStream(stream); }
};

class DictionaryResource
    : public Resource<IPlatformXpsDictionary, &IID_IXpsOMRemoteDictionaryResource, &IID_PlatformXpsDictionary> {
 public:
  DictionaryResource(IStream* stream, std::string markup, IOpcPartUri* name)
      : Resource(stream, name), markup_(std::move(markup)) {}
  const std::string& Markup() const noexcept override { return markup_; }

 private:
  const std::string markup_;
};

// Resources in the order they were added. A name may occur twice; lookups find the first.
template <class Collection, class Item, const IID* Iid>
class ResourceCollection : public ComObject<Collection, Iid> {
 public:
  HRESULT STDMETHODCALLTYPE GetCount(UINT32* count) override {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<UINT32>(items_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, Item** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (index >= items_.size()) return XPS_E_INDEX_OUT_OF_RANGE;
    items_[index].CopyTo(object);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertAt(UINT32 index, Item* object) override {
    if (object == nullptr) return E_POINTER;
    if (index > items_.size()) return XPS_E_INDEX_OUT_OF_RANGE;
    return Guarded([&] { items_.insert(items_.begin() + index, Ref<Item>(object)); });
  }
  HRESULT STDMETHODCALLTYPE RemoveAt(UINT32 index) override {
    if (index >= items_.size()) return XPS_E_INDEX_OUT_OF_RANGE;
    items_.erase(items_.begin() + index);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetAt(UINT32 index, Item* object) override {
    if (object == nullptr) return E_POINTER;
    if (index >= items_.size()) return XPS_E_INDEX_OUT_OF_RANGE;
    items_[index] = Ref<Item>(object);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Append(Item* object) override {
    if (object == nullptr) return E_POINTER;
    return Guarded([&] { items_.emplace_back(object); });
  }
  HRESULT STDMETHODCALLTYPE GetByPartName(IOpcPartUri* partName, Item** part) override {
    if (partName == nullptr || part == nullptr) return E_POINTER;
    *part = nullptr;
    std::wstring wantedName;
    HRESULT hr = GetPartNameString(partName, wantedName);
    if (FAILED(hr)) return hr;
    const std::string wanted = PartNameKey(wantedName);
    for (const auto& item : items_) {
      Ref<IOpcPartUri> name;
      std::wstring text;
      if (FAILED(hr = item->GetPartName(name.put())) || FAILED(hr = GetPartNameString(name.get(), text))) return hr;
      if (PartNameKey(text) == wanted) {
        item.CopyTo(part);
        return S_OK;
      }
    }
    return S_OK;
  }

 private:
  template <class Work>
  static HRESULT Guarded(Work&& work) {
    try {
      work();
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  std::vector<Ref<Item>> items_;
};

using FontCollection =
    ResourceCollection<IXpsOMFontResourceCollection, IXpsOMFontResource, &IID_IXpsOMFontResourceCollection>;
using ImageCollection =
    ResourceCollection<IXpsOMImageResourceCollection, IXpsOMImageResource, &IID_IXpsOMImageResourceCollection>;
using ColorProfileCollection = ResourceCollection<IXpsOMColorProfileResourceCollection, IXpsOMColorProfileResource,
                                                  &IID_IXpsOMColorProfileResourceCollection>;
using DictionaryCollection = ResourceCollection<IXpsOMRemoteDictionaryResourceCollection,
                                                IXpsOMRemoteDictionaryResource,
                                                &IID_IXpsOMRemoteDictionaryResourceCollection>;

class PartResources : public ComObject<IXpsOMPartResources, &IID_IXpsOMPartResources> {
 public:
  PartResources()
      : fonts_(Ref<IXpsOMFontResourceCollection>::Adopt(new FontCollection())),
        images_(Ref<IXpsOMImageResourceCollection>::Adopt(new ImageCollection())),
        profiles_(Ref<IXpsOMColorProfileResourceCollection>::Adopt(new ColorProfileCollection())),
        dictionaries_(Ref<IXpsOMRemoteDictionaryResourceCollection>::Adopt(new DictionaryCollection())) {}

  HRESULT STDMETHODCALLTYPE GetFontResources(IXpsOMFontResourceCollection** out) override { return Out(fonts_, out); }
  HRESULT STDMETHODCALLTYPE GetImageResources(IXpsOMImageResourceCollection** out) override {
    return Out(images_, out);
  }
  HRESULT STDMETHODCALLTYPE GetColorProfileResources(IXpsOMColorProfileResourceCollection** out) override {
    return Out(profiles_, out);
  }
  HRESULT STDMETHODCALLTYPE GetRemoteDictionaryResources(IXpsOMRemoteDictionaryResourceCollection** out) override {
    return Out(dictionaries_, out);
  }

 private:
  template <class T>
  static HRESULT Out(const Ref<T>& ref, T** out) {
    if (out == nullptr) return E_POINTER;
    ref.CopyTo(out);
    return S_OK;
  }

  Ref<IXpsOMFontResourceCollection> fonts_;
  Ref<IXpsOMImageResourceCollection> images_;
  Ref<IXpsOMColorProfileResourceCollection> profiles_;
  Ref<IXpsOMRemoteDictionaryResourceCollection> dictionaries_;
};

template <class Interface, class Make>
HRESULT Create(Interface** out, Make&& make) {
  *out = nullptr;
  try {
    *out = make();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace

HRESULT NewFontResource(IStream* stream, XPS_FONT_EMBEDDING embedding, IOpcPartUri* name,
                        IXpsOMFontResource** resource) {
  return Create(resource, [&] { return new FontResource(stream, embedding, name); });
}

HRESULT NewImageResource(IStream* stream, XPS_IMAGE_TYPE type, IOpcPartUri* name, IXpsOMImageResource** resource) {
  return Create(resource, [&] { return new ImageResource(stream, type, name); });
}

HRESULT NewColorProfileResource(IStream* stream, IOpcPartUri* name, IXpsOMColorProfileResource** resource) {
  return Create(resource, [&] { return new ColorProfileResource(stream, name); });
}

HRESULT NewDictionaryResource(IStream* stream, std::string markup, IOpcPartUri* name,
                              IXpsOMRemoteDictionaryResource** resource) {
  return Create(resource, [&] { return new DictionaryResource(stream, std::move(markup), name); });
}

HRESULT NewPartResources(IXpsOMPartResources** resources) {
  return Create(resources, [] { return new PartResources(); });
}

}  // namespace platform::xps
