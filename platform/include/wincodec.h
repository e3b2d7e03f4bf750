// The imaging component: in-memory bitmaps, the flip-rotator, the scaler and the pixel-format
// converter, behind the interfaces and identifiers of the Windows headers. The imaging factory keeps
// every slot of the Windows interface; the decoder, encoder, stream and metadata slots answer
// E_NOTIMPL here.
#ifndef BRIMLOFT_PLATFORM_WINCODEC_H
#define BRIMLOFT_PLATFORM_WINCODEC_H

#include <windows.h>
#include <objbase.h>

// Failure codes of the imaging component (facility 0x898).
#ifndef WINCODEC_ERR_GENERIC_ERROR
#define WINCODEC_ERR_GENERIC_ERROR E_FAIL
#define WINCODEC_ERR_INVALIDPARAMETER E_INVALIDARG
#define WINCODEC_ERR_OUTOFMEMORY E_OUTOFMEMORY
#define WINCODEC_ERR_NOTIMPLEMENTED E_NOTIMPL
#define WINCODEC_ERR_ABORTED E_ABORT
#define WINCODEC_ERR_ACCESSDENIED E_ACCESSDENIED
#define WINCODEC_ERR_WRONGSTATE _HRESULT_TYPEDEF_(0x88982f04)
#define WINCODEC_ERR_VALUEOUTOFRANGE _HRESULT_TYPEDEF_(0x88982f05)
#define WINCODEC_ERR_UNKNOWNIMAGEFORMAT _HRESULT_TYPEDEF_(0x88982f07)
#define WINCODEC_ERR_UNSUPPORTEDVERSION _HRESULT_TYPEDEF_(0x88982f0b)
#define WINCODEC_ERR_NOTINITIALIZED _HRESULT_TYPEDEF_(0x88982f0c)
#define WINCODEC_ERR_ALREADYLOCKED _HRESULT_TYPEDEF_(0x88982f0d)
#define WINCODEC_ERR_PALETTEUNAVAILABLE _HRESULT_TYPEDEF_(0x88982f45)
#define WINCODEC_ERR_INTERNALERROR _HRESULT_TYPEDEF_(0x88982f48)
#define WINCODEC_ERR_SOURCERECTDOESNOTMATCHDIMENSIONS _HRESULT_TYPEDEF_(0x88982f49)
#define WINCODEC_ERR_COMPONENTNOTFOUND _HRESULT_TYPEDEF_(0x88982f50)
#define WINCODEC_ERR_IMAGESIZEOUTOFRANGE _HRESULT_TYPEDEF_(0x88982f51)
#define WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT _HRESULT_TYPEDEF_(0x88982f80)
#define WINCODEC_ERR_UNSUPPORTEDOPERATION _HRESULT_TYPEDEF_(0x88982f81)
#define WINCODEC_ERR_COMPONENTINITIALIZEFAILURE _HRESULT_TYPEDEF_(0x88982f8b)
#define WINCODEC_ERR_INSUFFICIENTBUFFER _HRESULT_TYPEDEF_(0x88982f8c)
#define WINCODEC_ERR_WIN32ERROR _HRESULT_TYPEDEF_(0x88982f94)
#endif

#define WINCODEC_SDK_VERSION 0x0236

typedef enum WICDecodeOptions : int {
  WICDecodeMetadataCacheOnDemand = 0x0,
  WICDecodeMetadataCacheOnLoad = 0x1,
  WICMETADATACACHEOPTION_FORCE_DWORD = 0x7fffffff
} WICDecodeOptions;

typedef enum WICBitmapCreateCacheOption : int {
  WICBitmapNoCache = 0x0,
  WICBitmapCacheOnDemand = 0x1,
  WICBitmapCacheOnLoad = 0x2,
  WICBITMAPCREATECACHEOPTION_FORCE_DWORD = 0x7fffffff
} WICBitmapCreateCacheOption;

typedef enum WICBitmapAlphaChannelOption : int {
  WICBitmapUseAlpha = 0x0,
  WICBitmapUsePremultipliedAlpha = 0x1,
  WICBitmapIgnoreAlpha = 0x2,
  WICBITMAPALPHACHANNELOPTIONS_FORCE_DWORD = 0x7fffffff
} WICBitmapAlphaChannelOption;

typedef enum WICBitmapDitherType : int {
  WICBitmapDitherTypeNone = 0x0,
  WICBitmapDitherTypeSolid = 0x0,
  WICBitmapDitherTypeOrdered4x4 = 0x1,
  WICBitmapDitherTypeOrdered8x8 = 0x2,
  WICBitmapDitherTypeOrdered16x16 = 0x3,
  WICBitmapDitherTypeSpiral4x4 = 0x4,
  WICBitmapDitherTypeSpiral8x8 = 0x5,
  WICBitmapDitherTypeDualSpiral4x4 = 0x6,
  WICBitmapDitherTypeDualSpiral8x8 = 0x7,
  WICBitmapDitherTypeErrorDiffusion = 0x8,
  WICBITMAPDITHERTYPE_FORCE_DWORD = 0x7fffffff
} WICBitmapDitherType;

typedef enum WICBitmapInterpolationMode : int {
  WICBitmapInterpolationModeNearestNeighbor = 0x0,
  WICBitmapInterpolationModeLinear = 0x1,
  WICBitmapInterpolationModeCubic = 0x2,
  WICBitmapInterpolationModeFant = 0x3,
  WICBITMAPINTERPOLATIONMODE_FORCE_DWORD = 0x7fffffff
} WICBitmapInterpolationMode;

typedef enum WICBitmapLockFlags : int {
  WICBitmapLockRead = 0x1,
  WICBitmapLockWrite = 0x2,
  WICBITMAPLOCKFLAGS_FORCE_DWORD = 0x7fffffff
} WICBitmapLockFlags;

typedef enum WICBitmapPaletteType : int {
  WICBitmapPaletteTypeCustom = 0x0,
  WICBitmapPaletteTypeMedianCut = 0x1,
  WICBitmapPaletteTypeFixedBW = 0x2,
  WICBitmapPaletteTypeFixedHalftone8 = 0x3,
  WICBitmapPaletteTypeFixedHalftone27 = 0x4,
  WICBitmapPaletteTypeFixedHalftone64 = 0x5,
  WICBitmapPaletteTypeFixedHalftone125 = 0x6,
  WICBitmapPaletteTypeFixedHalftone216 = 0x7,
  WICBitmapPaletteTypeFixedWebPalette = WICBitmapPaletteTypeFixedHalftone216,
  WICBitmapPaletteTypeFixedHalftone252 = 0x8,
  WICBitmapPaletteTypeFixedHalftone256 = 0x9,
  WICBitmapPaletteTypeFixedGray4 = 0xa,
  WICBitmapPaletteTypeFixedGray16 = 0xb,
  WICBitmapPaletteTypeFixedGray256 = 0xc,
  WICBITMAPPALETTETYPE_FORCE_DWORD = 0x7fffffff
} WICBitmapPaletteType;

typedef enum WICBitmapTransformOptions : int {
  WICBitmapTransformRotate0 = 0x0,
  WICBitmapTransformRotate90 = 0x1,
  WICBitmapTransformRotate180 = 0x2,
  WICBitmapTransformRotate270 = 0x3,
  WICBitmapTransformFlipHorizontal = 0x8,
  WICBitmapTransformFlipVertical = 0x10,
  WICBITMAPTRANSFORMOPTIONS_FORCE_DWORD = 0x7fffffff
} WICBitmapTransformOptions;

typedef GUID WICPixelFormatGUID;
typedef REFGUID REFWICPixelFormatGUID;
typedef UINT WICColor;  // UINT32 on Windows: the same 32-bit unsigned type

typedef struct WICRect {
  INT X;
  INT Y;
  INT Width;
  INT Height;
} WICRect;

// The standard pixel formats: the family 6FDDC324-4E03-4BFE-B185-3D77768DC9xx and the few outside it.
DEFINE_GUID(GUID_WICPixelFormatDontCare, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x00);
#define GUID_WICPixelFormatUndefined GUID_WICPixelFormatDontCare
DEFINE_GUID(GUID_WICPixelFormat1bppIndexed, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x01);
DEFINE_GUID(GUID_WICPixelFormat2bppIndexed, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x02);
DEFINE_GUID(GUID_WICPixelFormat4bppIndexed, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x03);
DEFINE_GUID(GUID_WICPixelFormat8bppIndexed, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x04);
DEFINE_GUID(GUID_WICPixelFormatBlackWhite, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x05);
DEFINE_GUID(GUID_WICPixelFormat2bppGray, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x06);
DEFINE_GUID(GUID_WICPixelFormat4bppGray, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x07);
DEFINE_GUID(GUID_WICPixelFormat8bppGray, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x08);
DEFINE_GUID(GUID_WICPixelFormat16bppBGR555, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x09);
DEFINE_GUID(GUID_WICPixelFormat16bppBGR565, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0a);
DEFINE_GUID(GUID_WICPixelFormat16bppGray, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0b);
DEFINE_GUID(GUID_WICPixelFormat24bppBGR, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c);
DEFINE_GUID(GUID_WICPixelFormat24bppRGB, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0d);
DEFINE_GUID(GUID_WICPixelFormat32bppBGR, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0e);
DEFINE_GUID(GUID_WICPixelFormat32bppBGRA, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f);
DEFINE_GUID(GUID_WICPixelFormat32bppPBGRA, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x10);
DEFINE_GUID(GUID_WICPixelFormat32bppGrayFloat, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x11);
DEFINE_GUID(GUID_WICPixelFormat48bppRGBFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x12);
DEFINE_GUID(GUID_WICPixelFormat16bppGrayFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x13);
DEFINE_GUID(GUID_WICPixelFormat32bppBGR101010, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x14);
DEFINE_GUID(GUID_WICPixelFormat48bppRGB, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x15);
DEFINE_GUID(GUID_WICPixelFormat64bppRGBA, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x16);
DEFINE_GUID(GUID_WICPixelFormat64bppPRGBA, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x17);
DEFINE_GUID(GUID_WICPixelFormat96bppRGBFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x18);
DEFINE_GUID(GUID_WICPixelFormat128bppRGBAFloat, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x19);
DEFINE_GUID(GUID_WICPixelFormat128bppPRGBAFloat, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x1a);
DEFINE_GUID(GUID_WICPixelFormat128bppRGBFloat, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x1b);
DEFINE_GUID(GUID_WICPixelFormat32bppCMYK, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x1c);
DEFINE_GUID(GUID_WICPixelFormat32bppRGB, 0xd98c6b95, 0x3efe, 0x47d6, 0xbb, 0x25, 0xeb, 0x17, 0x48, 0xab, 0x0c, 0xf1);
DEFINE_GUID(GUID_WICPixelFormat32bppRGBA, 0xf5c7ad2d, 0x6a8d, 0x43dd, 0xa7, 0xa8, 0xa2, 0x99, 0x35, 0x26, 0x1a, 0xe9);
DEFINE_GUID(GUID_WICPixelFormat32bppPRGBA, 0x3cc4a650, 0xa527, 0x4d37, 0xa9, 0x16, 0x31, 0x42, 0xc7, 0xeb, 0xed, 0xba);

// Interface and class identifiers.
DEFINE_GUID(IID_IWICBitmapSource, 0x00000120, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
DEFINE_GUID(IID_IWICBitmapLock, 0x00000123, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
DEFINE_GUID(IID_IWICBitmapFlipRotator, 0x5009834f, 0x2d6a, 0x41ce, 0x9e, 0x1b, 0x17, 0xc5, 0xaf, 0xf7, 0xa7, 0x82);
DEFINE_GUID(IID_IWICBitmap, 0x00000121, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
DEFINE_GUID(IID_IWICPalette, 0x00000040, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
DEFINE_GUID(IID_IWICFormatConverter, 0x00000301, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
DEFINE_GUID(IID_IWICBitmapScaler, 0x00000302, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
DEFINE_GUID(IID_IWICImagingFactory, 0xec5ec8a9, 0xc395, 0x4314, 0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70);
DEFINE_GUID(CLSID_WICImagingFactory, 0xcacaf262, 0x9370, 0x4615, 0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a);
DEFINE_GUID(CLSID_WICImagingFactory1, 0xcacaf262, 0x9370, 0x4615, 0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a);

// Handles and interfaces named by the imaging factory's unused slots.
typedef HANDLE HBITMAP;
typedef HANDLE HPALETTE;
typedef HANDLE HICON;
struct IEnumUnknown;
struct IWICBitmapDecoder;
struct IWICBitmapEncoder;
struct IWICBitmapClipper;
struct IWICBitmapFrameDecode;
struct IWICColorContext;
struct IWICColorTransform;
struct IWICComponentInfo;
struct IWICFastMetadataEncoder;
struct IWICMetadataQueryReader;
struct IWICMetadataQueryWriter;
struct IWICStream;
struct IWICPalette;

struct IWICBitmapSource : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSize(UINT* puiWidth, UINT* puiHeight) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* pPixelFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetResolution(double* pDpiX, double* pDpiY) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* pIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* prc, UINT cbStride, UINT cbBufferSize,
                                               BYTE* pbBuffer) = 0;

 protected:
  ~IWICBitmapSource() = default;
};

struct IWICBitmapLock : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSize(UINT* pWidth, UINT* pHeight) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStride(UINT* pcbStride) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDataPointer(UINT* pcbBufferSize, BYTE** ppbData) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* pPixelFormat) = 0;

 protected:
  ~IWICBitmapLock() = default;
};

struct IWICBitmap : public IWICBitmapSource {
  virtual HRESULT STDMETHODCALLTYPE Lock(const WICRect* prcLock, DWORD flags, IWICBitmapLock** ppILock) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* pIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetResolution(double dpiX, double dpiY) = 0;

 protected:
  ~IWICBitmap() = default;
};

struct IWICBitmapFlipRotator : public IWICBitmapSource {
  virtual HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource* pISource, WICBitmapTransformOptions options) = 0;

 protected:
  ~IWICBitmapFlipRotator() = default;
};

struct IWICBitmapScaler : public IWICBitmapSource {
  virtual HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource* pISource, UINT uiWidth, UINT uiHeight,
                                               WICBitmapInterpolationMode mode) = 0;

 protected:
  ~IWICBitmapScaler() = default;
};

struct IWICFormatConverter : public IWICBitmapSource {
  virtual HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource* pISource, REFWICPixelFormatGUID dstFormat,
                                               WICBitmapDitherType dither, IWICPalette* pIPalette,
                                               double alphaThresholdPercent,
                                               WICBitmapPaletteType paletteTranslate) = 0;
  virtual HRESULT STDMETHODCALLTYPE CanConvert(REFWICPixelFormatGUID srcPixelFormat,
                                               REFWICPixelFormatGUID dstPixelFormat, BOOL* pfCanConvert) = 0;

 protected:
  ~IWICFormatConverter() = default;
};

struct IWICPalette : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE InitializePredefined(WICBitmapPaletteType ePaletteType,
                                                         BOOL fAddTransparentColor) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeCustom(WICColor* pColors, UINT colorCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeFromBitmap(IWICBitmapSource* pISurface, UINT colorCount,
                                                         BOOL fAddTransparentColor) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeFromPalette(IWICPalette* pIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetType(WICBitmapPaletteType* pePaletteType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColorCount(UINT* pcCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColors(UINT colorCount, WICColor* pColors, UINT* pcActualColors) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsBlackWhite(BOOL* pfIsBlackWhite) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsGrayscale(BOOL* pfIsGrayscale) = 0;
  virtual HRESULT STDMETHODCALLTYPE HasAlpha(BOOL* pfHasAlpha) = 0;

 protected:
  ~IWICPalette() = default;
};

struct IWICImagingFactory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateDecoderFromFilename(LPCWSTR wzFilename, const GUID* pguidVendor,
                                                              DWORD dwDesiredAccess,
                                                              WICDecodeOptions metadataOptions,
                                                              IWICBitmapDecoder** ppIDecoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDecoderFromStream(IStream* pIStream, const GUID* pguidVendor,
                                                            WICDecodeOptions metadataOptions,
                                                            IWICBitmapDecoder** ppIDecoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDecoderFromFileHandle(ULONG_PTR hFile, const GUID* pguidVendor,
                                                                WICDecodeOptions metadataOptions,
                                                                IWICBitmapDecoder** ppIDecoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateComponentInfo(REFCLSID clsidComponent,
                                                        IWICComponentInfo** ppIInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDecoder(REFGUID guidContainerFormat, const GUID* pguidVendor,
                                                  IWICBitmapDecoder** ppIDecoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateEncoder(REFGUID guidContainerFormat, const GUID* pguidVendor,
                                                  IWICBitmapEncoder** ppIEncoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatePalette(IWICPalette** ppIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter** ppIFormatConverter) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapScaler(IWICBitmapScaler** ppIBitmapScaler) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapClipper(IWICBitmapClipper** ppIBitmapClipper) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFlipRotator(IWICBitmapFlipRotator** ppIBitmapFlipRotator) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateStream(IWICStream** ppIWICStream) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateColorContext(IWICColorContext** ppIWICColorContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateColorTransformer(IWICColorTransform** ppIWICColorTransform) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmap(UINT uiWidth, UINT uiHeight, REFWICPixelFormatGUID pixelFormat,
                                                 WICBitmapCreateCacheOption option, IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromSource(IWICBitmapSource* piBitmapSource,
                                                           WICBitmapCreateCacheOption option,
                                                           IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromSourceRect(IWICBitmapSource* piBitmapSource, UINT x, UINT y,
                                                               UINT width, UINT height,
                                                               IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromMemory(UINT uiWidth, UINT uiHeight,
                                                           REFWICPixelFormatGUID pixelFormat, UINT cbStride,
                                                           UINT cbBufferSize, BYTE* pbBuffer,
                                                           IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromHBITMAP(HBITMAP hBitmap, HPALETTE hPalette,
                                                            WICBitmapAlphaChannelOption options,
                                                            IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromHICON(HICON hIcon, IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateComponentEnumerator(DWORD componentTypes, DWORD options,
                                                              IEnumUnknown** ppIEnumUnknown) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromDecoder(
      IWICBitmapDecoder* pIDecoder, IWICFastMetadataEncoder** ppIFastEncoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromFrameDecode(
      IWICBitmapFrameDecode* pIFrameDecoder, IWICFastMetadataEncoder** ppIFastEncoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateQueryWriter(REFGUID guidMetadataFormat, const GUID* pguidVendor,
                                                      IWICMetadataQueryWriter** ppIQueryWriter) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateQueryWriterFromReader(IWICMetadataQueryReader* pIQueryReader,
                                                                const GUID* pguidVendor,
                                                                IWICMetadataQueryWriter** ppIQueryWriter) = 0;

 protected:
  ~IWICImagingFactory() = default;
};

#endif
