// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_ASYNC_CHUNKPOOL_H
#define ORYXUTIL_COMPANION_ASYNC_CHUNKPOOL_H

// Recycled memory for items made on one thread and finished with on another
// (the blocks of a writer's queue). Freeing such memory on the consuming
// thread and allocating it again on the producing one makes both threads
// fight over the heap's lock; a chunk given back here is reused instead.
// take(n) hands out a chunk of at least n bytes, aligned for any object,
// or nullptr when memory runs out. New chunks have the size of the largest
// request so far (at least `minimum`), so that the pool settles on one size.
// Up to `keep` idle chunks are kept; the rest go back to the heap. A
// request beyond 64 KiB gets a chunk of its own size, which goes back to the
// heap when given back: one huge item leaves the pool's size, and so its
// memory, as it was.
// Ownership: the pool must outlive every chunk it hands out; its destructor
// and trim() free the idle ones.
// Threads: take, give and Returns from any threads at once. Giving back
// never blocks; taking holds a short lock only against other takers.

#include "companion/async/AdaptiveMutex.h"

#include <atomic>
#include <cstddef>

namespace oryx {

class ChunkPool {
  struct Chunk;
  // A list that one taker (or the takers under the lock) pops from.
  struct TakerList {
    Chunk* first = nullptr;
    size_t popped = 0;  // since the last refill, still counted as idle
  };

 public:
  ChunkPool(size_t minimum, size_t keep);
  ~ChunkPool();
  ChunkPool(const ChunkPool&) = delete;
  ChunkPool& operator=(const ChunkPool&) = delete;

  void* take(size_t bytes);
  void give(void* bytes);
  // Frees every idle chunk; new chunks start again from `minimum`.
  void trim();

  // Chunks that one thread gathers and gives back all at once (when the
  // batch is full, on giveAll() and on destruction): the pool's shared list
  // is touched once per batch, not once per chunk. Not thread-safe itself.
  class Returns {
   public:
    explicit Returns(ChunkPool& pool) : m_pool(pool) {}
    ~Returns() { giveAll(); }
    Returns(const Returns&) = delete;
    Returns& operator=(const Returns&) = delete;

    void add(void* bytes);
    void giveAll();

   private:
    ChunkPool& m_pool;
    Chunk* m_first = nullptr;
    Chunk* m_last = nullptr;
    size_t m_count = 0;
  };

  // Chunks that one thread takes for itself: it moves the pool's whole list
  // of given-back chunks to its own at once and then hands them out with no
  // lock and no atomic operation. clear() and destruction free its chunks.
  // Not thread-safe itself.
  class Takes {
   public:
    explicit Takes(ChunkPool& pool) : m_pool(pool) {}
    ~Takes() { clear(); }
    Takes(const Takes&) = delete;
    Takes& operator=(const Takes&) = delete;

    void* take(size_t bytes);
    void clear();

   private:
    ChunkPool& m_pool;
    TakerList m_own;
  };

 private:
  // The pops from a taker's list are counted locally and leave the idle
  // count when the list is next refilled, so taking a chunk costs no
  // atomic operation; the shared list is moved over whole when it runs dry.
  Chunk* pop(TakerList& list);
  // Frees a taker's list and settles the idle count.
  void drop(TakerList& list);
  // `chunk`'s bytes when it holds `bytes`; otherwise (or without a chunk) a
  // new chunk's, the small one being freed.
  void* fit(Chunk* chunk, size_t bytes);
  void giveChain(Chunk* first, Chunk* last, size_t count);
  // Frees a chunk given back that is too large to keep; false for others.
  bool dropOversize(Chunk* chunk);
  // Frees a list; returns how many chunks it held.
  static size_t destroyChain(Chunk* first);

  const size_t m_minimum;
  const size_t m_keep;
  std::atomic<size_t> m_largest;  // the size of new chunks
  // Chunks given back, prepended by any thread; a taker moves the whole list
  // to its own at once, so no one ever pops from the list others push to.
  std::atomic<Chunk*> m_returned{nullptr};
  // Idle chunks: in the shared list and in takers' lists.
  std::atomic<size_t> m_idle{0};
  AdaptiveMutex m_takeLock;
  TakerList m_spare;  // guarded by m_takeLock
};

}  // namespace oryx

#endif
