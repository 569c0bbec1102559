// SPDX-License-Identifier: Apache-2.0
// The writers' queue machinery: blocks made in recycled chunks on producer
// threads, taken off the queue in batches and recycled on the consumer's.
#include "companion/async/BatchQueue.h"
#include "companion/async/BlockPool.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Text of block `i` from producer `p`, long enough to cross chunk sizes.
std::string textOf(int p, int i) {
  return std::to_string(p) + ":" + std::to_string(i) + std::string(static_cast<size_t>(i % 700), 'x');
}

}  // namespace

TEST(BlockQueue, EveryProducersBlocksArriveWholeAndInOrderThroughAFullQueue) {
  oryx::BlockPool pool(64, 32);  // small chunks and few idle ones: chunks are replaced and freed too
  oryx::BatchQueue queue;
  queue.high_water_mark(16 * 4);  // 16 blocks of declared size 4: producers wait often
  const int kProducers = 2, kBlocks = 3000;
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&, p] {
      oryx::BlockPool::Maker maker(pool);
      for (int i = 0; i < kBlocks; ++i) {
        const std::string text = textOf(p, i);
        ACE_Message_Block* block = maker.make(text.size() + 1, 4);
        ASSERT_NE(block, nullptr);
        std::memcpy(block->base(), text.c_str(), text.size() + 1);
        ASSERT_NE(queue.enqueue_tail(block), -1);
      }
    });
  }
  std::vector<int> next(kProducers, 0);
  {
    oryx::BlockPool::Recycler recycler(pool);
    for (int taken = 0; taken < kProducers * kBlocks;) {
      ACE_Message_Block* block = nullptr;
      ASSERT_GT(queue.dequeue_all(block), 0);
      while (block != nullptr) {
        ACE_Message_Block* following = block->next();
        block->next(nullptr);
        int p = -1;
        ASSERT_EQ(std::sscanf(block->base(), "%d", &p), 1);
        ASSERT_EQ(std::string(block->base()), textOf(p, next[p])) << "producer " << p;
        ++next[p];
        ++taken;
        recycler.recycle(block);
        block = following;
      }
    }
  }
  for (std::thread& producer : producers) producer.join();
  EXPECT_TRUE(queue.is_empty());
}

// One huge item must not make every later chunk huge: its chunk goes back to
// the heap, and the small chunks that follow stay small (with the bug, each
// would be mapped at 8 MiB).
TEST(BlockQueue, AHugeRequestLeavesLaterChunksSmall) {
  oryx::ChunkPool pool(64, 4096);
  pool.give(pool.take(8 * 1024 * 1024));
  const size_t mappedBefore = ::mallinfo2().hblkhd;
  std::vector<void*> small;
  for (int k = 0; k < 64; ++k) small.push_back(pool.take(100));
  EXPECT_LT(::mallinfo2().hblkhd - mappedBefore, 1024u * 1024u);
  for (void* chunk : small) pool.give(chunk);
}
