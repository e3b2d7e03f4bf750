// Reading a stream whole, as the substitutes do with the tickets, documents and parts handed to
// them: where reading ends, what a misbehaving stream gets, and that a seekable stream is read from
// where it stands.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>
#include <utility>
#include <vector>

#include "module/ComPtr.h"
#include "platform/core/stream_bytes.h"

namespace {

// A stream that answers each Read with the next scripted result: a status and the bytes it hands
// over (a count beyond the request is claimed, not copied).
class ScriptedStream : public ISequentialStream {
 public:
  struct Answer {
    HRESULT hr;
    std::string bytes;
    ULONG claimed = 0;  // when nonzero, the count reported instead of bytes.size()
  };
  explicit ScriptedStream(std::vector<Answer> script) : script_(std::move(script)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
    if (calls_ >= script_.size()) {
      ADD_FAILURE() << "read after the stream's end was already given";
      return E_FAIL;
    }
    const Answer& a = script_[calls_++];
    memcpy(buffer, a.bytes.data(), std::min<size_t>(a.bytes.size(), size));
    *read = a.claimed ? a.claimed : ULONG(a.bytes.size());
    return a.hr;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  size_t calls() const { return calls_; }

 private:
  std::vector<Answer> script_;
  size_t calls_ = 0;
};

TEST(StreamBytes, WhereReadingEndsAndWhatFails) {
  struct Case {
    const char* name;
    std::vector<ScriptedStream::Answer> script;
    size_t limit;
    HRESULT expected;
    std::string bytes;
  };
  const Case cases[] = {
      {"a read of nothing ends it", {{S_OK, "abc"}, {S_OK, "de"}, {S_OK, ""}}, SIZE_MAX, S_OK, "abcde"},
      {"S_FALSE (fewer than asked) ends it", {{S_OK, "ab"}, {S_FALSE, "c"}}, SIZE_MAX, S_OK, "abc"},
      {"the stream's failure passes", {{S_OK, "ab"}, {E_ACCESSDENIED, ""}}, SIZE_MAX, E_ACCESSDENIED, "ab"},
      {"more claimed than asked", {{S_OK, "x", 65537}}, SIZE_MAX, E_UNEXPECTED, ""},
      {"past the limit it stops", {{S_OK, "ab"}, {S_OK, "cd"}}, 3, S_OK, "abcd"},
      {"up to the limit it goes on", {{S_OK, "ab"}, {S_OK, "c"}, {S_OK, ""}}, 3, S_OK, "abc"},
  };
  for (const Case& c : cases) {
    ScriptedStream stream(c.script);
    std::string bytes;
    EXPECT_EQ(c.expected, platform::ReadToEnd(&stream, bytes, c.limit)) << c.name;
    EXPECT_EQ(c.bytes, bytes) << c.name;
    EXPECT_EQ(c.script.size(), stream.calls()) << c.name;
  }
  std::string bytes = "kept";
  EXPECT_EQ(E_POINTER, platform::ReadToEnd(static_cast<ISequentialStream*>(nullptr), bytes));
  EXPECT_EQ(E_POINTER, platform::ReadToEnd(static_cast<IStream*>(nullptr), bytes));
  EXPECT_EQ("kept", bytes);
}

TEST(StreamBytes, SeekableStreamIsReadFromWhereItStands) {
  IStream* raw = nullptr;
  ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &raw));
  const auto stream = brimloft::ComPtr<IStream>::Attach(raw);
  const std::string content(200000, 'x');  // several reads' worth
  ASSERT_EQ(S_OK, stream->Write(content.data(), ULONG(content.size()), nullptr));
  LARGE_INTEGER at{};
  at.QuadPart = 4;
  ASSERT_EQ(S_OK, stream->Seek(at, STREAM_SEEK_SET, nullptr));

  std::string bytes = "head:";
  EXPECT_EQ(S_OK, platform::ReadToEnd(stream.get(), bytes));
  EXPECT_EQ("head:" + content.substr(4), bytes);
  ULARGE_INTEGER end{};
  ASSERT_EQ(S_OK, stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end));
  EXPECT_EQ(content.size(), end.QuadPart);
}

}  // namespace
