// A job as the Linux pipeline host handed it to the filter, and what the filter asked of the
// system on the way, recorded by the Linux build so that the Windows build can be handed exactly
// the same and its bytes compared. Plain C++: read and written by both builds.
//
// Layout: "BLJR" then version, then the fields in the order Visit names them; integers are little
// endian, strings and byte runs are a 64-bit length and their bytes, pixels are run-length coded.
#ifndef BRIMLOFT_TESTS_WINDOWS_JOB_RECORD_H
#define BRIMLOFT_TESTS_WINDOWS_JOB_RECORD_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace brimloft::jobrecord {

using Bytes = std::vector<std::uint8_t>;

// A part's resource, as the page's part iterator handed it out.
enum class ResourceKind : std::uint32_t { Font, Image, ColorProfile, Dictionary, Other };

struct Resource {
  ResourceKind kind = ResourceKind::Other;
  std::string uri;
  std::string contentType;       // fonts and images
  std::uint32_t fontOptions = 0;  // EXpsFontOptions
  std::uint32_t restriction = 0;  // EXpsFontRestriction; only of a font that answers IPartFont2
  std::uint32_t hasRestriction = 0;
  Bytes content;
};

enum class PartKind : std::uint32_t { Sequence, Document, Page, End };

struct Part {
  PartKind kind = PartKind::End;
  std::string uri;
  std::uint32_t ticketHr = 0;  // GetPrintTicket's answer; the ticket only when it succeeded
  std::string ticketUri;
  Bytes ticket;
  Bytes content;  // pages only
  std::vector<Resource> resources;
};

// One entry of the property bag as the filter asked for it.
enum class EntryKind : std::uint32_t { Missing, String, Number, ReadStream, CoreHelper, RasterizationService };

struct Feature {
  std::string name;
  std::string option;  // GetOption's answer
  std::vector<std::string> options;
};

struct BagEntry {
  std::string name;
  EntryKind kind = EntryKind::Missing;
  std::uint32_t hr = 0;  // of a missing entry
  std::string text;
  std::uint64_t number = 0;
  Bytes stream;
  std::vector<Feature> features;
};

// One call of the Print Ticket API, with what it was handed and what it answered.
enum class TicketOp : std::uint32_t { QuerySchemaVersion, OpenProvider, CloseProvider, Merge };

struct TicketCall {
  TicketOp op = TicketOp::Merge;
  std::uint32_t hr = 0;
  std::string printer;
  std::uint32_t maxVersion = 0, preferredVersion = 0, answeredVersion = 0;
  std::uint32_t scope = 0;
  Bytes base, delta, result;
};

struct Strip {
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  std::uint32_t hr = 0;
  std::uint8_t format[16] = {};  // the bitmap's pixel format GUID as its bytes
  std::uint32_t bitmapWidth = 0, bitmapHeight = 0;
  Bytes pixels;  // 4 bytes a pixel, rows packed
};

// One rasterizer: the page as the object model answered for it, and every strip asked of it.
struct Raster {
  float dpi = 0;
  std::uint32_t nonTextMode = 0, textMode = 0;
  std::int32_t minimalLineWidth = -1;
  float size[2] = {};
  float bleedBox[4] = {};
  float contentBox[4] = {};
  std::vector<Strip> strips;
};

struct Job {
  std::string label;
  std::string variant;
  std::vector<BagEntry> bag;
  std::vector<Part> parts;
  std::vector<TicketCall> ticketCalls;
  std::vector<Raster> rasters;
  std::uint32_t hr = 0;  // StartOperation's answer
  Bytes output;
};

template <class A> void Visit(A& a, Resource& r);
template <class A> void Visit(A& a, Part& p);
template <class A> void Visit(A& a, Feature& f);
template <class A> void Visit(A& a, std::string& s);
template <class A> void Visit(A& a, BagEntry& e);
template <class A> void Visit(A& a, TicketCall& c);
template <class A> void Visit(A& a, Strip& s);
template <class A> void Visit(A& a, Raster& r);

// Pixels as runs of equal 4-byte values: a count, then the value.
struct Pixels {
  Bytes* bytes;
};

class Writer {
 public:
  explicit Writer(std::FILE* file) : file_(file) {}
  void operator()(std::uint32_t v) { Put(&v, 4); }
  void operator()(std::int32_t v) { Put(&v, 4); }
  void operator()(std::uint64_t v) { Put(&v, 8); }
  void operator()(float v) { Put(&v, 4); }
  template <class E, class = std::enable_if_t<std::is_enum_v<E>>>
  void operator()(E v) {
    (*this)(static_cast<std::uint32_t>(v));
  }
  void operator()(std::uint8_t (&v)[16]) { Put(v, 16); }
  void operator()(std::string& s) {
    (*this)(std::uint64_t(s.size()));
    Put(s.data(), s.size());
  }
  void operator()(Bytes& b) {
    (*this)(std::uint64_t(b.size()));
    Put(b.data(), b.size());
  }
  void operator()(Pixels p) {
    const Bytes& b = *p.bytes;
    (*this)(std::uint64_t(b.size()));
    for (std::size_t i = 0; i + 4 <= b.size();) {
      std::uint32_t run = 1;
      while (i + 4 * (run + 1) <= b.size() && std::memcmp(&b[i], &b[i + 4 * run], 4) == 0) ++run;
      (*this)(run);
      Put(&b[i], 4);
      i += 4 * std::size_t(run);
    }
  }
  template <class T>
  void operator()(std::vector<T>& items) {
    (*this)(std::uint64_t(items.size()));
    for (T& item : items) Visit(*this, item);
  }

 private:
  void Put(const void* data, std::size_t n) {
    if (n != 0 && std::fwrite(data, 1, n, file_) != n) throw std::runtime_error("cannot write the job record");
  }
  std::FILE* file_;
};

class Reader {
 public:
  explicit Reader(std::FILE* file) : file_(file) {}
  void operator()(std::uint32_t& v) { Get(&v, 4); }
  void operator()(std::int32_t& v) { Get(&v, 4); }
  void operator()(std::uint64_t& v) { Get(&v, 8); }
  void operator()(float& v) { Get(&v, 4); }
  template <class E, class = std::enable_if_t<std::is_enum_v<E>>>
  void operator()(E& v) {
    std::uint32_t raw = 0;
    (*this)(raw);
    v = static_cast<E>(raw);
  }
  void operator()(std::uint8_t (&v)[16]) { Get(v, 16); }
  void operator()(std::string& s) {
    s.resize(Length());
    Get(s.data(), s.size());
  }
  void operator()(Bytes& b) {
    b.resize(Length());
    Get(b.data(), b.size());
  }
  void operator()(Pixels p) {
    Bytes& b = *p.bytes;
    b.resize(Length());
    for (std::size_t i = 0; i + 4 <= b.size();) {
      std::uint32_t run = 0;
      std::uint8_t value[4];
      (*this)(run);
      Get(value, 4);
      if (run == 0 || run > (b.size() - i) / 4) throw std::runtime_error("the job record's pixels are damaged");
      for (; run > 0; --run, i += 4) std::memcpy(&b[i], value, 4);
    }
  }
  template <class T>
  void operator()(std::vector<T>& items) {
    items.resize(Length());
    for (T& item : items) Visit(*this, item);
  }

 private:
  std::size_t Length() {
    std::uint64_t n = 0;
    (*this)(n);
    if (n > (std::uint64_t(1) << 32)) throw std::runtime_error("the job record is damaged: a length of " + std::to_string(n));
    return static_cast<std::size_t>(n);
  }
  void Get(void* data, std::size_t n) {
    if (n != 0 && std::fread(data, 1, n, file_) != n) throw std::runtime_error("the job record ends early");
  }
  std::FILE* file_;
};

template <class A>
void Visit(A& a, Resource& r) {
  a(r.kind), a(r.uri), a(r.contentType), a(r.fontOptions), a(r.restriction), a(r.hasRestriction), a(r.content);
}
template <class A>
void Visit(A& a, Part& p) {
  a(p.kind), a(p.uri), a(p.ticketHr), a(p.ticketUri), a(p.ticket), a(p.content), a(p.resources);
}
template <class A>
void Visit(A& a, Feature& f) {
  a(f.name), a(f.option), a(f.options);
}
template <class A>
void Visit(A& a, std::string& s) {
  a(s);
}
template <class A>
void Visit(A& a, BagEntry& e) {
  a(e.name), a(e.kind), a(e.hr), a(e.text), a(e.number), a(e.stream), a(e.features);
}
template <class A>
void Visit(A& a, TicketCall& c) {
  a(c.op), a(c.hr), a(c.printer), a(c.maxVersion), a(c.preferredVersion), a(c.answeredVersion), a(c.scope),
      a(c.base), a(c.delta), a(c.result);
}
template <class A>
void Visit(A& a, Strip& s) {
  a(s.x), a(s.y), a(s.width), a(s.height), a(s.hr), a(s.format), a(s.bitmapWidth), a(s.bitmapHeight),
      a(Pixels{&s.pixels});
}
template <class A>
void Visit(A& a, Raster& r) {
  a(r.dpi), a(r.nonTextMode), a(r.textMode), a(r.minimalLineWidth);
  for (float& v : r.size) a(v);
  for (float& v : r.bleedBox) a(v);
  for (float& v : r.contentBox) a(v);
  a(r.strips);
}
template <class A>
void Visit(A& a, Job& j) {
  a(j.label), a(j.variant), a(j.bag), a(j.parts), a(j.ticketCalls), a(j.rasters), a(j.hr), a(j.output);
}

constexpr std::uint32_t kMagic = 0x524A4C42;  // "BLJR"
constexpr std::uint32_t kVersion = 1;

inline void Save(Job& job, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw std::runtime_error("cannot create the job record " + path);
  try {
    Writer w(file);
    w(std::uint32_t(kMagic)), w(std::uint32_t(kVersion));
    Visit(w, job);
  } catch (...) {
    std::fclose(file);
    throw;
  }
  if (std::fclose(file) != 0) throw std::runtime_error("cannot write the job record " + path);
}

inline Job Load(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw std::runtime_error("cannot open the job record " + path);
  Job job;
  try {
    Reader r(file);
    std::uint32_t magic = 0, version = 0;
    r(magic), r(version);
    if (magic != kMagic || version != kVersion) throw std::runtime_error(path + " is no job record of this version");
    Visit(r, job);
  } catch (...) {
    std::fclose(file);
    throw;
  }
  std::fclose(file);
  return job;
}

}  // namespace brimloft::jobrecord

#endif
