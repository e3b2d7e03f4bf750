// Writes the text files of the Windows driver package from the one table of the printers, the
// built-in printer descriptions (roll sizes, options and defaults) and the variants' class ids:
// the INF, a common GPD with the features the filter reads, a GPD and a filter pipeline
// configuration per model. The CUPS driver source is checked against the same descriptions
// (tests/cups/ppd_files_test.cpp), so the three never drift.
// Usage: brimloft-driver-files FOLDER
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "host/failures/host_error.h"
#include "host/tools/tool_main.h"
#include "module/ClassIds.h"
#include "platform/printer_description.h"

namespace {

constexpr int kDotsPerInch = 203;
// The longest custom page: 200 inches, as long as the CUPS queues allow.
constexpr int kMaxCustomLength = 200 * kDotsPerInch;

// The filter's input and output, and the rasterization service every job needs.
constexpr char kInputIid[] = "{b8cf8530-5562-47c4-ab67-b1f69ecf961e}";   // IID_IXpsDocumentProvider
constexpr char kOutputIid[] = "{65bb7f1b-371e-4571-8ac7-912f510c1a38}";  // IID_IPrintWriteStream
constexpr char kUnidrvCore[] = "{D20EA372-DD35-4950-9ED8-A6335AFE79F0}";

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}

std::string GpdName(const std::string& code) { return "B" + code + ".GPD"; }
std::string ConfigName(const std::string& code) { return "brimloft-" + Lower(code) + "-pipelineconfig.xml"; }

std::string Guid(const CLSID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

// Micrometres in master units (dots), rounded.
int Dots(int micrometres) { return (micrometres * kDotsPerInch + 12700) / 25400; }

int Scored(const platform::PrinterOption& option, const std::string& name) {
  for (const auto& [key, value] : option.scoredProperties)
    if (key == name) return value;
  throw host::HostError(E_UNEXPECTED, "option " + option.name + " has no " + name);
}

const platform::PrinterFeature& Feature(const platform::PrinterDescription& printer, bool isPrivate,
                                        const std::string& name) {
  const platform::PrinterFeature* feature = printer.FindFeature(isPrivate, name);
  if (feature == nullptr) throw host::HostError(E_UNEXPECTED, printer.variant + " has no feature " + name);
  return *feature;
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out.flush()) throw host::HostError(host::HrFromErrno(errno), "cannot write " + path + ": " + std::strerror(errno));
}

std::string OptionBlock(const std::string& name, const std::string& body) {
  return "    *Option: " + name + "\n    {\n" + body + "    }\n";
}

// The features every model shares. Unidrv hands the filter each private option keyword exactly as
// written here, and the filter compares them literally.
std::string CommonGpd(const platform::PrinterDescription& printer) {
  std::string gpd =
      "*% Brimloft narrow thermal roll printers: what every model shares.\n"
      "*% Written by brimloft-driver-files from the printers' table; not to be edited.\n"
      "*GPDSpecVersion: \"1.0\"\n*Include: \"StdNames.gpd\"\n*Include: \"MSXPSINC.GPD\"\n"
      "*MasterUnits: PAIR(" + std::to_string(kDotsPerInch) + ", " + std::to_string(kDotsPerInch) + ")\n"
      "*PrinterType: SERIAL\n*MaxCopies: 1\n\n";
  const auto& orientation = Feature(printer, false, "PageOrientation");
  gpd += "*Feature: Orientation\n{\n    *rcNameID: =ORIENTATION_DISPLAY\n    *DefaultOption: " +
         std::string(orientation.defaultOption == "Landscape" ? "LANDSCAPE_CC90" : "PORTRAIT") + "\n" +
         OptionBlock("PORTRAIT", "        *rcNameID: =PORTRAIT_DISPLAY\n") +
         OptionBlock("LANDSCAPE_CC90", "        *rcNameID: =LANDSCAPE_DISPLAY\n") + "}\n\n";
  const auto& resolution = Feature(printer, false, "PageResolution");
  gpd += "*Feature: Resolution\n{\n    *rcNameID: =RESOLUTION_DISPLAY\n    *DefaultOption: " +
         resolution.defaultOption + "\n";
  for (const auto& option : resolution.options) {
    const std::string x = std::to_string(Scored(option, "ResolutionX")), y = std::to_string(Scored(option, "ResolutionY"));
    const std::string dpi = "PAIR(" + x + ", " + y + ")";
    gpd += OptionBlock(option.name, "        *Name: \"" + x + " x " + y + " dots per inch\"\n        *DPI: " + dpi +
                                        "\n        *TextDPI: " + dpi + "\n        *SpotDiameter: 100\n");
  }
  gpd += "}\n";
  for (const auto& feature : printer.features) {
    if (!feature.isPrivate) continue;
    gpd += "\n*Feature: " + feature.name + "\n{\n    *Name: \"" + feature.name + "\"\n    *DefaultOption: " +
           feature.defaultOption + "\n";
    for (const auto& option : feature.options) gpd += OptionBlock(option.name, "        *Name: \"" + option.name + "\"\n");
    gpd += "}\n";
  }
  return gpd;
}

// The model's roll sizes, sized to its head, and a custom size between its narrowest and widest roll.
std::string ModelGpd(const platform::PrinterDescription& printer) {
  const auto& media = Feature(printer, false, "PageMediaSize");
  std::string gpd = "*% Brimloft " + printer.variant +
                    ": written by brimloft-driver-files from the printers' table; not to be edited.\n"
                    "*GPDFileVersion: \"1.0\"\n*GPDFileName: \"" + GpdName(printer.variant) + "\"\n*ModelName: \"Brimloft " +
                    printer.variant + "\"\n*Include: \"BRIMLOFT.GPD\"\n\n"
                    "*Feature: PaperSize\n{\n    *rcNameID: =PAPER_SIZE_DISPLAY\n    *DefaultOption: " +
                    media.defaultOption + "\n";
  int narrowest = 1 << 30, widest = 0;
  for (const auto& option : media.options) {
    if (!option.parameterRefs.empty()) continue;  // the custom size: CUSTOMSIZE below
    const int width = Dots(Scored(option, "MediaSizeWidth")), length = Dots(Scored(option, "MediaSizeHeight"));
    narrowest = std::min(narrowest, width);
    widest = std::max(widest, width);
    const std::string size = "PAIR(" + std::to_string(width) + ", " + std::to_string(length) + ")";
    gpd += OptionBlock(option.name, "        *Name: \"" + option.name + "\"\n        *PageDimensions: " + size +
                                        "\n        *PrintableArea: " + size + "\n        *PrintableOrigin: PAIR(0, 0)\n");
  }
  gpd += OptionBlock("CUSTOMSIZE", "        *rcNameID: =USER_DEFINED_SIZE_DISPLAY\n        *MinSize: PAIR(" +
                                       std::to_string(narrowest) + ", " + std::to_string(kDotsPerInch / 4) +
                                       ")\n        *MaxSize: PAIR(" + std::to_string(widest) + ", " +
                                       std::to_string(kMaxCustomLength) + ")\n        *MaxPrintableWidth: " +
                                       std::to_string(widest) + "\n        *MinLeftMargin: 0\n        *CenterPrintable?: FALSE\n");
  return gpd + "}\n";
}

std::string PipelineConfig(const brimloft::VariantInfo& variant) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<!-- Brimloft " + std::string(variant.code) + ": written by brimloft-driver-files; not to be edited. -->\n"
         "<Filters>\n"
         "  <FilterServiceProvider dll=\"XpsRasterService.dll\"/>\n"
         "  <Filter dll=\"brimloft_filter.dll\" clsid=\"" + Guid(*variant.clsid) + "\" name=\"Brimloft " +
         variant.code + " filter\">\n"
         "    <Input guid=\"" + kInputIid + "\" comment=\"IID_IXpsDocumentProvider\"/>\n"
         "    <Output guid=\"" + kOutputIid + "\" comment=\"IID_IPrintWriteStream\"/>\n"
         "  </Filter>\n"
         "</Filters>\n";
}

std::string Inf() {
  std::string models, sections, files, disks;
  for (const auto& v : brimloft::kVariants) {
    const std::string code = v.code;
    models += "\"Brimloft " + code + "\" = " + code + "_Install, BrimloftRX_" + code + "\n";
    sections += "\n[" + code + "_Install]\nCopyFiles=Brimloft_Common," + code + "_Files\nDriverFile=mxdwdrv.dll\n"
                "ConfigFile=UniDrvUI.dll\nHelpFile=UniDrv.HLP\nDataFile=" + GpdName(code) + "\n"
                "CoreDriverSections=\"" + kUnidrvCore + ",UNIDRV.OEM,XPSDRV.OEM,XPSGPD.OEM\"\n"
                "\n[" + code + "_Files]\n" + GpdName(code) + "\n" + ConfigName(code) + "\n";
    disks += GpdName(code) + "=1\n" + ConfigName(code) + "=1\n";
  }
  return "; Brimloft narrow thermal roll printers: a v3 XPS driver on Unidrv, one model a variant.\n"
         "; Written by brimloft-driver-files from the printers' table; not to be edited.\n"
         "[Version]\nSignature=\"$Windows NT$\"\nClass=Printer\nClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\n"
         "Provider=%Manufacturer%\nCatalogFile=brimloft.cat\nDriverVer=12/01/2026,1.0.0.0\nPnpLockdown=1\n\n"
         "[Manufacturer]\n%Manufacturer%=Brimloft,NTamd64\n\n[Brimloft.NTamd64]\n" + models +
         "\n[PrinterPackageInstallation.amd64]\nPackageAware=TRUE\nCoreDriverDependencies=" + kUnidrvCore + "\n" +
         sections +
         "\n[Brimloft_Common]\nbrimloft_filter.dll\nBRIMLOFT.GPD\nBRIMLOFT-NOTICES.TXT\n\n"
         "[DestinationDirs]\nDefaultDestDir=66000\n\n[SourceDisksNames.amd64]\n1=%Disk%,,,\n\n"
         "[SourceDisksFiles]\nbrimloft_filter.dll=1\nBRIMLOFT.GPD=1\nBRIMLOFT-NOTICES.TXT=1\n" + disks +
         "\n[Strings]\nManufacturer=\"Kelmoran\"\nDisk=\"Brimloft driver files\"\n";
}

const char* const kUsage =
    "usage: brimloft-driver-files FOLDER\n"
    "Writes the Windows driver package's INF, GPDs and filter pipeline configurations into FOLDER,\n"
    "from the printers' table.\n"
    "\n"
    "  --help     shows this text\n"
    "  --version  shows the version\n"
    "\n"
    "Exit status: 0 written, 1 a file could not be written, 2 wrong usage.\n";

int WriteFiles(const std::vector<std::string>& operands) {
  if (operands.size() != 1) throw host::UsageError(operands.empty() ? "no folder given" : "more than one folder given");
  const std::string folder = operands[0] + "/";
  const std::string common = CommonGpd(platform::BuiltInPrinterDescription(brimloft::kVariants[0].code));
  Write(folder + "BRIMLOFT.GPD", common);
  for (const auto& v : brimloft::kVariants) {
    // One common GPD serves every model only while their features other than media agree.
    if (CommonGpd(platform::BuiltInPrinterDescription(v.code)) != common)
      throw host::HostError(E_UNEXPECTED, std::string(v.code) + " differs from the other models beyond its media sizes");
    Write(folder + GpdName(v.code), ModelGpd(platform::BuiltInPrinterDescription(v.code)));
    Write(folder + ConfigName(v.code), PipelineConfig(v));
  }
  Write(folder + "brimloft.inf", Inf());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return host::RunTool({"brimloft-driver-files", kUsage}, argc, argv, {}, WriteFiles);
}
