// The host's package reader on arbitrary files: ZIP items and interleaved pieces, content types,
// relationships and the document structure. Opening either gives a structure whose every part reads
// within the limits, or fails with a HostError; parts may still fail to read, never otherwise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "host/failures/host_error.h"
#include "host/package/xps_package.h"

using namespace brimloft;

namespace {

// Small limits, so that a bomb trips them well inside the fuzzer's memory.
constexpr host::PackageLimits kLimits{1u << 20, 4u << 20, 200, 500};

void ReadPart(const host::XpsPackage& package, const std::string& name) {
  try {
    if (package.Read(name).size() > kLimits.maxPartBytes) std::abort();
  } catch (const host::HostError& e) {
    if (SUCCEEDED(e.hr()) || std::string(e.what()).empty()) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SetUpProcess();
  const std::string path = std::string(std::getenv("TMPDIR")) + "/package.xps";
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!file) std::abort();
  }
  std::shared_ptr<host::XpsPackage> package;
  try {
    package = host::XpsPackage::Open(path, kLimits);
  } catch (const host::HostError& e) {
    if (SUCCEEDED(e.hr()) || std::string(e.what()).empty()) std::abort();
    return 0;
  }
  std::size_t pages = 0;
  for (const auto& document : package->Sequence().documents) {
    for (const auto& page : document.pages) {
      ++pages;
      ReadPart(*package, page.name);
      for (const auto& resource : page.resources) {
        ReadPart(*package, resource.name);
        (void)package->ContentTypeOf(resource.name);
      }
    }
  }
  if (pages != package->PageCount() || pages > kLimits.maxPages) std::abort();
  return 0;
}
