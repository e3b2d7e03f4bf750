// The print core helper of the printer driver's configuration, with its true identifier and
// method order, for the toolchains whose headers do not carry it.
#ifndef BRIMLOFT_INTERFACES_PRCOMOEM_H
#define BRIMLOFT_INTERFACES_PRCOMOEM_H

#include <windows.h>
#include <objbase.h>

DEFINE_GUID(IID_IPrintCoreHelper, 0xa89ec53e, 0x3905, 0x49c6, 0x9c, 0x1a, 0xc0, 0xa8, 0x81, 0x17, 0xfd, 0xb6);

typedef struct _PRINT_FEATURE_OPTION {
  PCSTR pszFeature;
  PCSTR pszOption;
} PRINT_FEATURE_OPTION, *PPRINT_FEATURE_OPTION;

// Strings and lists returned belong to the helper: callers neither free nor change them.
struct IPrintCoreHelper : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetOption(const DEVMODE* pDevmode, DWORD cbSize, PCSTR pszFeatureRequested,
                                              PCSTR* ppszOption) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOptions(PDEVMODE pDevmode, DWORD cbSize, BOOL bResolveConflicts,
                                               const PRINT_FEATURE_OPTION pFOPairs[], DWORD cPairs,
                                               PDWORD pcPairsWritten, PDWORD pdwResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumConstrainedOptions(const DEVMODE* pDevmode, DWORD cbSize,
                                                           PCSTR pszFeatureKeyword,
                                                           PCSTR** pConstrainedOptionList, DWORD* pdwNumOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE WhyConstrained(const DEVMODE* pDevmode, DWORD cbSize, PCSTR pszFeatureKeyword,
                                                   PCSTR pszOptionKeyword, const PRINT_FEATURE_OPTION** ppFOConstraints,
                                                   DWORD* pdwNumOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumFeatures(PCSTR** pFeatureList, DWORD* pdwNumFeatures) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumOptions(PCSTR pszFeatureKeyword, PCSTR** pOptionList, DWORD* pdwNumOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFontSubstitution(PCWSTR pszTrueTypeFontName, PCWSTR* ppszDevFontName) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFontSubstitution(PCWSTR pszTrueTypeFontName, PCWSTR pszDevFontName) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateInstanceOfMSXMLObject(REFCLSID rclsid, LPUNKNOWN pUnkOuter,
                                                                DWORD dwClsContext, REFIID riid, LPVOID* ppv) = 0;
};

#endif
