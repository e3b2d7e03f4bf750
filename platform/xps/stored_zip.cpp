#include "xps/stored_zip.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace platform::xps {
namespace {

constexpr std::uint16_t kVersion = 20;
constexpr std::uint16_t kUtf8Names = 0x0800;
constexpr std::uint64_t kLimit = 0xFFFFFFFFu;

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

constexpr std::size_t kLocalHeader = 30;
constexpr std::size_t kDirectoryEntry = 46;
constexpr std::size_t kEndRecord = 22;

}  // namespace

void StoredZip::Reserve(std::size_t entries, std::size_t nameBytes, std::size_t dataBytes) {
  const std::size_t directory = kDirectoryEntry * entries + nameBytes;
  // Finish appends the directory and its end record to the body: the body's block holds them too.
  body_.reserve(kLocalHeader * entries + nameBytes + dataBytes + directory + kEndRecord);
  directory_.reserve(directory);
}

HRESULT StoredZip::Add(const std::string& name, const std::string& data) {
  if (entries_ >= 0xFFFF || name.size() > 0xFFFF) return E_OUTOFMEMORY;
  const std::uint64_t offset = body_.size();
  if (offset + kLocalHeader + name.size() + data.size() > kLimit) return E_OUTOFMEMORY;
  try {
    constexpr std::uint32_t crc = 0;  // not checked by the reader
    const auto size = static_cast<std::uint32_t>(data.size());
    const std::size_t needed = body_.size() + kLocalHeader + name.size() + data.size();
    if (body_.capacity() < needed) body_.reserve(std::max(needed, 2 * body_.capacity()));
    Put32(body_, 0x04034b50);
    Put16(body_, kVersion);
    Put16(body_, kUtf8Names);
    Put16(body_, 0);  // stored
    Put16(body_, 0);  // time
    Put16(body_, 0x21);  // date: 1980-01-01
    Put32(body_, crc);
    Put32(body_, size);
    Put32(body_, size);
    Put16(body_, static_cast<std::uint32_t>(name.size()));
    Put16(body_, 0);
    body_ += name;
    body_ += data;

    Put32(directory_, 0x02014b50);
    Put16(directory_, kVersion);
    Put16(directory_, kVersion);
    Put16(directory_, kUtf8Names);
    Put16(directory_, 0);
    Put16(directory_, 0);
    Put16(directory_, 0x21);
    Put32(directory_, crc);
    Put32(directory_, size);
    Put32(directory_, size);
    Put16(directory_, static_cast<std::uint32_t>(name.size()));
    Put16(directory_, 0);  // extra
    Put16(directory_, 0);  // comment
    Put16(directory_, 0);  // disk
    Put16(directory_, 0);  // internal attributes
    Put32(directory_, 0);  // external attributes
    Put32(directory_, static_cast<std::uint32_t>(offset));
    directory_ += name;
    ++entries_;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT StoredZip::Finish(std::string& archive) {
  if (body_.size() + directory_.size() + kEndRecord > kLimit) return E_OUTOFMEMORY;
  try {
    const auto bodySize = static_cast<std::uint32_t>(body_.size());
    archive = std::move(body_);
    body_.clear();
    archive += directory_;
    Put32(archive, 0x06054b50);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, entries_);
    Put16(archive, entries_);
    Put32(archive, static_cast<std::uint32_t>(directory_.size()));
    Put32(archive, bodySize);
    Put16(archive, 0);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace platform::xps
