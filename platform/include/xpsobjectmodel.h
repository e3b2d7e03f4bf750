// The XPS Document API object model: the factory, the page and the part resources. Only what this
// code base calls is declared; names, identifiers, values and the relative order of the methods
// are those of the Windows SDK.
#ifndef BRIMLOFT_PLATFORM_XPSOBJECTMODEL_H
#define BRIMLOFT_PLATFORM_XPSOBJECTMODEL_H

#include <windows.h>
#include <objbase.h>
#include <msopc.h>

#ifndef FACILITY_XPS
#define FACILITY_XPS 82
#endif

#define XPS_E_INVALID_LANGUAGE MAKE_HRESULT(1, FACILITY_XPS, 0x0)
#define XPS_E_INVALID_NAME MAKE_HRESULT(1, FACILITY_XPS, 0x1)
#define XPS_E_INVALID_RESOURCE_KEY MAKE_HRESULT(1, FACILITY_XPS, 0x2)
#define XPS_E_INVALID_PAGE_SIZE MAKE_HRESULT(1, FACILITY_XPS, 0x3)
#define XPS_E_INVALID_BLEED_BOX MAKE_HRESULT(1, FACILITY_XPS, 0x4)
#define XPS_E_INVALID_THUMBNAIL_IMAGE_TYPE MAKE_HRESULT(1, FACILITY_XPS, 0x5)
#define XPS_E_INVALID_LOOKUP_TYPE MAKE_HRESULT(1, FACILITY_XPS, 0x6)
#define XPS_E_INVALID_FLOAT MAKE_HRESULT(1, FACILITY_XPS, 0x7)
#define XPS_E_UNEXPECTED_CONTENT_TYPE MAKE_HRESULT(1, FACILITY_XPS, 0x8)
#define XPS_E_INVALID_FONT_URI MAKE_HRESULT(1, FACILITY_XPS, 0xa)
#define XPS_E_INVALID_CONTENT_BOX MAKE_HRESULT(1, FACILITY_XPS, 0xb)
#define XPS_E_INVALID_MARKUP MAKE_HRESULT(1, FACILITY_XPS, 0xc)
#define XPS_E_INVALID_XML_ENCODING MAKE_HRESULT(1, FACILITY_XPS, 0xd)
#define XPS_E_INVALID_CONTENT_TYPE MAKE_HRESULT(1, FACILITY_XPS, 0xe)
#define XPS_E_INVALID_OBFUSCATED_FONT_URI MAKE_HRESULT(1, FACILITY_XPS, 0xf)
#define XPS_E_UNEXPECTED_RELATIONSHIP_TYPE MAKE_HRESULT(1, FACILITY_XPS, 0x10)
#define XPS_E_UNEXPECTED_RESTRICTED_FONT_RELATIONSHIP MAKE_HRESULT(1, FACILITY_XPS, 0x11)
#define XPS_E_MISSING_NAME MAKE_HRESULT(1, FACILITY_XPS, 0x100)
#define XPS_E_MISSING_LOOKUP MAKE_HRESULT(1, FACILITY_XPS, 0x101)
#define XPS_E_MISSING_GLYPHS MAKE_HRESULT(1, FACILITY_XPS, 0x102)
#define XPS_E_MISSING_SEGMENT_DATA MAKE_HRESULT(1, FACILITY_XPS, 0x103)
#define XPS_E_MISSING_COLORPROFILE MAKE_HRESULT(1, FACILITY_XPS, 0x104)
#define XPS_E_MISSING_RELATIONSHIP_TARGET MAKE_HRESULT(1, FACILITY_XPS, 0x105)
#define XPS_E_MISSING_RESOURCE_RELATIONSHIP MAKE_HRESULT(1, FACILITY_XPS, 0x106)
#define XPS_E_MISSING_FONTURI MAKE_HRESULT(1, FACILITY_XPS, 0x107)
#define XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP MAKE_HRESULT(1, FACILITY_XPS, 0x108)
#define XPS_E_MISSING_DOCUMENT MAKE_HRESULT(1, FACILITY_XPS, 0x109)
#define XPS_E_MISSING_REFERRED_DOCUMENT MAKE_HRESULT(1, FACILITY_XPS, 0x10a)
#define XPS_E_MISSING_REFERRED_PAGE MAKE_HRESULT(1, FACILITY_XPS, 0x10b)
#define XPS_E_MISSING_PAGE_IN_DOCUMENT MAKE_HRESULT(1, FACILITY_XPS, 0x10c)
#define XPS_E_MISSING_PAGE_IN_PAGEREFERENCE MAKE_HRESULT(1, FACILITY_XPS, 0x10d)
#define XPS_E_MISSING_IMAGE_IN_IMAGEBRUSH MAKE_HRESULT(1, FACILITY_XPS, 0x10e)
#define XPS_E_MISSING_RESOURCE_KEY MAKE_HRESULT(1, FACILITY_XPS, 0x10f)
#define XPS_E_MISSING_PART_REFERENCE MAKE_HRESULT(1, FACILITY_XPS, 0x110)
#define XPS_E_MISSING_RESTRICTED_FONT_RELATIONSHIP MAKE_HRESULT(1, FACILITY_XPS, 0x111)
#define XPS_E_MISSING_DISCARDCONTROL MAKE_HRESULT(1, FACILITY_XPS, 0x112)
#define XPS_E_MISSING_PART_STREAM MAKE_HRESULT(1, FACILITY_XPS, 0x113)
#define XPS_E_UNAVAILABLE_PACKAGE MAKE_HRESULT(1, FACILITY_XPS, 0x114)
#define XPS_E_DUPLICATE_RESOURCE_KEYS MAKE_HRESULT(1, FACILITY_XPS, 0x200)
#define XPS_E_MULTIPLE_RESOURCES MAKE_HRESULT(1, FACILITY_XPS, 0x201)
#define XPS_E_MULTIPLE_DOCUMENTSEQUENCE_RELATIONSHIPS MAKE_HRESULT(1, FACILITY_XPS, 0x202)
#define XPS_E_MULTIPLE_THUMBNAILS_ON_PAGE MAKE_HRESULT(1, FACILITY_XPS, 0x203)
#define XPS_E_MULTIPLE_THUMBNAILS_ON_PACKAGE MAKE_HRESULT(1, FACILITY_XPS, 0x204)
#define XPS_E_MULTIPLE_PRINTTICKETS_ON_PAGE MAKE_HRESULT(1, FACILITY_XPS, 0x205)
#define XPS_E_MULTIPLE_PRINTTICKETS_ON_DOCUMENT MAKE_HRESULT(1, FACILITY_XPS, 0x206)
#define XPS_E_MULTIPLE_PRINTTICKETS_ON_DOCUMENTSEQUENCE MAKE_HRESULT(1, FACILITY_XPS, 0x207)
#define XPS_E_MULTIPLE_REFERENCES_TO_PART MAKE_HRESULT(1, FACILITY_XPS, 0x208)
#define XPS_E_DUPLICATE_NAMES MAKE_HRESULT(1, FACILITY_XPS, 0x209)
#define XPS_E_STRING_TOO_LONG MAKE_HRESULT(1, FACILITY_XPS, 0x300)
#define XPS_E_TOO_MANY_INDICES MAKE_HRESULT(1, FACILITY_XPS, 0x301)
#define XPS_E_MAPPING_OUT_OF_ORDER MAKE_HRESULT(1, FACILITY_XPS, 0x302)
#define XPS_E_MAPPING_OUTSIDE_STRING MAKE_HRESULT(1, FACILITY_XPS, 0x303)
#define XPS_E_MAPPING_OUTSIDE_INDICES MAKE_HRESULT(1, FACILITY_XPS, 0x304)
#define XPS_E_CARET_OUTSIDE_STRING MAKE_HRESULT(1, FACILITY_XPS, 0x305)
#define XPS_E_CARET_OUT_OF_ORDER MAKE_HRESULT(1, FACILITY_XPS, 0x306)
#define XPS_E_ODD_BIDILEVEL MAKE_HRESULT(1, FACILITY_XPS, 0x307)
#define XPS_E_ONE_TO_ONE_MAPPING_EXPECTED MAKE_HRESULT(1, FACILITY_XPS, 0x308)
#define XPS_E_RESTRICTED_FONT_NOT_OBFUSCATED MAKE_HRESULT(1, FACILITY_XPS, 0x309)
#define XPS_E_NEGATIVE_FLOAT MAKE_HRESULT(1, FACILITY_XPS, 0x30a)
#define XPS_E_XKEY_ATTR_PRESENT_OUTSIDE_RES_DICT MAKE_HRESULT(1, FACILITY_XPS, 0x400)
#define XPS_E_DICTIONARY_ITEM_NAMED MAKE_HRESULT(1, FACILITY_XPS, 0x401)
#define XPS_E_NESTED_REMOTE_DICTIONARY MAKE_HRESULT(1, FACILITY_XPS, 0x402)
#define XPS_E_INDEX_OUT_OF_RANGE MAKE_HRESULT(1, FACILITY_XPS, 0x500)
#define XPS_E_VISUAL_CIRCULAR_REF MAKE_HRESULT(1, FACILITY_XPS, 0x501)
#define XPS_E_NO_CUSTOM_OBJECTS MAKE_HRESULT(1, FACILITY_XPS, 0x502)
#define XPS_E_ALREADY_OWNED MAKE_HRESULT(1, FACILITY_XPS, 0x503)
#define XPS_E_RESOURCE_NOT_OWNED MAKE_HRESULT(1, FACILITY_XPS, 0x504)
#define XPS_E_UNEXPECTED_COLORPROFILE MAKE_HRESULT(1, FACILITY_XPS, 0x505)
#define XPS_E_COLOR_COMPONENT_OUT_OF_RANGE MAKE_HRESULT(1, FACILITY_XPS, 0x506)
#define XPS_E_BOTH_PATHFIGURE_AND_ABBR_SYNTAX_PRESENT MAKE_HRESULT(1, FACILITY_XPS, 0x507)
#define XPS_E_BOTH_RESOURCE_AND_SOURCEATTR_PRESENT MAKE_HRESULT(1, FACILITY_XPS, 0x508)
#define XPS_E_BLEED_BOX_PAGE_DIMENSIONS_NOT_IN_SYNC MAKE_HRESULT(1, FACILITY_XPS, 0x509)
#define XPS_E_RELATIONSHIP_EXTERNAL MAKE_HRESULT(1, FACILITY_XPS, 0x50a)
#define XPS_E_NOT_ENOUGH_GRADIENT_STOPS MAKE_HRESULT(1, FACILITY_XPS, 0x50b)
#define XPS_E_PACKAGE_WRITER_NOT_CLOSED MAKE_HRESULT(1, FACILITY_XPS, 0x50c)

typedef enum : int {
  XPS_FONT_EMBEDDING_NORMAL = 1,
  XPS_FONT_EMBEDDING_OBFUSCATED = 2,
  XPS_FONT_EMBEDDING_RESTRICTED = 3,
  XPS_FONT_EMBEDDING_RESTRICTED_UNOBFUSCATED = 4
} XPS_FONT_EMBEDDING;

typedef enum : int {
  XPS_IMAGE_TYPE_JPEG = 1,
  XPS_IMAGE_TYPE_PNG = 2,
  XPS_IMAGE_TYPE_TIFF = 3,
  XPS_IMAGE_TYPE_WDP = 4,
  XPS_IMAGE_TYPE_JXR = 5
} XPS_IMAGE_TYPE;

// Lengths in 1/96 inch.
typedef struct {
  FLOAT x;
  FLOAT y;
  FLOAT width;
  FLOAT height;
} XPS_RECT;

typedef struct {
  FLOAT width;
  FLOAT height;
} XPS_SIZE;

DEFINE_GUID(IID_IXpsOMPart, 0x74eb2f0b, 0xa91e, 0x4486, 0xaf, 0xac, 0x0f, 0xab, 0xec, 0xa3, 0xdf, 0xc6);
DEFINE_GUID(IID_IXpsOMResource, 0xda2ac0a2, 0x73a2, 0x4975, 0xad, 0x14, 0x74, 0x09, 0x7c, 0x3f, 0xf3, 0xa5);
DEFINE_GUID(IID_IXpsOMFontResource, 0xa8c45708, 0x47d9, 0x4af4, 0x8d, 0x20, 0x33, 0xb4, 0x8c, 0x9b, 0x84, 0x85);
DEFINE_GUID(IID_IXpsOMImageResource, 0x3db8417d, 0xae50, 0x485e, 0x9a, 0x44, 0xd7, 0x75, 0x8f, 0x78, 0xa2, 0x3f);
DEFINE_GUID(IID_IXpsOMColorProfileResource, 0x67bd7d69, 0x1eef, 0x4bb1, 0xb5, 0xe7, 0x6f, 0x4f, 0x87, 0xbe, 0x8a, 0xbe);
DEFINE_GUID(IID_IXpsOMRemoteDictionaryResource, 0xc9bd7cd4, 0xe16a, 0x4bf8, 0x8c, 0x84, 0xc9, 0x50, 0xaf, 0x7a, 0x30, 0x61);
DEFINE_GUID(IID_IXpsOMFontResourceCollection, 0x70b4a6bb, 0x88d4, 0x4fa8, 0xaa, 0xf9, 0x6d, 0x9c, 0x59, 0x6f, 0xdb, 0xad);
DEFINE_GUID(IID_IXpsOMImageResourceCollection, 0x7a4a1a71, 0x9cde, 0x4b71, 0xb3, 0x3f, 0x62, 0xde, 0x84, 0x3e, 0xab, 0xfe);
DEFINE_GUID(IID_IXpsOMColorProfileResourceCollection, 0x12759630, 0x5fba, 0x4283, 0x8f, 0x7d, 0xcc, 0xa8, 0x49, 0x80, 0x9e, 0xdb);
DEFINE_GUID(IID_IXpsOMRemoteDictionaryResourceCollection, 0x5c38db61, 0x7fec, 0x464a, 0x87, 0xbd, 0x41, 0xe3, 0xbe, 0xf0, 0x18, 0xbe);
DEFINE_GUID(IID_IXpsOMPartResources, 0xf4cf7729, 0x4864, 0x4275, 0x99, 0xb3, 0xa8, 0x71, 0x71, 0x63, 0xec, 0xaf);
DEFINE_GUID(IID_IXpsOMPage, 0xd3e18888, 0xf120, 0x4fee, 0x8c, 0x68, 0x35, 0x29, 0x6e, 0xae, 0x91, 0xd4);
DEFINE_GUID(IID_IXpsOMObjectFactory, 0xf9b2a685, 0xa50d, 0x4fc2, 0xb7, 0x64, 0xb5, 0x6e, 0x09, 0x3e, 0xa0, 0xca);
DEFINE_GUID(CLSID_XpsOMObjectFactory, 0xe974d26d, 0x3d9b, 0x4d47, 0x88, 0xcc, 0x38, 0x72, 0xf2, 0xdc, 0x35, 0x85);

struct IXpsOMPart : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPartName(IOpcPartUri** partUri) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPartName(IOpcPartUri* partUri) = 0;

 protected:
  ~IXpsOMPart() = default;
};

struct IXpsOMResource : public IXpsOMPart {
 protected:
  ~IXpsOMResource() = default;
};

// The resource objects hand out a new reference to the stream they acquired at creation; its
// position is not reset.
struct IXpsOMFontResource : public IXpsOMResource {
  virtual HRESULT STDMETHODCALLTYPE GetStream(IStream** readerStream) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEmbeddingOption(XPS_FONT_EMBEDDING* embeddingOption) = 0;

 protected:
  ~IXpsOMFontResource() = default;
};

struct IXpsOMImageResource : public IXpsOMResource {
  virtual HRESULT STDMETHODCALLTYPE GetStream(IStream** readerStream) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetImageType(XPS_IMAGE_TYPE* imageType) = 0;

 protected:
  ~IXpsOMImageResource() = default;
};

struct IXpsOMColorProfileResource : public IXpsOMResource {
  virtual HRESULT STDMETHODCALLTYPE GetStream(IStream** stream) = 0;

 protected:
  ~IXpsOMColorProfileResource() = default;
};

// The dictionary's object form is not offered; the resource keeps the markup it was made from.
struct IXpsOMRemoteDictionaryResource : public IXpsOMResource {
 protected:
  ~IXpsOMRemoteDictionaryResource() = default;
};

// The four resource collections. GetAt fails with XPS_E_INDEX_OUT_OF_RANGE past the end;
// GetByPartName yields null when no resource bears the name.
#define BRIMLOFT_XPSOM_COLLECTION(Collection, Item)                                                 \
  struct Collection : public IUnknown {                                                             \
    virtual HRESULT STDMETHODCALLTYPE GetCount(UINT32* count) = 0;                                  \
    virtual HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, Item** object) = 0;                       \
    virtual HRESULT STDMETHODCALLTYPE InsertAt(UINT32 index, Item* object) = 0;                     \
    virtual HRESULT STDMETHODCALLTYPE RemoveAt(UINT32 index) = 0;                                   \
    virtual HRESULT STDMETHODCALLTYPE SetAt(UINT32 index, Item* object) = 0;                        \
    virtual HRESULT STDMETHODCALLTYPE Append(Item* object) = 0;                                     \
    virtual HRESULT STDMETHODCALLTYPE GetByPartName(IOpcPartUri* partName, Item** part) = 0;        \
                                                                                                    \
   protected:                                                                                       \
    ~Collection() = default;                                                                        \
  }

BRIMLOFT_XPSOM_COLLECTION(IXpsOMFontResourceCollection, IXpsOMFontResource);
BRIMLOFT_XPSOM_COLLECTION(IXpsOMImageResourceCollection, IXpsOMImageResource);
BRIMLOFT_XPSOM_COLLECTION(IXpsOMColorProfileResourceCollection, IXpsOMColorProfileResource);
BRIMLOFT_XPSOM_COLLECTION(IXpsOMRemoteDictionaryResourceCollection, IXpsOMRemoteDictionaryResource);
#undef BRIMLOFT_XPSOM_COLLECTION

struct IXpsOMPartResources : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetFontResources(IXpsOMFontResourceCollection** fontResources) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetImageResources(IXpsOMImageResourceCollection** imageResources) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColorProfileResources(
      IXpsOMColorProfileResourceCollection** colorProfileResources) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRemoteDictionaryResources(
      IXpsOMRemoteDictionaryResourceCollection** dictionaryResources) = 0;

 protected:
  ~IXpsOMPartResources() = default;
};

// A fixed page. Sizes and boxes are in 1/96 inch.
struct IXpsOMPage : public IXpsOMPart {
  virtual HRESULT STDMETHODCALLTYPE GetPageDimensions(XPS_SIZE* pageDimensions) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetContentBox(XPS_RECT* contentBox) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBleedBox(XPS_RECT* bleedBox) = 0;

 protected:
  ~IXpsOMPage() = default;
};

struct IXpsOMObjectFactory : public IUnknown {
  // Parses dictionary markup (a ResourceDictionary element); the resource acquires the stream.
  virtual HRESULT STDMETHODCALLTYPE CreateRemoteDictionaryResourceFromStream(
      IStream* dictionaryMarkupStream, IOpcPartUri* dictionaryPartUri, IXpsOMPartResources* resources,
      IXpsOMRemoteDictionaryResource** dictionaryResource) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatePartResources(IXpsOMPartResources** partResources) = 0;
  // Parses FixedPage markup from the stream's current position to its end. The page keeps the
  // resources, against which its markup is rendered.
  virtual HRESULT STDMETHODCALLTYPE CreatePageFromStream(IStream* pageMarkupStream, IOpcPartUri* partUri,
                                                         IXpsOMPartResources* resources, BOOL reuseObjects,
                                                         IXpsOMPage** page) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateColorProfileResource(
      IStream* acquiredStream, IOpcPartUri* partUri, IXpsOMColorProfileResource** colorProfileResource) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateImageResource(IStream* acquiredStream, XPS_IMAGE_TYPE contentType,
                                                        IOpcPartUri* partUri,
                                                        IXpsOMImageResource** imageResource) = 0;
  // isObfSourceStream says whether the stream holds the font obfuscated (as the part is stored).
  virtual HRESULT STDMETHODCALLTYPE CreateFontResource(IStream* acquiredStream, XPS_FONT_EMBEDDING fontEmbedding,
                                                       IOpcPartUri* partUri, BOOL isObfSourceStream,
                                                       IXpsOMFontResource** fontResource) = 0;

 protected:
  ~IXpsOMObjectFactory() = default;
};

#endif
