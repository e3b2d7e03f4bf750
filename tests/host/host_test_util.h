// Shared by the host tests: a scratch folder and small ZIP files made on the spot.
#ifndef BRIMLOFT_TESTS_HOST_HOST_TEST_UTIL_H
#define BRIMLOFT_TESTS_HOST_HOST_TEST_UTIL_H

#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace host_test {

inline std::string SamplePath(const std::string& name) { return std::string(BRIMLOFT_TEST_DATA) + "/samples/" + name; }
inline std::string ExampleFolder(const std::string& name) {
  return std::string(BRIMLOFT_TEST_DATA) + "/../../examples/" + name;
}
constexpr const char* kMonoFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr const char* kSansFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A folder of its own under the temporary directory, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brimloft-host-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes a ZIP holding the items in the order given; stored uncompressed when store is set.
inline void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& items,
                     bool store = false) {
  int code = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (z == nullptr) throw std::runtime_error("zip_open failed");
  for (const auto& [name, data] : items) {
    zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
    const zip_int64_t index = zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) throw std::runtime_error("zip_file_add failed");
    if (store) zip_set_file_compression(z, index, ZIP_CM_STORE, 0);
  }
  if (zip_close(z) != 0) throw std::runtime_error("zip_close failed");
}

// The parts of a minimal XPS job with one document of the given pages; each page "/Documents/1/
// Pages/N.fpage" holds its own number in the text.
inline std::vector<std::pair<std::string, std::string>> MinimalXps(int pages) {
  const std::string ns = "http://schemas.microsoft.com/xps/2005/06";
  std::vector<std::pair<std::string, std::string>> items = {
      {"[Content_Types].xml",
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"fdseq\" ContentType=\"application/vnd.ms-package.xps-fixeddocumentsequence+xml\"/>"
       "<Default Extension=\"fdoc\" ContentType=\"application/vnd.ms-package.xps-fixeddocument+xml\"/>"
       "<Default Extension=\"fpage\" ContentType=\"application/vnd.ms-package.xps-fixedpage+xml\"/></Types>"},
      {"_rels/.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"R0\" Type=\"http://schemas.microsoft.com/xps/2005/06/fixedrepresentation\" "
       "Target=\"/FixedDocumentSequence.fdseq\"/></Relationships>"},
      {"FixedDocumentSequence.fdseq", "<FixedDocumentSequence xmlns=\"" + ns +
                                          "\"><DocumentReference Source=\"Documents/1/FixedDocument.fdoc\"/>"
                                          "</FixedDocumentSequence>"}};
  std::string doc = "<FixedDocument xmlns=\"" + ns + "\">";
  for (int p = 1; p <= pages; ++p) {
    doc += "<PageContent Source=\"Pages/" + std::to_string(p) + ".fpage\"/>";
    items.push_back({"Documents/1/Pages/" + std::to_string(p) + ".fpage",
                     "<FixedPage xmlns=\"" + ns + "\" Width=\"100\" Height=\"50\"><!-- page " + std::to_string(p) +
                         " --></FixedPage>"});
  }
  items.push_back({"Documents/1/FixedDocument.fdoc", doc + "</FixedDocument>"});
  return items;
}

}  // namespace host_test

#endif
