// Apartments per thread and CoCreateInstance over the in-process class registry. Every scenario runs
// on threads of its own, so that no apartment leaks between tests.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <platform/com_object.h>
#include <platform/com_registry.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

void* const kSentinelPointer = reinterpret_cast<void*>(0x5A5A5A5A);

// {0F4C1E2A-77B3-4C55-8D0E-5A1B2C3D4E01}
constexpr CLSID kTestClass = {0x0f4c1e2a, 0x77b3, 0x4c55, {0x8d, 0x0e, 0x5a, 0x1b, 0x2c, 0x3d, 0x4e, 0x01}};
// {0F4C1E2A-77B3-4C55-8D0E-5A1B2C3D4E02}, never registered.
constexpr CLSID kUnknownClass = {0x0f4c1e2a, 0x77b3, 0x4c55, {0x8d, 0x0e, 0x5a, 0x1b, 0x2c, 0x3d, 0x4e, 0x02}};

std::atomic<int> g_created{0};
std::atomic<int> g_alive{0};

class TestObject final : public platform::ComObject<IUnknown> {
 public:
  TestObject() { ++g_alive; }
  ~TestObject() override { --g_alive; }
};

HRESULT CreateTestObject(REFIID riid, void** ppv) {
  ++g_created;
  return platform::HandOut(new TestObject, riid, ppv);
}

// Registers the test class for the scope's life.
struct ScopedClass {
  ScopedClass() { platform::RegisterInprocClass(kTestClass, CreateTestObject); }
  ~ScopedClass() { platform::RegisterInprocClass(kTestClass, nullptr); }
};

template <class F>
void OnNewThread(F f) {
  std::thread(f).join();
}

TEST(Apartments, InitialisationCountsPerThreadAndRefusesTheOtherModel) {
  OnNewThread([] {
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    // Another thread is free to choose the other model.
    OnNewThread([] {
      EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
      EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
      EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
      CoUninitialize();
      CoUninitialize();
    });
    // Two successful calls need two CoUninitialize calls; the refused one needs none.
    CoUninitialize();
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));  // still in the apartment
    CoUninitialize();
    CoUninitialize();
    // Out of it now: the thread may choose again.
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    CoUninitialize();
    CoUninitialize();  // one too many is harmless
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();
  });
}

TEST(Apartments, ReservedArgumentMustBeNull) {
  OnNewThread([] {
    int reserved = 0;
    EXPECT_EQ(E_INVALIDARG, CoInitializeEx(&reserved, COINIT_MULTITHREADED));
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));  // the refused call counted nothing
    CoUninitialize();
  });
}

TEST(CoCreateInstance, NeedsAnApartmentUnlessSomeThreadIsInTheMta) {
  ScopedClass registered;
  OnNewThread([] {
    void* object = kSentinelPointer;
    EXPECT_EQ(CO_E_NOTINITIALIZED, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
  });

  // A thread in the multithreaded apartment makes it exist for every thread of the process.
  std::mutex mutex;
  std::condition_variable changed;
  bool inMta = false;
  bool done = false;
  std::thread member([&] {
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    std::unique_lock<std::mutex> lock(mutex);
    inMta = true;
    changed.notify_all();
    changed.wait(lock, [&] { return done; });
    CoUninitialize();
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return inMta; });
  }
  OnNewThread([] {
    IUnknown* object = nullptr;
    EXPECT_EQ(S_OK, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&object)));
    ASSERT_NE(nullptr, object);
    object->Release();
  });
  {
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    changed.notify_all();
  }
  member.join();

  // The last thread has left the MTA: creation without an apartment fails again.
  OnNewThread([] {
    void* object = kSentinelPointer;
    EXPECT_EQ(CO_E_NOTINITIALIZED, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
  });
}

TEST(CoCreateInstance, ResultsForRegisteredAndUnknownClasses) {
  ScopedClass registered;
  OnNewThread([] {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    TestObject* outer = new TestObject;
    struct Case {
      const char* what;
      const CLSID* clsid;
      IUnknown* outer;
      DWORD context;
      const IID* iid;
      HRESULT hr;
      int creations;
    } const cases[] = {
        {"registered", &kTestClass, nullptr, CLSCTX_INPROC_SERVER, &IID_IUnknown, S_OK, 1},
        {"any context", &kTestClass, nullptr, CLSCTX_ALL, &IID_IUnknown, S_OK, 1},
        {"unknown class", &kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, &IID_IUnknown, REGDB_E_CLASSNOTREG, 0},
        {"aggregation", &kTestClass, outer, CLSCTX_INPROC_SERVER, &IID_IUnknown, CLASS_E_NOAGGREGATION, 0},
        {"unknown and aggregation", &kUnknownClass, outer, CLSCTX_INPROC_SERVER, &IID_IUnknown, REGDB_E_CLASSNOTREG,
         0},
        {"out of process only", &kTestClass, nullptr, CLSCTX_LOCAL_SERVER, &IID_IUnknown, REGDB_E_CLASSNOTREG, 0},
        {"unsupported interface", &kTestClass, nullptr, CLSCTX_INPROC_SERVER, &IID_IStream, E_NOINTERFACE, 1},
    };
    for (const Case& c : cases) {
      const int createdBefore = g_created.load();
      void* object = kSentinelPointer;
      EXPECT_EQ(c.hr, CoCreateInstance(*c.clsid, c.outer, c.context, *c.iid, &object)) << c.what;
      EXPECT_EQ(c.creations, g_created.load() - createdBefore) << c.what;
      if (c.hr == S_OK) {
        ASSERT_NE(nullptr, object) << c.what;
        EXPECT_EQ(1u, static_cast<TestObject*>(static_cast<IUnknown*>(object))->RefCount()) << c.what;
        static_cast<IUnknown*>(object)->Release();
      } else {
        EXPECT_EQ(nullptr, object) << c.what;
      }
      EXPECT_EQ(1, g_alive.load()) << c.what << ": only the outer object may be left";
    }
    outer->Release();
    EXPECT_EQ(0, g_alive.load());

    const int createdBefore = g_created.load();
    EXPECT_EQ(E_POINTER, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr));
    EXPECT_EQ(createdBefore, g_created.load());
    CoUninitialize();
  });
}

TEST(CoCreateInstance, AnUnregisteredClassIsGoneAndReRegistrationReplaces) {
  OnNewThread([] {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    {
      ScopedClass registered;
      platform::RegisterInprocClass(kTestClass, [](REFIID, void** ppv) -> HRESULT {
        *ppv = nullptr;
        return E_OUTOFMEMORY;
      });
      void* object = kSentinelPointer;
      EXPECT_EQ(E_OUTOFMEMORY, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
      EXPECT_EQ(nullptr, object);
    }
    void* object = kSentinelPointer;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);
    CoUninitialize();
  });
}

}  // namespace
