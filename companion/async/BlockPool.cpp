// SPDX-License-Identifier: Apache-2.0
#include "companion/async/BlockPool.h"

#include <ace/Malloc_Allocator.h>

#include <cerrno>
#include <new>

namespace oryx {

namespace {

// The allocator of blocks that live inside a chunk: releasing such a block
// runs its destructors and frees nothing; the chunk is given back instead.
class InPlaceAllocator : public ACE_New_Allocator {
 public:
  void* malloc(size_t) override { return refuse(); }
  void* calloc(size_t, char) override { return refuse(); }
  void* calloc(size_t, size_t, char) override { return refuse(); }
  void free(void*) override {}

 private:
  static void* refuse() {
    errno = ENOMEM;
    return nullptr;
  }
};

// Never destroyed: blocks may still be released while the process exits.
InPlaceAllocator* inPlace() {
  static InPlaceAllocator* const allocator = new InPlaceAllocator;
  return allocator;
}

// A chunk: the message block first (its address is the chunk's), then its
// data block, the size of the text space and the text.
const size_t kDataBlockOffset = sizeof(ACE_Message_Block);
const size_t kTextBytesOffset = kDataBlockOffset + sizeof(ACE_Data_Block);
const size_t kTextOffset = kTextBytesOffset + sizeof(size_t);
static_assert(sizeof(ACE_Message_Block) % alignof(ACE_Data_Block) == 0 &&
                  kTextBytesOffset % alignof(size_t) == 0,
              "the parts of a chunk follow each other aligned");

// Builds the message block and its data block in a chunk's first bytes.
ACE_Message_Block* buildIn(char* chunk, size_t declaredSize, size_t textBytes) {
  if (chunk == nullptr) return nullptr;
  new (chunk + kTextBytesOffset) size_t(textBytes);
  ACE_Allocator* allocator = inPlace();
  ACE_Data_Block* data = new (chunk + kDataBlockOffset)
      ACE_Data_Block(declaredSize, ACE_Message_Block::MB_DATA, chunk + kTextOffset, allocator,
                     nullptr, ACE_Message_Block::DONT_DELETE, allocator);
  ACE_Message_Block* block = new (chunk) ACE_Message_Block(data, 0, allocator);
  block->msg_priority(0);
  return block;
}

}  // namespace

BlockPool::BlockPool(size_t textBytes, size_t keep) : m_chunks(kTextOffset + textBytes, keep) {}

ACE_Message_Block* BlockPool::make(size_t textBytes, size_t declaredSize) {
  return buildIn(static_cast<char*>(m_chunks.take(kTextOffset + textBytes)), declaredSize, textBytes);
}

ACE_Message_Block* BlockPool::Maker::make(size_t textBytes, size_t declaredSize) {
  return buildIn(static_cast<char*>(m_takes.take(kTextOffset + textBytes)), declaredSize, textBytes);
}

size_t BlockPool::textBytes(const ACE_Message_Block* block) {
  return *reinterpret_cast<const size_t*>(reinterpret_cast<const char*>(block) + kTextBytesOffset);
}

void BlockPool::recycle(ACE_Message_Block* block) {
  if (block == nullptr) return;
  block->release();
  m_chunks.give(block);
}

void BlockPool::releaseChain(ACE_Message_Block* first) {
  while (first != nullptr) {
    ACE_Message_Block* next = first->next();
    first->next(nullptr);
    const ACE_Data_Block* data = first->data_block();
    if (data != nullptr && data->data_block_allocator() == inPlace()) recycle(first);
    else first->release();
    first = next;
  }
}

void BlockPool::Recycler::recycle(ACE_Message_Block* block) {
  if (block == nullptr) return;
  block->release();
  m_returns.add(block);
}

}  // namespace oryx
