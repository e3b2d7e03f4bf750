// The ticket snapshot reader and the option table on arbitrary file contents: reading either merges
// the file's features or fails with a clear error and leaves the options as they were; the job's
// end segment written with whatever the table then holds is a whole, valid command stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "fakes/printer_fakes.h"
#include "fuzz/fuzz_support.h"
#include "host/decoder/stream_decoder.h"
#include "module/filtertypes.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printticket/TicketSnapshotPath.h"

using namespace brimloft;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SetUpProcess();
  fuzz::InputReader input(data, size);
  static const char* const kVariants[] = {"RX1P", "RX2P", "RX3P", "RX1Q", "RX2Q", "RX3Q"};
  const std::string variant = kVariants[input.Choice(6)];
  {
    std::ofstream file(GetTicketSnapshotPath(), std::ios::binary | std::ios::trunc);
    file << input.Rest();
    if (!file) std::abort();
  }

  ComPtr<fakes::FakeWriteStream> output = ComPtr<fakes::FakeWriteStream>::Attach(new fakes::FakeWriteStream);
  auto handler = BrimloftBitmapHandler::Create(variant, nullptr, output.get());
  const std::vector<std::string> seeded = handler->OptionKeys();
  try {
    handler->ReadTicketOptions();
  } catch (const std::exception&) {
    // A failed read merges nothing.
    if (handler->OptionKeys() != seeded) std::abort();
  }
  for (const std::string& key : handler->OptionKeys()) {
    if (handler->OptionAt(key) != handler->LookupOption(key)) std::abort();
  }

  try {
    handler->ProcessStrip(0, nullptr);
  } catch (const hr_error&) {
    if (!output->writes.empty()) std::abort();  // a failed call writes nothing
    return 0;
  } catch (const std::out_of_range&) {
    if (!output->writes.empty()) std::abort();
    return 0;
  }
  if (output->writes.size() != 1) std::abort();
  const auto& bytes = output->writes.front();
  try {
    host::DecodeStream(bytes.data(), bytes.size());
  } catch (const host::StreamError&) {
    std::abort();
  }
  return 0;
}
