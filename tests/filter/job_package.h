// A small XPS package for whole-job tests: fixed documents of one-strip pages.
#ifndef BRIMLOFT_TESTS_FILTER_JOB_PACKAGE_H
#define BRIMLOFT_TESTS_FILTER_JOB_PACKAGE_H

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fakes/scratch_folder.h"
#include "host/package/package_writer.h"

namespace brimloft::fakes {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A black bar across most of a page.
constexpr char kBlackBar[] = "<Path Data='M 10,10 L 300,10 300,60 10,60 Z' Fill='#FF000000'/>";

// A package of fixed documents with the given page counts; every page is 4 x 1 inch holding the
// markup (a black bar unless told), so each page is one strip.
inline std::string MakePackage(const fakes::ScratchFolder& scratch, const std::vector<int>& pagesPerDocument,
                               const std::string& markup = kBlackBar) {
  const std::filesystem::path root = std::filesystem::path(scratch.path()) / "parts";
  WriteText(root / "[Content_Types].xml",
            "<Types xmlns='http://schemas.openxmlformats.org/package/2006/content-types'>"
            "<Default Extension='rels' ContentType='application/vnd.openxmlformats-package.relationships+xml'/>"
            "<Default Extension='fdseq' ContentType='application/vnd.ms-package.xps-fixeddocumentsequence+xml'/>"
            "<Default Extension='fdoc' ContentType='application/vnd.ms-package.xps-fixeddocument+xml'/>"
            "<Default Extension='fpage' ContentType='application/vnd.ms-package.xps-fixedpage+xml'/></Types>");
  WriteText(root / "_rels/.rels",
            "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
            "<Relationship Id='R0' Type='http://schemas.microsoft.com/xps/2005/06/fixedrepresentation'"
            " Target='/FixedDocumentSequence.fdseq'/></Relationships>");
  std::string sequence = "<FixedDocumentSequence xmlns='http://schemas.microsoft.com/xps/2005/06'>";
  for (size_t d = 1; d <= pagesPerDocument.size(); ++d) {
    const std::string folder = "Documents/" + std::to_string(d);
    sequence += "<DocumentReference Source='/" + folder + "/FixedDocument.fdoc'/>";
    std::string document = "<FixedDocument xmlns='http://schemas.microsoft.com/xps/2005/06'>";
    for (int p = 1; p <= pagesPerDocument[d - 1]; ++p) {
      const std::string page = folder + "/Pages/" + std::to_string(p) + ".fpage";
      document += "<PageContent Source='/" + page + "'/>";
      WriteText(root / page,
                "<FixedPage xmlns='http://schemas.microsoft.com/xps/2005/06' Width='384' Height='96' xml:lang='en'>" +
                    markup + "</FixedPage>");
    }
    WriteText(root / folder / "FixedDocument.fdoc", document + "</FixedDocument>");
  }
  WriteText(root / "FixedDocumentSequence.fdseq", sequence + "</FixedDocumentSequence>");
  const std::string path = scratch.file("job.xps");
  host::PackFolder(root.string(), path);
  return path;
}

}  // namespace brimloft::fakes

#endif
