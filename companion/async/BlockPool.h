// SPDX-License-Identifier: Apache-2.0
#ifndef ORYXUTIL_COMPANION_ASYNC_BLOCKPOOL_H
#define ORYXUTIL_COMPANION_ASYNC_BLOCKPOOL_H

// Data blocks for a writer's queue, each made in one piece: the
// ACE_Message_Block, its data block and the text it refers to share one
// recycled chunk, so queueing a text costs no heap allocation once the pool
// is warm. A block refers to its text without owning it (DONT_DELETE), has
// the declared size given to make() (what the queue counts towards its
// water marks) and priority 0.
// Ownership: make() hands the block to the caller; recycle() (or a
// Recycler) releases it and takes its chunk back. The pool must outlive
// every block it made.
// Threads: make and recycle from any threads at once; a Maker or a
// Recycler belongs to one thread.

#include "companion/async/ChunkPool.h"

#include <ace/Message_Block.h>

namespace oryx {

class BlockPool {
 public:
  // `textBytes`: the text space most blocks need; `keep`: idle blocks kept.
  BlockPool(size_t textBytes, size_t keep);

  // A block whose base() is `textBytes` bytes of writable text space;
  // nullptr when memory runs out.
  ACE_Message_Block* make(size_t textBytes, size_t declaredSize);
  void recycle(ACE_Message_Block* block);
  // Ends a chain of blocks linked through next(): blocks of this pool are
  // recycled, any other block (a stop block or end marker from the heap) is
  // released.
  void releaseChain(ACE_Message_Block* first);
  // The text space a block was made with (its textBytes).
  static size_t textBytes(const ACE_Message_Block* block);
  // Frees the idle blocks' memory.
  void trim() { m_chunks.trim(); }

  // Makes blocks on one thread from chunks it keeps for itself (see
  // ChunkPool::Takes): no lock per block. clear() frees what it keeps.
  class Maker {
   public:
    explicit Maker(BlockPool& pool) : m_takes(pool.m_chunks) {}
    ACE_Message_Block* make(size_t textBytes, size_t declaredSize);
    void clear() { m_takes.clear(); }

   private:
    ChunkPool::Takes m_takes;
  };

  // Recycles blocks on one thread and gives their chunks back in batches.
  class Recycler {
   public:
    explicit Recycler(BlockPool& pool) : m_returns(pool.m_chunks) {}
    void recycle(ACE_Message_Block* block);
    // Gives back what was gathered so far (also done on destruction).
    void giveAll() { m_returns.giveAll(); }

   private:
    ChunkPool::Returns m_returns;
  };

 private:
  ChunkPool m_chunks;
};

}  // namespace oryx

#endif
