#include "platform/renderer_messages.h"

#include <new>

namespace platform {
namespace {

// Said in place of a page's messages beyond kDistinctPerPage.
constexpr const char* kLeftOut = "further distinct messages of this page left out";

}  // namespace

void RendererMessages::Add(const std::string& page, bool error, const std::string& text,
                           unsigned long times) noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    Key key{page, error, text};
    auto found = index_.find(key);
    if (found == index_.end() && distinct_[page] >= kDistinctPerPage) {
      key = Key{page, false, kLeftOut};
      found = index_.find(key);
    }
    if (found == index_.end()) {
      messages_.push_back(RendererMessage{page, std::get<1>(key), std::get<2>(key), 0});
      found = index_.emplace(std::move(key), messages_.size() - 1).first;
      ++distinct_[page];
    }
    messages_[found->second].count += times;
    if (!error) lastWarning_[page] = found->second;
  } catch (const std::bad_alloc&) {
  }
}

void RendererMessages::Repeat(const std::string& page, unsigned long times) noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto last = lastWarning_.find(page);
    if (last != lastWarning_.end()) messages_[last->second].count += times;
  } catch (const std::bad_alloc&) {
  }
}

std::vector<RendererMessage> RendererMessages::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<RendererMessage> taken;
  taken.swap(messages_);
  index_.clear();
  lastWarning_.clear();
  distinct_.clear();
  return taken;
}

}  // namespace platform
