// brimloft-print: prints an XPS job through the filter module, as the print pipeline would, and
// writes the printer's command stream to a file, a device or standard output.
#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/decoder/paper_png.h"
#include "host/decoder/stream_decoder.h"
#include "host/failures/host_error.h"
#include "host/failures/renderer_report.h"
#include "host/options/option_check.h"
#include "host/pipeline/com_apartment.h"
#include "host/pipeline/filter_module.h"
#include "host/pipeline/job.h"
#include "host/pipeline/job_runner.h"
#include "host/pipeline/private_temp_folder.h"
#include "host/pipeline/write_stream.h"
#include "host/tools/print/option_tickets.h"
#include "host/tools/print/output_target.h"
#include "host/tools/tool_main.h"
#include "module/trace.h"
#include "module/trace_ids.h"
#include "platform/trace_controller.h"
#include "printer/HeadWidth.h"


namespace {

const char* const kUsage =
    "usage: brimloft-print [options] JOB.xps\n"
    "Prints an XPS (or OpenXPS) job through the Brimloft filter and writes the printer's data.\n"
    "\n"
    "  -p, --printer CODE|FILE  printer variant (RX1P RX1Q RX2P RX2Q RX3P RX3Q; default RX2P,\n"
    "                           576 dots) or a printer description file\n"
    "  -o, --option NAME=VALUE  sets a printer feature for this job, repeatable; private options\n"
    "                           (QVDither=FloydSteinberg, QVCutType=P, ...) and Print Schema\n"
    "                           features (PageOrientation=Landscape, PageMediaSize=...). As with\n"
    "                           lp -o, it wins over the job's own print tickets: every ticket of\n"
    "                           the job, its documents and pages that names it gets it replaced\n"
    "      --output FILE        where the printer data goes: a file, a device node, - for\n"
    "                           standard output (the default when it is not a terminal) or\n"
    "                           socket://HOST[:PORT], a network printer (raw TCP, port 9100,\n"
    "                           10 s to answer). Everything is checked before the output is\n"
    "                           opened, and a file is replaced only when the job succeeds: a\n"
    "                           failed or stopped job leaves an existing file as it was\n"
    "      --trace FILE         records the filter's trace to FILE (read it with brimloft-tracefmt)\n"
    "      --preview PNG        also writes a picture of the printed paper, as wide as the\n"
    "                           printer's head, with its cuts\n"
    "      --list-options       lists the printer's features and their values, the default marked\n"
    "                           with *, one feature a line as lpoptions -l does, and exits\n"
    "      --help               shows this text\n"
    "      --version            shows the version\n"
    "\n"
    "What the renderer says about a page (warnings, errors) is shown once at the end, with the\n"
    "page and how often it was said, and recorded in the trace.\n"
    "Exit status: 0 printed, 1 the job failed, 2 wrong usage, 130 stopped by Ctrl-C.\n";

struct Arguments {
  host::JobSettings settings;
  std::string input;
  std::string output;
  std::string trace;
  std::string preview;
  bool listOptions = false;
};

// Tickets name features and options with namespace prefixes; people may too.
std::string StripPrefix(std::string s) {
  for (const char* prefix : {"psk:", "ns0000:"})
    if (s.rfind(prefix, 0) == 0) s.erase(0, std::strlen(prefix));
  return s;
}

std::vector<host::Option> Options(Arguments& a) {
  const auto text = [](std::string& into) { return [&into](const std::string& value) { into = value; }; };
  return {
      {'p', "printer", true, text(a.settings.printer)},
      {'o', "option", true,
       [&a](const std::string& pair) {
         const size_t eq = pair.find('=');
         if (eq == std::string::npos || eq == 0 || eq + 1 == pair.size())
           throw host::UsageError("option \"" + pair + "\" is not of the form NAME=VALUE");
         a.settings.options[StripPrefix(pair.substr(0, eq))] = StripPrefix(pair.substr(eq + 1));
       }},
      {'\0', "output", true, text(a.output)},
      {'\0', "trace", true, text(a.trace)},
      {'\0', "preview", true, text(a.preview)},
      {'\0', "list-options", false, [&a](const std::string&) { a.listOptions = true; }},
  };
}

// What the options ask for together, and the one job.
void CheckJobArguments(Arguments& a, const std::vector<std::string>& operands) {
  if (!a.preview.empty() && (a.output == "-" || a.output.rfind("socket://", 0) == 0))
    throw host::UsageError("--preview needs --output FILE: the printed data is read back from that file");
  if (operands.size() != 1)
    throw host::UsageError(operands.empty() ? "no XPS job given" : "more than one XPS job given");
  a.input = operands[0];
  if (!a.preview.empty() && a.output.empty()) throw host::UsageError("--preview needs --output FILE");
  if ((a.output.empty() || a.output == "-") && isatty(STDOUT_FILENO))
    throw host::UsageError("standard output is a terminal: give --output FILE for the printer data");
}

// Prints "page N of M" while the job runs, when someone watches stderr.
void ShowProgress(const host::PartEvent& e) {
  if (e.kind != host::PartKind::Page) return;
  std::fprintf(stderr, "\rprinting page %d of %d", e.pageNumber, e.pageCount);
  std::fflush(stderr);
}

// Waits for the job, turning the first Ctrl-C (or SIGTERM) into ShutdownOperation; a second one
// ends the program at once.
bool WaitWithInterrupts(host::FilterRun& run, const sigset_t& signals, host::OutputTarget& output) {
  bool interrupted = false;
  // The job's end wakes the wait at once (SIGUSR1, blocked like the others) instead of at the next tick.
  std::thread waker([&run, waiter = pthread_self()] {
    while (!run.WaitFor(std::chrono::hours(1))) {
    }
    pthread_kill(waiter, SIGUSR1);
  });
  while (!run.WaitFor(std::chrono::milliseconds(0))) {
    timespec tick{0, 50 * 1000 * 1000};
    siginfo_t info;
    const int sig = sigtimedwait(&signals, &info, &tick);
    if (sig != SIGINT && sig != SIGTERM) continue;
    if (interrupted) {
      std::fprintf(stderr, "\nbrimloft-print: interrupted again, giving up\n");
      output.Abandon();
      _exit(130);
    }
    interrupted = true;
    std::fprintf(stderr, "\nbrimloft-print: stopping the job (Ctrl-C again to abandon it)\n");
    run.Shutdown();
  }
  waker.join();
  return interrupted;
}

// Reads the printed file back and draws the paper, as wide as the printer's head. A stream that
// cannot be decoded fails the preview with the decoder's reason; the printed output stays as it is.
void WritePreview(const Arguments& args, const std::string& variant) {
  std::FILE* f = std::fopen(args.output.c_str(), "rb");
  if (f == nullptr)
    throw host::SystemFailure("cannot read " + args.output + " back", errno, "preview");
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  try {
    const auto decoded = brimloft::host::DecodeStream(bytes.data(), bytes.size(), brimloft::HeadWidth(variant));
    brimloft::host::WritePaperPng(decoded.paper, args.preview);
  } catch (const host::HostError& e) {
    throw host::HostError(e.hr(), e.what(), "preview");
  }
}

// Every feature of the printer and its values, the default marked with *, as lpoptions -l shows
// them; shell completion reads it too.
int ListOptions(const std::string& printerName) {
  const platform::PrinterDescription printer = host::ResolvePrinter(printerName);
  for (const platform::PrinterFeature& feature : printer.features) {
    std::string line = feature.name + "/" + feature.name + ":";
    for (const platform::PrinterOption& option : feature.options)
      line += (option.name == feature.defaultOption ? " *" : " ") + option.name;
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

// Where in the job it failed: the page (or other part) last handed to the filter, and the file.
std::string FailedStep(const std::optional<host::PartEvent>& last, const std::string& input) {
  if (!last) return "before its first part (" + input + ")";
  if (last->kind != host::PartKind::Page) return "at the part " + last->name + " of " + input;
  return "on page " + std::to_string(last->pageNumber) + " of " + std::to_string(last->pageCount) + " (" +
         last->name + " of " + input + ")";
}

// What a failed job had already sent to a device, pipe or printer, so that no partial job goes
// unreported.
std::string Delivered(const host::OutputTarget& output) {
  if (output.Replaces() || output.Stream()->BytesWritten() == 0) return "";
  return "; " + std::to_string(output.Stream()->BytesWritten()) + " bytes of the job had reached " + output.Name();
}

int Print(const Arguments& args) {
  // A reader that goes away must fail the write, not kill the program.
  signal(SIGPIPE, SIG_IGN);
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // every thread made from here on inherits it

  const host::ComApartment apartment;
  if (!apartment.usable()) throw host::HostError(apartment.result(), "cannot join the COM apartment", "CoInitializeEx");

  // The job, the printer and the options are checked before the output is touched, so a bad job
  // never changes a file.
  const std::shared_ptr<host::XpsPackage> package = host::XpsPackage::Open(args.input, args.settings.limits);
  const platform::PrinterDescription printer = host::ResolvePrinter(args.settings.printer);
  host::CheckOptions(printer, args.settings.options);
  // As with lp -o, what the user asks for wins over what the job's own tickets say.
  host::ApplyOptionsToTickets(*package, printer, args.settings.options);
  if (package->PageCount() == 0) std::fprintf(stderr, "brimloft-print: %s has no pages\n", args.input.c_str());

  std::unique_ptr<platform::trace::Session> trace;
  if (!args.trace.empty()) {
    try {
      trace = platform::trace::Session::StartToFile(args.trace);
    } catch (const std::exception& e) {
      throw host::HostError(E_FAIL, "cannot record the trace to " + args.trace + ": " + e.what());
    }
    const ULONG all = brimloft::TRACE_ERROR | brimloft::TRACE_FLOW | brimloft::TRACE_DETAIL;
    const ULONG status = trace->Enable(brimloft::trace_ids::kControl, 5, all);
    if (status != ERROR_SUCCESS) throw host::HostError(HRESULT_FROM_WIN32(status), "cannot enable the filter's trace provider");
  }

  std::optional<host::OutputTarget> output;
  try {
    output.emplace(args.output);
  } catch (const host::HostError& e) {
    throw host::HostError(e.hr(), "cannot open the output " + std::string(e.what()));
  }
  host::FdWriteStream* writer = output->Stream();

  std::optional<host::Job> job;
  job.emplace(package, printer, args.settings.options, brimloft::ComPtr<IPrintWriteStream>(writer));

  // The job thread records the part in hand; it is read once that thread has been joined.
  const bool progress = isatty(STDERR_FILENO);
  std::optional<host::PartEvent> lastPart;
  host::PageNumbers pageNumbers;
  job->Reader().OnPart([&lastPart, &pageNumbers, progress](const host::PartEvent& e) {
    lastPart = e;
    pageNumbers.Note(e);
    if (progress) ShowProgress(e);
  });

  const host::FilterModule module(host::DefaultModulePath());
  brimloft::ComPtr<IPrintPipelineFilter> filter = module.CreateFilter(job->Variant());

  // The filter keeps each page's ticket snapshot under one name in the temporary folder; a folder
  // of this job's own keeps another job printing at the same time from changing its options.
  std::optional<host::PrivateTempFolder> tempFolder;
  tempFolder.emplace("brimloft-print");

  host::JobOutcome outcome;
  bool interrupted = false;
  {
    host::FilterRun run(filter, *job);
    interrupted = WaitWithInterrupts(run, signals, *output);
    outcome = run.Wait();
  }
  if (progress) std::fprintf(stderr, "\n");
  filter.reset();
  tempFolder.reset();
  job->Writer()->Close();  // the filter closes it too; a second Close is harmless

  // What the renderer said, each message once; the error that failed the page is in the failure's words.
  std::vector<platform::RendererMessage> said = job->RendererMessages().Take();
  if (trace) {
    host::TraceRendererMessages(*trace, said, pageNumbers);
    trace->Stop();
  }
  if (FAILED(outcome.hr) && lastPart) host::DropErrorsSaidIn(said, lastPart->name, outcome.detail);
  for (const platform::RendererMessage& m : said)
    std::fprintf(stderr, "brimloft-print: %s\n", host::DescribeRendererMessage(m, pageNumbers).c_str());

  const std::string kept = output->Replaces() ? "; " + output->Untouched() : "";
  if (FAILED(outcome.hr)) {
    std::string detail = outcome.detail;
    if (detail.empty()) detail = package->LastError();
    if (detail.empty()) detail = writer->LastError();
    throw host::HostError(outcome.hr, "the job failed " + FailedStep(lastPart, args.input) + ": " + outcome.step +
                                          " returned " + host::HexHr(outcome.hr) + (detail.empty() ? "" : ": " + detail) +
                                          kept + Delivered(*output));
  }
  if (!writer->LastError().empty())
    throw host::HostError(HRESULT_FROM_WIN32(ERROR_WRITE_FAULT), writer->LastError() + kept + Delivered(*output));
  if (interrupted) {
    const std::string left = output->Replaces() ? output->Untouched() : "the output holds the pages printed so far";
    std::fprintf(stderr, "brimloft-print: stopped; %s\n", left.c_str());
    return 130;
  }
  output->Commit();

  if (!args.preview.empty()) WritePreview(args, printer.variant);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Blocks of megabytes (a page's markup and its copies) stay with the process for the next page
  // instead of going back to the system at each free: every page handed back costs a page fault
  // when it is used again, which on a virtual machine costs more than the copying itself.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  Arguments args;
  const auto work = [&args](const std::vector<std::string>& operands) {
    if (args.listOptions) return ListOptions(args.settings.printer);
    CheckJobArguments(args, operands);
    return Print(args);
  };
  return host::RunTool({"brimloft-print", kUsage}, argc, argv, Options(args), work);
}
