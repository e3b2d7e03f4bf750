// The reference-counting base: QueryInterface rules, birth with one reference, deletion by the
// Release that reaches 0.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <thread>
#include <vector>

#include "fakes/module_trace_capture.h"
#include "module/UnknownBase.h"

namespace brimloft {

// A minimal interface of its own for the base to implement.
struct ISample : public IUnknown {
  virtual int STDMETHODCALLTYPE Value() = 0;
};

// {B0D2C5A4-1F3E-4A6B-8C7D-9E0F1A2B3C4D}
constexpr IID IID_ISample = {0xb0d2c5a4, 0x1f3e, 0x4a6b, {0x8c, 0x7d, 0x9e, 0x0f, 0x1a, 0x2b, 0x3c, 0x4d}};

template <>
inline const IID& InterfaceIdOf<ISample>() {
  return IID_ISample;
}

namespace {

using testing::Int32Arg;
using testing::NarrowArg;
using testing::ScopedProvider;
using testing::TraceCapture;

int g_destroyed = 0;

class Sample final : public UnknownBase<ISample> {
 public:
  int STDMETHODCALLTYPE Value() override { return 7; }
  ~Sample() override { ++g_destroyed; }
};

class UnknownBaseTest : public ::testing::Test {
 protected:
  void SetUp() override { g_destroyed = 0; }
};

TEST_F(UnknownBaseTest, TheFirstReleaseOfANewObjectDestroysIt) {
  auto* object = new Sample;
  EXPECT_EQ(0u, object->Release());
  EXPECT_EQ(1, g_destroyed);
}

TEST_F(UnknownBaseTest, AddRefAndReleaseReturnTheNewCount) {
  auto* object = new Sample;
  EXPECT_EQ(2u, object->AddRef());
  EXPECT_EQ(3u, object->AddRef());
  EXPECT_EQ(2u, object->Release());
  EXPECT_EQ(1u, object->Release());
  EXPECT_EQ(0, g_destroyed);
  EXPECT_EQ(0u, object->Release());
  EXPECT_EQ(1, g_destroyed);
}

TEST_F(UnknownBaseTest, QueryInterfaceRules) {
  TraceCapture capture(TRACE_ERROR);
  ScopedProvider provider;
  auto* object = new Sample;

  EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));

  void* asSample = nullptr;
  void* asUnknown = nullptr;
  ASSERT_EQ(S_OK, object->QueryInterface(IID_ISample, &asSample));
  ASSERT_EQ(S_OK, object->QueryInterface(IID_IUnknown, &asUnknown));
  EXPECT_EQ(asSample, asUnknown);
  EXPECT_EQ(static_cast<void*>(static_cast<ISample*>(object)), asSample);
  EXPECT_EQ(7, static_cast<ISample*>(asSample)->Value());
  EXPECT_EQ(4u, object->AddRef());  // each successful QueryInterface took a reference
  object->Release();

  // An identifier differing in one byte only is another interface.
  IID nearly = IID_ISample;
  nearly.Data4[7] ^= 1;
  for (const IID* iid : {static_cast<const IID*>(&nearly), &IID_IClassFactory, &IID_IStream}) {
    void* out = reinterpret_cast<void*>(0x5A5A5A5A);
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(*iid, &out));
    EXPECT_EQ(nullptr, out);
  }
  EXPECT_EQ(2u, object->Release());
  EXPECT_EQ(1u, object->Release());
  EXPECT_EQ(0u, object->Release());
  EXPECT_EQ(1, g_destroyed);

  // One failure record per refusal, naming the base's unit.
  const auto failures = capture.Of(trace_ids::kTraceFailure);
  ASSERT_EQ(4u, failures.size());
  EXPECT_EQ(Int32Arg(E_POINTER), failures[0].arguments.at(0));
  for (size_t i = 1; i < 4; ++i) EXPECT_EQ(Int32Arg(E_NOINTERFACE), failures[i].arguments.at(0));
  for (auto& f : failures) EXPECT_EQ(NarrowArg("UnknownBase"), f.arguments.at(1));
}

TEST_F(UnknownBaseTest, CountsStayExactUnderConcurrentAddRefAndRelease) {
  auto* object = new Sample;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([object] {
      for (int i = 0; i < 20000; ++i) {
        object->AddRef();
        object->Release();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(0, g_destroyed);
  EXPECT_EQ(0u, object->Release());
  EXPECT_EQ(1, g_destroyed);
}

}  // namespace
}  // namespace brimloft
