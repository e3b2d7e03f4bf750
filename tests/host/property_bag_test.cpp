// The property bag's copy semantics and the print core helper's view of the printer settings.
#include <gtest/gtest.h>

#include "host/pipeline/pipeline_objects.h"
#include "host/pipeline/print_core_helper.h"
#include "host/pipeline/property_bag.h"


namespace {

using brimloft::ComPtr;

class Counted final : public platform::ComObject<IUnknown> {
 public:
  static ComPtr<Counted> Create() { return ComPtr<Counted>::Attach(new Counted()); }
};

TEST(PropertyBag, ValuesAreCopiedInAndOut) {
  auto bag = host::PropertyBag::Create();
  VARIANT in;
  VariantInit(&in);
  in.vt = VT_BSTR;
  in.bstrVal = SysAllocString(L"RX2P");
  ASSERT_EQ(bag->AddProperty(L"PrinterName", &in), S_OK);
  in.bstrVal[0] = L'Z';  // the caller's copy is its own
  VARIANT out;
  out.vt = VT_I4;  // garbage in the out-parameter is overwritten, not freed
  out.lVal = 12345;
  ASSERT_EQ(bag->GetProperty(L"PrinterName", &out), S_OK);
  ASSERT_EQ(out.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(out.bstrVal), L"RX2P");
  EXPECT_NE(out.bstrVal, in.bstrVal);
  VariantClear(&out);
  VariantClear(&in);

  VARIANT again;
  ASSERT_EQ(bag->GetProperty(L"PrinterName", &again), S_OK);
  EXPECT_EQ(std::wstring(again.bstrVal), L"RX2P");
  VariantClear(&again);
}

TEST(PropertyBag, ObjectsAreReferencedNotOwned) {
  auto object = Counted::Create();
  {
    auto bag = host::PropertyBag::Create();
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = object.get();
    ASSERT_EQ(bag->AddProperty(L"IPrintCoreHelper", &v), S_OK);
    EXPECT_EQ(object->RefCount(), 2u);
    VARIANT out;
    ASSERT_EQ(bag->GetProperty(L"IPrintCoreHelper", &out), S_OK);
    EXPECT_EQ(out.punkVal, object.get());
    EXPECT_EQ(object->RefCount(), 3u);
    VariantClear(&out);
    ASSERT_EQ(bag->AddProperty(L"IPrintCoreHelper", &v), S_OK);  // replacing releases the old copy
    EXPECT_EQ(object->RefCount(), 2u);
  }
  EXPECT_EQ(object->RefCount(), 1u);
}

TEST(PropertyBag, MissingNamesAndBadArguments) {
  auto bag = host::PropertyBag::Create();
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = 5;
  EXPECT_EQ(bag->GetProperty(L"Nothing", &v), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(bag->GetProperty(nullptr, &v), E_POINTER);
  EXPECT_EQ(bag->GetProperty(L"x", nullptr), E_POINTER);
  EXPECT_EQ(bag->AddProperty(nullptr, &v), E_POINTER);
  EXPECT_EQ(bag->AddProperty(L"x", nullptr), E_POINTER);
  v.vt = VT_UI8;
  v.ullVal = 0x1234567890ull;
  ASSERT_EQ(bag->AddProperty(L"UserSecurityToken", &v), S_OK);
  EXPECT_EQ(bag->DeleteProperty(L"UserSecurityToken"), TRUE);
  EXPECT_EQ(bag->DeleteProperty(L"UserSecurityToken"), FALSE);
  EXPECT_EQ(bag->DeleteProperty(nullptr), FALSE);
  EXPECT_EQ(bag->GetProperty(L"UserSecurityToken", &v), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
}

TEST(PrintCoreHelper, ListsFeaturesWithDefaultsAndJobOptions) {
  const platform::PrinterDescription printer = platform::BuiltInPrinterDescription("RX2P");
  ASSERT_FALSE(printer.features.empty());
  const platform::PrinterFeature& first = printer.features.front();
  const platform::PrinterFeature* dither = printer.FindFeature(true, "QVDither");
  ASSERT_NE(dither, nullptr);
  std::string other;
  for (const auto& o : dither->options)
    if (o.name != dither->defaultOption) other = o.name;
  ASSERT_FALSE(other.empty());

  auto helper = host::PrintCoreHelper::Create(printer, {{"QVDither", other}});
  PCSTR* list = nullptr;
  DWORD count = 0;
  ASSERT_EQ(helper->EnumFeatures(&list, &count), S_OK);
  ASSERT_EQ(count, printer.features.size());
  for (DWORD i = 0; i < count; ++i) EXPECT_EQ(std::string(list[i]), printer.features[i].name);
  EXPECT_EQ(list[count], nullptr);

  PCSTR option = nullptr;
  ASSERT_EQ(helper->GetOption(nullptr, 0, "QVDither", &option), S_OK);
  EXPECT_EQ(std::string(option), other);
  ASSERT_EQ(helper->GetOption(nullptr, 0, first.name.c_str(), &option), S_OK);
  EXPECT_EQ(std::string(option), first.name == "QVDither" ? other : first.defaultOption);

  option = "sentinel";
  EXPECT_EQ(helper->GetOption(nullptr, 0, "NoSuchFeature", &option), E_INVALIDARG);
  EXPECT_EQ(option, nullptr);
  EXPECT_EQ(helper->GetOption(nullptr, 0, nullptr, &option), E_POINTER);
  EXPECT_EQ(helper->EnumFeatures(nullptr, &count), E_POINTER);

  PCSTR* options = nullptr;
  ASSERT_EQ(helper->EnumOptions("QVDither", &options, &count), S_OK);
  ASSERT_EQ(count, dither->options.size());
  EXPECT_EQ(std::string(options[0]), dither->options[0].name);
}

TEST(PrintCoreHelper, RejectsOptionsThePrinterLacks) {
  const auto printer = platform::BuiltInPrinterDescription("RX1Q");
  EXPECT_THROW(host::PrintCoreHelper::Create(printer, {{"NoSuchFeature", "x"}}), std::invalid_argument);
  EXPECT_THROW(host::PrintCoreHelper::Create(printer, {{"QVDither", "NoSuchOption"}}), std::invalid_argument);
}

TEST(Communicator, HandsOutNewReferencesOrNoInterface) {
  auto reader = Counted::Create();
  auto comm = host::Communicator::Create(ComPtr<IUnknown>(reader.get()), nullptr);
  void* got = reinterpret_cast<void*>(0x1);
  ASSERT_EQ(comm->RequestReader(&got), S_OK);
  EXPECT_EQ(got, static_cast<IUnknown*>(reader.get()));
  EXPECT_EQ(reader->RefCount(), 3u);
  static_cast<IUnknown*>(got)->Release();
  got = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(comm->RequestWriter(&got), E_NOINTERFACE);
  EXPECT_EQ(got, nullptr);
  EXPECT_EQ(comm->RequestReader(nullptr), E_POINTER);

  auto control = host::ManagerControl::Create();
  EXPECT_EQ(control->RequestShutdown(E_FAIL, nullptr), S_OK);
  EXPECT_EQ(control->FilterFinished(), S_OK);
  EXPECT_EQ(control->ShutdownRequests(), std::vector<HRESULT>{E_FAIL});
  EXPECT_EQ(control->FinishedCalls(), 1);
}

}  // namespace
