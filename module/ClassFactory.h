// The six class factories: alike but for the variant code each hands to the filters it creates.
#ifndef BRIMLOFT_MODULE_CLASSFACTORY_H
#define BRIMLOFT_MODULE_CLASSFACTORY_H

#include <windows.h>
#include <objbase.h>

#include "module/ClassIds.h"
#include "module/UnknownBase.h"

namespace brimloft {

template <>
inline const IID& InterfaceIdOf<IClassFactory>() {
  return IID_IClassFactory;
}

// Creates BrimloftFilter objects for the variant in row Row of kVariants. Construction and
// destruction count in the module object count; server locks count once per factory while held.
template <int Row>
class BrimloftFilterFactory final : public UnknownBase<IClassFactory> {
 public:
  BrimloftFilterFactory() noexcept;
  ~BrimloftFilterFactory() override;

  // Fails with CLASS_E_NOAGGREGATION (checked first), E_POINTER, the translated failure of the
  // filter's construction, or the filter's QueryInterface failure; *ppvObject stays null then.
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

  LONG LockCount() const noexcept { return InterlockedCompareExchange(const_cast<LONG volatile*>(&lockCount_), 0, 0); }

 private:
  LONG volatile lockCount_ = 0;
};

using BrimloftFilterFactoryRX3P = BrimloftFilterFactory<0>;
using BrimloftFilterFactoryRX3Q = BrimloftFilterFactory<1>;
using BrimloftFilterFactoryRX2P = BrimloftFilterFactory<2>;
using BrimloftFilterFactoryRX2Q = BrimloftFilterFactory<3>;
using BrimloftFilterFactoryRX1P = BrimloftFilterFactory<4>;
using BrimloftFilterFactoryRX1Q = BrimloftFilterFactory<5>;

extern template class BrimloftFilterFactory<0>;
extern template class BrimloftFilterFactory<1>;
extern template class BrimloftFilterFactory<2>;
extern template class BrimloftFilterFactory<3>;
extern template class BrimloftFilterFactory<4>;
extern template class BrimloftFilterFactory<5>;

}  // namespace brimloft

#endif
