// Global memory blocks. A GMEM_FIXED block is its own address. A GMEM_MOVEABLE block is a handle
// to a record holding the data pointer and a lock count; the data may move while it is unlocked.
// Every live block is registered, so a stale or foreign handle fails with ERROR_INVALID_HANDLE
// instead of touching memory.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

constexpr UINT kMaxLockCount = 0xFF;

struct Block {
  bool moveable = false;
  void* data = nullptr;  // null for a discarded (zero-size) moveable block
  SIZE_T size = 0;
  UINT lockCount = 0;
  UINT flags = 0;
};

class BlockTable {
 public:
  std::mutex mutex;
  std::unordered_map<HGLOBAL, Block> blocks;

  Block* Find(HGLOBAL h) {
    auto it = blocks.find(h);
    return it == blocks.end() ? nullptr : &it->second;
  }
};

BlockTable& Table() {
  static BlockTable* table = new BlockTable;  // never destroyed: blocks may outlive static teardown
  return *table;
}

// Runs use on the live block of h under the table's lock. An unknown handle sets
// ERROR_INVALID_HANDLE and gives invalid instead.
template <class Result, class Use>
Result OnBlock(HGLOBAL h, Result invalid, Use use) {
  auto& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  Block* block = table.Find(h);
  if (block == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return invalid;
  }
  return use(*block);
}

void* AllocateData(SIZE_T bytes, bool zero) {
  void* p = zero ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  return p;
}

// Handles of moveable blocks are tokens with bit 1 set, which heap addresses never have, so a
// moveable handle is never mistaken for a fixed block. Called under the table's lock.
HGLOBAL NewMoveableHandle() {
  static std::uintptr_t next = 0x10000;
  next += 16;
  return reinterpret_cast<HGLOBAL>(next | 2);
}

}  // namespace

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  const bool zero = (uFlags & GMEM_ZEROINIT) != 0;
  if (dwBytes > (SIZE_T(1) << 40)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (uFlags & GMEM_MOVEABLE) {
    Block block;
    block.moveable = true;
    block.flags = uFlags;
    if (dwBytes != 0) {
      block.data = AllocateData(dwBytes, zero);
      if (block.data == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
      }
      block.size = dwBytes;
    }
    HGLOBAL h = NewMoveableHandle();
    table.blocks.emplace(h, block);
    return h;
  }
  void* data = AllocateData(dwBytes, zero);
  if (data == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block block;
  block.data = data;
  block.size = dwBytes;
  block.flags = uFlags;
  table.blocks.emplace(data, block);
  return data;
}

extern "C" HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
  auto& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  Block* block = table.Find(hMem);
  if (block == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (uFlags & GMEM_MODIFY) {
    return hMem;
  }
  const bool zero = (uFlags & GMEM_ZEROINIT) != 0;
  if (block->moveable) {
    if (dwBytes == 0) {
      std::free(block->data);
      block->data = nullptr;
      block->size = 0;
      return hMem;
    }
    // A locked block may only move when the caller allows it.
    if (block->lockCount != 0 && !(uFlags & GMEM_MOVEABLE) && dwBytes > block->size) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    void* data = std::realloc(block->data, dwBytes);
    if (data == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if (zero && dwBytes > block->size) std::memset(static_cast<char*>(data) + block->size, 0, dwBytes - block->size);
    block->data = data;
    block->size = dwBytes;
    return hMem;
  }
  // A fixed block only moves with GMEM_MOVEABLE; otherwise it can only shrink in place.
  if (dwBytes <= block->size) {
    block->size = dwBytes;
    return hMem;
  }
  if (!(uFlags & GMEM_MOVEABLE)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* data = std::realloc(block->data, dwBytes);
  if (data == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block moved = *block;
  if (zero) std::memset(static_cast<char*>(data) + moved.size, 0, dwBytes - moved.size);
  moved.data = data;
  moved.size = dwBytes;
  table.blocks.erase(hMem);
  table.blocks.emplace(data, moved);
  return data;
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
  if (hMem == nullptr) return nullptr;
  auto& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.blocks.find(hMem);
  if (it == table.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
  }
  std::free(it->second.data);
  table.blocks.erase(it);
  return nullptr;
}

extern "C" LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
  return OnBlock<LPVOID>(hMem, nullptr, [](Block& block) -> LPVOID {
    if (!block.moveable) return block.data;
    if (block.data == nullptr) {
      SetLastError(ERROR_DISCARDED);
      return nullptr;
    }
    if (block.lockCount < kMaxLockCount) ++block.lockCount;
    return block.data;
  });
}

// Nonzero while the block stays locked; zero with last error NO_ERROR when this call unlocked it;
// zero with ERROR_NOT_LOCKED when it was not locked.
extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
  return OnBlock<BOOL>(hMem, FALSE, [](Block& block) -> BOOL {
    if (!block.moveable) return TRUE;
    if (block.lockCount == 0) {
      SetLastError(ERROR_NOT_LOCKED);
      return FALSE;
    }
    if (--block.lockCount == 0) {
      SetLastError(NOERROR);
      return FALSE;
    }
    return TRUE;
  });
}

extern "C" SIZE_T WINAPI GlobalSize(HGLOBAL hMem) {
  return OnBlock<SIZE_T>(hMem, 0, [](Block& block) { return block.size; });
}

extern "C" UINT WINAPI GlobalFlags(HGLOBAL hMem) {
  return OnBlock<UINT>(hMem, GMEM_INVALID_HANDLE, [](Block& block) {
    UINT flags = block.lockCount & GMEM_LOCKCOUNT;
    if (block.moveable && block.data == nullptr) flags |= 0x4000;  // GMEM_DISCARDED
    if (block.flags & GMEM_DDESHARE) flags |= GMEM_DDESHARE;
    return flags;
  });
}
