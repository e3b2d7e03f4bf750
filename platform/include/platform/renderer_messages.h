// What the renderer said while it opened and drew pages: its warnings, the errors it recovered
// from and the one that failed a page. The rasterization service keeps them here, by the fixed
// page they concern, instead of letting them reach standard error; the host that handed it this
// collector shows and records them.
#ifndef BRIMLOFT_PLATFORM_RENDERER_MESSAGES_H
#define BRIMLOFT_PLATFORM_RENDERER_MESSAGES_H

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace platform {

struct RendererMessage {
  std::string page;         // the fixed page's part name, as the object-model page has it
  bool error = false;       // an error, else a warning
  std::string text;         // the renderer's own words
  unsigned long count = 0;  // how many times it was said
};

// Shared by every page of a rasterization factory; pages may render on several threads at once.
class RendererMessages {
 public:
  // Beyond this many distinct messages a page's further ones are only counted, so that a page
  // cannot fill memory with words.
  static constexpr size_t kDistinctPerPage = 100;

  // Counts the message times more; never throws (a message that cannot be kept is dropped).
  void Add(const std::string& page, bool error, const std::string& text, unsigned long times = 1) noexcept;
  // Adds times more to the count of the page's last warning, as the renderer reports repeats of
  // its last warning; nothing when the page gave none yet.
  void Repeat(const std::string& page, unsigned long times) noexcept;
  // What was said since the last call: each distinct message (page, kind, words) once, with its
  // count, in the order first said.
  std::vector<RendererMessage> Take();

 private:
  using Key = std::tuple<std::string, bool, std::string>;
  std::mutex mutex_;
  std::vector<RendererMessage> messages_;
  std::map<Key, size_t> index_;                // where each distinct message is in messages_
  std::map<std::string, size_t> lastWarning_;  // where the page's last warning is
  std::map<std::string, size_t> distinct_;     // distinct messages per page
};

}  // namespace platform

#endif
