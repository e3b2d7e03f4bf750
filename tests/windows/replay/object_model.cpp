// The XPS object model as far as the filter uses it (Wine has none): a factory that makes page
// resources and pages from the streams the filter copied. Each page is checked against the page
// part the Linux build's filter was handed, and answers for its size and boxes what the Linux
// build's object model answered. The interfaces are large and the filter calls few of their
// methods, so the objects are built on the headers' C vtables: every other method is E_NOTIMPL.
#define CINTERFACE
#define COBJMACROS
#include <windows.h>
#include <objbase.h>
#include <xpsobjectmodel.h>

#include <cstring>
#include <string>
#include <vector>

#include "replay/object_model.h"
#include "replay/session.h"

namespace brimloft::replay {
namespace {

HRESULT STDMETHODCALLTYPE NotImplemented() { return E_NOTIMPL; }

// A vtable whose every slot answers E_NOTIMPL until the methods used are set.
template <class Vtbl>
Vtbl NotImplementedTable() {
  Vtbl table;
  void** slots = reinterpret_cast<void**>(&table);
  for (std::size_t i = 0; i < sizeof table / sizeof(void*); ++i) slots[i] = reinterpret_cast<void*>(&NotImplemented);
  return table;
}

enum class Kind { Factory, PartResources, Collection, Resource, Page };

// Every object of the model: one shape, its vtable and kind say what it is.
struct Object {
  Object(const void* table, Kind k, std::vector<const IID*> answered) : lpVtbl(table), kind(k), iids(std::move(answered)) {}

  const void* lpVtbl;
  LONG refs = 1;
  Kind kind;
  std::vector<const IID*> iids;
  // A collection's items, or a part resources' four collections (fonts, images, profiles, dictionaries).
  std::vector<Object*> items;
  // A resource's or a page's part name, content, and for a resource its kind.
  std::wstring name;
  jobrecord::Bytes content;
  jobrecord::ResourceKind resourceKind = jobrecord::ResourceKind::Other;
  // A page's place in the job (from 0) and its answers.
  std::size_t index = 0;
  XPS_SIZE size{};
  XPS_RECT bleedBox{}, contentBox{};

  ~Object() {
    for (Object* item : items) item->Release();
  }
  ULONG Release() {
    const LONG left = InterlockedDecrement(&refs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
};

Object* Self(void* iface) { return static_cast<Object*>(iface); }

HRESULT STDMETHODCALLTYPE QueryInterface(void* iface, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  Object* self = Self(iface);
  bool known = IsEqualIID(iid, IID_IUnknown);
  for (const IID* candidate : self->iids) known = known || IsEqualIID(iid, *candidate);
  if (!known) return E_NOINTERFACE;
  InterlockedIncrement(&self->refs);
  *out = self;
  return S_OK;
}
ULONG STDMETHODCALLTYPE AddRef(void* iface) { return static_cast<ULONG>(InterlockedIncrement(&Self(iface)->refs)); }
ULONG STDMETHODCALLTYPE Release(void* iface) { return Self(iface)->Release(); }

template <class Vtbl>
void SetUnknown(Vtbl& table) {
  table.QueryInterface = reinterpret_cast<decltype(table.QueryInterface)>(&QueryInterface);
  table.AddRef = reinterpret_cast<decltype(table.AddRef)>(&AddRef);
  table.Release = reinterpret_cast<decltype(table.Release)>(&Release);
}

template <class Out>
HRESULT HandOut(Object* object, Out** out) {
  *out = reinterpret_cast<Out*>(object);
  return S_OK;
}

HRESULT ReadAll(IStream* stream, jobrecord::Bytes& bytes) {
  if (stream == nullptr) return E_POINTER;
  unsigned char buffer[65536];
  for (;;) {
    ULONG read = 0;
    const HRESULT hr = IStream_Read(stream, buffer, sizeof buffer, &read);
    if (FAILED(hr)) return hr;
    bytes.insert(bytes.end(), buffer, buffer + read);
    if (read == 0) return S_OK;
  }
}

std::wstring PartName(IOpcPartUri* uri) {
  BSTR path = nullptr;
  if (uri == nullptr || FAILED(IOpcPartUri_GetPath(uri, &path)) || path == nullptr) return L"";
  std::wstring name(path, SysStringLen(path));
  SysFreeString(path);
  return name;
}

std::string Narrow(const std::wstring& wide) {
  std::string text;
  for (wchar_t c : wide) text += c < 0x80 ? static_cast<char>(c) : '?';
  return text;
}

// --- Resources ---------------------------------------------------------------------------------

template <class Vtbl>
const Vtbl* ResourceTable() {
  static const Vtbl table = [] {
    Vtbl t = NotImplementedTable<Vtbl>();
    SetUnknown(t);
    return t;
  }();
  return &table;
}

template <class Vtbl, class Out>
HRESULT MakeResource(IStream* stream, IOpcPartUri* name, jobrecord::ResourceKind kind, const IID* iid, Out** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto* object = new Object(ResourceTable<Vtbl>(), Kind::Resource, {&IID_IXpsOMPart, &IID_IXpsOMResource, iid});
  object->name = PartName(name);
  object->resourceKind = kind;
  const HRESULT hr = ReadAll(stream, object->content);
  if (FAILED(hr)) {
    object->Release();
    return hr;
  }
  return HandOut(object, out);
}

// --- Collections and part resources --------------------------------------------------------------

HRESULT STDMETHODCALLTYPE Append(void* iface, void* item) {
  if (item == nullptr) return E_POINTER;
  Object* added = Self(item);
  InterlockedIncrement(&added->refs);
  Self(iface)->items.push_back(added);
  return S_OK;
}

template <class Vtbl>
Object* MakeCollection(const IID* iid) {
  static const Vtbl table = [] {
    Vtbl t = NotImplementedTable<Vtbl>();
    SetUnknown(t);
    t.Append = reinterpret_cast<decltype(t.Append)>(&Append);
    return t;
  }();
  return new Object(&table, Kind::Collection, {iid});
}

template <std::size_t Index>
HRESULT STDMETHODCALLTYPE GetCollection(void* iface, void** out) {
  if (out == nullptr) return E_POINTER;
  Object* collection = Self(iface)->items.at(Index);
  InterlockedIncrement(&collection->refs);
  *out = collection;
  return S_OK;
}

Object* MakePartResources() {
  static const IXpsOMPartResourcesVtbl table = [] {
    auto t = NotImplementedTable<IXpsOMPartResourcesVtbl>();
    SetUnknown(t);
    t.GetFontResources = reinterpret_cast<decltype(t.GetFontResources)>(&GetCollection<0>);
    t.GetImageResources = reinterpret_cast<decltype(t.GetImageResources)>(&GetCollection<1>);
    t.GetColorProfileResources = reinterpret_cast<decltype(t.GetColorProfileResources)>(&GetCollection<2>);
    t.GetRemoteDictionaryResources = reinterpret_cast<decltype(t.GetRemoteDictionaryResources)>(&GetCollection<3>);
    return t;
  }();
  auto* resources = new Object(&table, Kind::PartResources, {&IID_IXpsOMPartResources});
  resources->items = {MakeCollection<IXpsOMFontResourceCollectionVtbl>(&IID_IXpsOMFontResourceCollection),
                      MakeCollection<IXpsOMImageResourceCollectionVtbl>(&IID_IXpsOMImageResourceCollection),
                      MakeCollection<IXpsOMColorProfileResourceCollectionVtbl>(&IID_IXpsOMColorProfileResourceCollection),
                      MakeCollection<IXpsOMRemoteDictionaryResourceCollectionVtbl>(
                          &IID_IXpsOMRemoteDictionaryResourceCollection)};
  return resources;
}

// --- Pages ---------------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE GetPageDimensions(void* iface, XPS_SIZE* size) {
  if (size == nullptr) return E_POINTER;
  *size = Self(iface)->size;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE GetBleedBox(void* iface, XPS_RECT* box) {
  if (box == nullptr) return E_POINTER;
  *box = Self(iface)->bleedBox;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE GetContentBox(void* iface, XPS_RECT* box) {
  if (box == nullptr) return E_POINTER;
  *box = Self(iface)->contentBox;
  return S_OK;
}

const IXpsOMPageVtbl* PageTable() {
  static const IXpsOMPageVtbl table = [] {
    auto t = NotImplementedTable<IXpsOMPageVtbl>();
    SetUnknown(t);
    t.GetPageDimensions = reinterpret_cast<decltype(t.GetPageDimensions)>(&GetPageDimensions);
    t.GetBleedBox = reinterpret_cast<decltype(t.GetBleedBox)>(&GetBleedBox);
    t.GetContentBox = reinterpret_cast<decltype(t.GetContentBox)>(&GetContentBox);
    return t;
  }();
  return &table;
}

// The resources the filter gave the page, kind by kind, against those of the recorded page part.
void CompareResources(const Object& page, const Object* resources, const jobrecord::Part& part, Session& session) {
  const jobrecord::ResourceKind kinds[] = {jobrecord::ResourceKind::Font, jobrecord::ResourceKind::Image,
                                           jobrecord::ResourceKind::ColorProfile, jobrecord::ResourceKind::Dictionary};
  const char* const names[] = {"fonts", "images", "colour profiles", "resource dictionaries"};
  for (std::size_t k = 0; k < 4; ++k) {
    std::vector<const jobrecord::Resource*> expected;
    for (const jobrecord::Resource& r : part.resources)
      if (r.kind == kinds[k]) expected.push_back(&r);
    const std::vector<Object*> none;
    const std::vector<Object*>& given = resources != nullptr ? resources->items.at(k)->items : none;
    const std::string where = "page " + Narrow(page.name) + ": ";
    if (given.size() != expected.size()) {
      session.Problem(where + std::to_string(given.size()) + " " + names[k] + " reached the object model where the part has " +
                      std::to_string(expected.size()));
      continue;
    }
    for (std::size_t i = 0; i < given.size(); ++i) {
      if (Narrow(given[i]->name) != expected[i]->uri)
        session.Problem(where + "resource " + Narrow(given[i]->name) + " where the part has " + expected[i]->uri);
      else if (given[i]->content != expected[i]->content)
        session.Problem(where + "the object model got other bytes for " + expected[i]->uri);
    }
  }
}

// --- The factory ---------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE CreatePartResources(IXpsOMObjectFactory*, IXpsOMPartResources** out) {
  if (out == nullptr) return E_POINTER;
  return HandOut(MakePartResources(), out);
}

HRESULT STDMETHODCALLTYPE CreateFontResource(IXpsOMObjectFactory*, IStream* stream, XPS_FONT_EMBEDDING, IOpcPartUri* name,
                                             BOOL, IXpsOMFontResource** out) {
  return MakeResource<IXpsOMFontResourceVtbl>(stream, name, jobrecord::ResourceKind::Font, &IID_IXpsOMFontResource, out);
}

HRESULT STDMETHODCALLTYPE CreateImageResource(IXpsOMObjectFactory*, IStream* stream, XPS_IMAGE_TYPE, IOpcPartUri* name,
                                              IXpsOMImageResource** out) {
  return MakeResource<IXpsOMImageResourceVtbl>(stream, name, jobrecord::ResourceKind::Image, &IID_IXpsOMImageResource,
                                               out);
}

HRESULT STDMETHODCALLTYPE CreateColorProfileResource(IXpsOMObjectFactory*, IStream* stream, IOpcPartUri* name,
                                                     IXpsOMColorProfileResource** out) {
  return MakeResource<IXpsOMColorProfileResourceVtbl>(stream, name, jobrecord::ResourceKind::ColorProfile,
                                                      &IID_IXpsOMColorProfileResource, out);
}

HRESULT STDMETHODCALLTYPE CreateRemoteDictionaryResourceFromStream(IXpsOMObjectFactory*, IStream* stream,
                                                                   IOpcPartUri* name, IXpsOMPartResources*,
                                                                   IXpsOMRemoteDictionaryResource** out) {
  return MakeResource<IXpsOMRemoteDictionaryResourceVtbl>(stream, name, jobrecord::ResourceKind::Dictionary,
                                                          &IID_IXpsOMRemoteDictionaryResource, out);
}

HRESULT STDMETHODCALLTYPE CreatePageFromStream(IXpsOMObjectFactory*, IStream* stream, IOpcPartUri* name,
                                               IXpsOMPartResources* resources, BOOL, IXpsOMPage** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  Session& session = Current();
  const std::size_t index = session.pagesMade++;
  const jobrecord::Part* part = session.PagePart(index);
  if (part == nullptr || index >= session.Job().rasters.size()) {
    session.Problem("the object model was asked for page " + std::to_string(index + 1) +
                    ", more pages than the Linux build's filter rendered");
    return E_UNEXPECTED;
  }
  auto* page = new Object(PageTable(), Kind::Page, {&IID_IXpsOMPart, &IID_IXpsOMPage});
  page->index = index;
  page->name = PartName(name);
  const HRESULT hr = ReadAll(stream, page->content);
  if (FAILED(hr)) {
    page->Release();
    return hr;
  }
  if (Narrow(page->name) != part->uri)
    session.Problem("page " + std::to_string(index + 1) + " reached the object model as " + Narrow(page->name) +
                    " where the part is " + part->uri);
  if (page->content != part->content) session.Problem("page " + part->uri + ": the object model got other markup");
  CompareResources(*page, reinterpret_cast<Object*>(resources), *part, session);

  const jobrecord::Raster& raster = session.Job().rasters[index];
  page->size = {raster.size[0], raster.size[1]};
  page->bleedBox = {raster.bleedBox[0], raster.bleedBox[1], raster.bleedBox[2], raster.bleedBox[3]};
  page->contentBox = {raster.contentBox[0], raster.contentBox[1], raster.contentBox[2], raster.contentBox[3]};
  return HandOut(page, out);
}

const IXpsOMObjectFactoryVtbl* FactoryTable() {
  static const IXpsOMObjectFactoryVtbl table = [] {
    auto t = NotImplementedTable<IXpsOMObjectFactoryVtbl>();
    SetUnknown(t);
    t.CreatePartResources = &CreatePartResources;
    t.CreateFontResource = &CreateFontResource;
    t.CreateImageResource = &CreateImageResource;
    t.CreateColorProfileResource = &CreateColorProfileResource;
    t.CreateRemoteDictionaryResourceFromStream = &CreateRemoteDictionaryResourceFromStream;
    t.CreatePageFromStream = &CreatePageFromStream;
    return t;
  }();
  return &table;
}

}  // namespace

HRESULT CreateObjectModelFactory(REFIID iid, void** out) {
  auto* factory = new Object(FactoryTable(), Kind::Factory, {&IID_IXpsOMObjectFactory});
  const HRESULT hr = QueryInterface(factory, iid, out);
  factory->Release();
  return hr;
}

std::size_t ObjectModelPageIndex(void* page) {
  if (page == nullptr || Self(page)->lpVtbl != PageTable()) return SIZE_MAX;
  return Self(page)->index;
}

}  // namespace brimloft::replay
