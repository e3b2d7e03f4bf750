#include <gtest/gtest.h>

#include "module/ComPtr.h"
#include "module/FilterLiveness.h"

namespace brimloft {
namespace {

TEST(FilterLiveness, ContinueAnswersCancelledOnceStoppedAndKeepsAnswering) {
  auto liveness = ComPtr<FilterLiveness>::Attach(new FilterLiveness);
  EXPECT_EQ(S_OK, liveness->Continue());
  liveness->Stop();
  EXPECT_EQ(static_cast<HRESULT>(0x8007003F), liveness->Continue());
  EXPECT_EQ(static_cast<HRESULT>(0x8007003F), liveness->Continue());
}

TEST(FilterLiveness, AnswersItsCallbackInterfaceAndIUnknownWithTheSamePointer) {
  auto liveness = ComPtr<FilterLiveness>::Attach(new FilterLiveness);
  void* asCallback = reinterpret_cast<void*>(0x1);
  void* asUnknown = reinterpret_cast<void*>(0x1);
  ASSERT_EQ(S_OK, liveness->QueryInterface(IID_IXpsRasterizerNotificationCallback, &asCallback));
  ASSERT_EQ(S_OK, liveness->QueryInterface(IID_IUnknown, &asUnknown));
  EXPECT_EQ(asCallback, asUnknown);
  EXPECT_EQ(2u, liveness->Release());
  EXPECT_EQ(1u, liveness->Release());
  void* other = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(E_NOINTERFACE, liveness->QueryInterface(IID_IStream, &other));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(E_POINTER, liveness->QueryInterface(IID_IUnknown, nullptr));
}

}  // namespace
}  // namespace brimloft
