// SPDX-License-Identifier: Apache-2.0
#include "companion/async/ChunkPool.h"

#include <ace/Guard_T.h>

#include <new>

namespace oryx {

namespace {
// Gathered chunks are given back at least this often.
const size_t kReturnsBatch = 256;
// Chunk sizes are multiples of this many bytes.
const size_t kGrain = 128;
// The largest chunk kept for reuse (see the header).
const size_t kLargestKept = 64 * 1024;
}  // namespace

// A chunk's header, in front of the bytes handed out; its alignment keeps
// those bytes aligned for any object.
struct alignas(std::max_align_t) ChunkPool::Chunk {
  size_t capacity;
  Chunk* next;

  void* bytes() { return this + 1; }
  static Chunk* of(void* bytes) { return static_cast<Chunk*>(bytes) - 1; }
};

ChunkPool::ChunkPool(size_t minimum, size_t keep)
    : m_minimum(minimum), m_keep(keep), m_largest(minimum) {}

ChunkPool::~ChunkPool() {
  destroyChain(m_spare.first);
  destroyChain(m_returned.load(std::memory_order_acquire));
}

void* ChunkPool::take(size_t bytes) {
  Chunk* chunk = nullptr;
  {
    ACE_Guard<ACE_Thread_Mutex> guard(m_takeLock);
    chunk = pop(m_spare);
  }
  return fit(chunk, bytes);
}

ChunkPool::Chunk* ChunkPool::pop(TakerList& list) {
  if (list.first == nullptr) {
    if (list.popped != 0) m_idle.fetch_sub(list.popped, std::memory_order_relaxed);
    list.popped = 0;
    list.first = m_returned.exchange(nullptr, std::memory_order_acquire);
    if (list.first == nullptr) return nullptr;
  }
  Chunk* chunk = list.first;
  list.first = chunk->next;
  ++list.popped;
  return chunk;
}

void ChunkPool::drop(TakerList& list) {
  const size_t freed = destroyChain(list.first) + list.popped;
  if (freed != 0) m_idle.fetch_sub(freed, std::memory_order_relaxed);
  list.first = nullptr;
  list.popped = 0;
}

void* ChunkPool::fit(Chunk* chunk, size_t bytes) {
  if (chunk != nullptr && chunk->capacity >= bytes) return chunk->bytes();
  // An idle chunk too small for this request is replaced by a larger one.
  if (chunk != nullptr) {
    chunk->next = nullptr;
    destroyChain(chunk);
  }
  // New chunks are as large as the largest request so far, so that the
  // pool settles on one size instead of replacing chunks back and forth;
  // a request beyond the largest kept gets a chunk of its own size.
  size_t capacity = m_largest.load(std::memory_order_relaxed);
  if (capacity < bytes) {
    capacity = (bytes + kGrain - 1) / kGrain * kGrain;
    if (capacity <= kLargestKept) m_largest.store(capacity, std::memory_order_relaxed);
  }
  void* memory = ::operator new(sizeof(Chunk) + capacity, std::nothrow);
  if (memory == nullptr) return nullptr;
  return (new (memory) Chunk{capacity, nullptr})->bytes();
}

void ChunkPool::give(void* bytes) {
  if (bytes == nullptr) return;
  Chunk* chunk = Chunk::of(bytes);
  if (dropOversize(chunk)) return;
  giveChain(chunk, chunk, 1);
}

bool ChunkPool::dropOversize(Chunk* chunk) {
  if (chunk->capacity <= kLargestKept) return false;
  chunk->next = nullptr;
  destroyChain(chunk);
  return true;
}

void ChunkPool::trim() {
  {
    ACE_Guard<ACE_Thread_Mutex> guard(m_takeLock);
    drop(m_spare);
  }
  const size_t freed = destroyChain(m_returned.exchange(nullptr, std::memory_order_acquire));
  if (freed != 0) m_idle.fetch_sub(freed, std::memory_order_relaxed);
  m_largest.store(m_minimum, std::memory_order_relaxed);
}

void ChunkPool::giveChain(Chunk* first, Chunk* last, size_t count) {
  // Beyond the idle chunks kept, the whole list goes back to the heap.
  if (m_idle.fetch_add(count, std::memory_order_relaxed) + count > m_keep) {
    m_idle.fetch_sub(count, std::memory_order_relaxed);
    last->next = nullptr;
    destroyChain(first);
    return;
  }
  last->next = m_returned.load(std::memory_order_relaxed);
  while (!m_returned.compare_exchange_weak(last->next, first, std::memory_order_release,
                                           std::memory_order_relaxed)) {
  }
}

size_t ChunkPool::destroyChain(Chunk* first) {
  size_t count = 0;
  while (first != nullptr) {
    Chunk* next = first->next;
    first->~Chunk();
    ::operator delete(first);
    first = next;
    ++count;
  }
  return count;
}

void ChunkPool::Returns::add(void* bytes) {
  if (bytes == nullptr) return;
  Chunk* chunk = Chunk::of(bytes);
  if (m_pool.dropOversize(chunk)) return;
  chunk->next = m_first;
  m_first = chunk;
  if (m_last == nullptr) m_last = chunk;
  if (++m_count == kReturnsBatch) giveAll();
}

void ChunkPool::Returns::giveAll() {
  if (m_first == nullptr) return;
  m_pool.giveChain(m_first, m_last, m_count);
  m_first = m_last = nullptr;
  m_count = 0;
}

void* ChunkPool::Takes::take(size_t bytes) { return m_pool.fit(m_pool.pop(m_own), bytes); }

void ChunkPool::Takes::clear() { m_pool.drop(m_own); }

}  // namespace oryx
