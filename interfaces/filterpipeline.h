// The print filter pipeline's interfaces, with their true identifiers and method order, for the
// toolchains whose SDK headers do not carry them.
#ifndef BRIMLOFT_INTERFACES_FILTERPIPELINE_H
#define BRIMLOFT_INTERFACES_FILTERPIPELINE_H

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

DEFINE_GUID(IID_IPrintPipelineFilter, 0xcdb62fc0, 0x8bed, 0x434e, 0x86, 0xfb, 0xa2, 0xca, 0xe5, 0x5f, 0x19, 0xea);
DEFINE_GUID(IID_IInterFilterCommunicator, 0x4daf1e69, 0x81fd, 0x462d, 0x94, 0x0f, 0x8c, 0xd3, 0xdd, 0xf5, 0x6f, 0xca);
DEFINE_GUID(IID_IPrintPipelinePropertyBag, 0x8b8c99dc, 0x7892, 0x4a95, 0x8a, 0x04, 0x57, 0x42, 0x2e, 0x9f, 0xbb, 0x47);
DEFINE_GUID(IID_IPrintPipelineManagerControl, 0xaa3e4910, 0x5889, 0x4681, 0x91, 0xef, 0x82, 0x3a, 0xd4, 0xed, 0x4e, 0x44);
DEFINE_GUID(IID_IXpsDocumentProvider, 0xb8cf8530, 0x5562, 0x47c4, 0xab, 0x67, 0xb1, 0xf6, 0x9e, 0xcf, 0x96, 0x1e);
DEFINE_GUID(IID_IPrintWriteStream, 0x65bb7f1b, 0x371e, 0x4571, 0x8a, 0xc7, 0x91, 0x2f, 0x51, 0x0c, 0x1a, 0x38);
DEFINE_GUID(IID_IPrintReadStream, 0x4d47a67c, 0x66cc, 0x4430, 0x85, 0x0e, 0xda, 0xf4, 0x66, 0xfe, 0x5b, 0xc4);
DEFINE_GUID(IID_IPrintReadStreamFactory, 0xacb971e3, 0xdf8d, 0x4fc2, 0xbe, 0xe6, 0x06, 0x09, 0xd1, 0x5f, 0x3c, 0xf9);
DEFINE_GUID(IID_IPartBase, 0x36d51e28, 0x369e, 0x43ba, 0xa6, 0x66, 0x95, 0x40, 0xc6, 0x2c, 0x3f, 0x58);
DEFINE_GUID(IID_IFixedDocumentSequence, 0x8028d181, 0x2c32, 0x4249, 0x84, 0x93, 0x1b, 0xfb, 0x22, 0x04, 0x55, 0x74);
DEFINE_GUID(IID_IFixedDocument, 0xf222ca9f, 0x9968, 0x4db9, 0x81, 0xbd, 0xab, 0xae, 0xbf, 0x15, 0xf9, 0x3f);
DEFINE_GUID(IID_IFixedPage, 0x3d9f6448, 0x7e95, 0x4cb5, 0x94, 0xfb, 0x01, 0x80, 0xc2, 0x88, 0x3a, 0x57);
DEFINE_GUID(IID_IXpsPartIterator, 0x0021d3cd, 0xaf6f, 0x42ab, 0x99, 0x99, 0x14, 0xbc, 0x82, 0xa6, 0x2d, 0x2e);
DEFINE_GUID(IID_IPartFont, 0xe07fe0ab, 0x1124, 0x43d0, 0xa8, 0x65, 0xe8, 0xff, 0xb6, 0xa3, 0xea, 0x82);
DEFINE_GUID(IID_IPartFont2, 0x511e025f, 0xd6cb, 0x43be, 0xbf, 0x65, 0x63, 0xfe, 0x88, 0x51, 0x5a, 0x39);
DEFINE_GUID(IID_IPartImage, 0x725f2e3c, 0x401a, 0x4705, 0x9d, 0xe0, 0xfe, 0x6f, 0x13, 0x53, 0xb8, 0x7f);
DEFINE_GUID(IID_IPartColorProfile, 0x63cca95b, 0x7d18, 0x4762, 0xb1, 0x5e, 0x98, 0x65, 0x86, 0x93, 0xd2, 0x4a);
DEFINE_GUID(IID_IPartResourceDictionary, 0x16cfce6d, 0xe744, 0x4fb3, 0xb4, 0x74, 0xf1, 0xd5, 0x4f, 0x02, 0x4a, 0x01);
DEFINE_GUID(IID_IPartPrintTicket, 0x4a0f50f6, 0xf9a2, 0x41f0, 0x99, 0xe7, 0x5a, 0xe9, 0x55, 0xbe, 0x8e, 0x9e);
DEFINE_GUID(IID_IPartThumbnail, 0x027ed1c9, 0xba39, 0x4cc5, 0xaa, 0x55, 0x7e, 0xc3, 0xa0, 0xde, 0x17, 0x1a);
DEFINE_GUID(IID_IXpsDocument, 0xe8d907db, 0x62a9, 0x4a95, 0xab, 0xe7, 0xe0, 0x17, 0x63, 0xdd, 0x30, 0xf8);
DEFINE_GUID(IID_IImgErrorInfo, 0x2bce4ece, 0xd30e, 0x445a, 0x94, 0x23, 0x68, 0x29, 0xbe, 0x94, 0x5a, 0xd8);

// Enumerations are int-sized, as COM passes them; a caller may send a value beyond those listed.
typedef enum : int { Compression_NotCompressed = 0, Compression_Normal = 1, Compression_Small = 2, Compression_Fast = 3 } EXpsCompressionOptions;
typedef enum : int { Font_Normal = 0, Font_Obfusticate = 1 } EXpsFontOptions;
typedef enum : int { XpsJob_DocumentSequenceAdded = 0, XpsJob_FixedDocumentAdded = 1, XpsJob_FixedPageAdded = 2 } EXpsJobConsumption;
typedef enum : int {
  Xps_Restricted_Font_Installable = 0x0,
  Xps_Restricted_Font_NoEmbedding = 0x2,
  Xps_Restricted_Font_PreviewPrint = 0x4,
  Xps_Restricted_Font_Editable = 0x8
} EXpsFontRestriction;

#ifndef E_ELEMENT_NOT_FOUND
#define E_ELEMENT_NOT_FOUND HRESULT_FROM_WIN32(ERROR_NOT_FOUND)
#endif

// Only ever passed on; the filter never creates one.
struct IImgErrorInfo;

struct IPrintReadStream : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Seek(LONGLONG dlibMove, DWORD dwOrigin, ULONGLONG* plibNewPosition) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadBytes(void* pvBuffer, ULONG cbRequested, ULONG* pcbRead, BOOL* pbEndOfFile) = 0;
};

struct IPrintWriteStream : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE WriteBytes(const void* pvBuffer, ULONG cbBuffer, ULONG* pcbWritten) = 0;
  virtual void STDMETHODCALLTYPE Close() = 0;
};

struct IPrintReadStreamFactory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetStream(IPrintReadStream** ppStream) = 0;
};

struct IInterFilterCommunicator : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE RequestReader(void** ppIReader) = 0;
  virtual HRESULT STDMETHODCALLTYPE RequestWriter(void** ppIWriter) = 0;
};

struct IPrintPipelinePropertyBag : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddProperty(const wchar_t* pszName, const VARIANT* pVar) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperty(const wchar_t* pszName, VARIANT* pVar) = 0;
  virtual BOOL STDMETHODCALLTYPE DeleteProperty(const wchar_t* pszName) = 0;
};

struct IPrintPipelineManagerControl : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE RequestShutdown(HRESULT hrReason, IImgErrorInfo* pReason) = 0;
  virtual HRESULT STDMETHODCALLTYPE FilterFinished() = 0;
};

struct IPrintPipelineFilter : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE InitializeFilter(IInterFilterCommunicator* pINegotiation,
                                                     IPrintPipelinePropertyBag* pIPropertyBag,
                                                     IPrintPipelineManagerControl* pIPipelineControl) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShutdownOperation() = 0;
  virtual HRESULT STDMETHODCALLTYPE StartOperation() = 0;
};

struct IXpsDocumentProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetXpsPart(IUnknown** ppIXpsPart) = 0;
};

struct IPartBase : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStream(IPrintReadStream** ppStream) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPartCompression(EXpsCompressionOptions* pCompression) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPartCompression(EXpsCompressionOptions compression) = 0;
};

struct IPartPrintTicket : public IPartBase {};
struct IPartColorProfile : public IPartBase {};
struct IPartResourceDictionary : public IPartBase {};

struct IPartThumbnail : public IPartBase {
  virtual HRESULT STDMETHODCALLTYPE GetThumbnailProperties(BSTR* pContentType) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetThumbnailContent(const wchar_t* pContentType) = 0;
};

struct IPartImage : public IPartBase {
  virtual HRESULT STDMETHODCALLTYPE GetImageProperties(BSTR* pContentType) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetImageContent(const wchar_t* pContentType) = 0;
};

struct IPartFont : public IPartBase {
  virtual HRESULT STDMETHODCALLTYPE GetFontProperties(BSTR* pContentType, EXpsFontOptions* pFontOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFontContent(const wchar_t* pContentType) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFontOptions(EXpsFontOptions options) = 0;
};

struct IPartFont2 : public IPartFont {
  virtual HRESULT STDMETHODCALLTYPE GetFontRestriction(EXpsFontRestriction* pRestriction) = 0;
};

struct IXpsPartIterator : public IUnknown {
  virtual void STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Current(BSTR* pUri, IUnknown** ppXpsPart) = 0;
  virtual BOOL STDMETHODCALLTYPE IsDone() = 0;
  virtual void STDMETHODCALLTYPE Next() = 0;
};

struct IFixedPage : public IPartBase {
  virtual HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** ppPrintTicket) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPagePart(const wchar_t* uri, IUnknown** ppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWriteStream(IPrintWriteStream** ppWriteStream) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket* ppPrintTicket) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPagePart(IUnknown* pUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteResource(const wchar_t* uri) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetXpsPartIterator(IXpsPartIterator** pXpsPartIt) = 0;
};

struct IFixedDocument : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** ppPrintTicket) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket* pPrintTicket) = 0;
};

struct IFixedDocumentSequence : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** ppPrintTicket) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket* pPrintTicket) = 0;
};

struct IXpsDocument : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetThumbnail(IPartThumbnail** ppThumbnail) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetThumbnail(IPartThumbnail* pThumbnail) = 0;
};

#endif
