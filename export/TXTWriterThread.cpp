// The writer thread of the boxed-text writer: in local-charset mode the
// caller queues finished blocks and this thread appends them to the file in
// queue order. Ownership: a data block refers to its text (new[]) without
// owning it; whoever takes a block off the queue releases the block and
// deletes the text. The stop block ends the thread.

#include "export/TXTFormatFile.h"

#include "companion/Report.h"

#include <ace/Message_Block.h>
#include <ace/Thread_Manager.h>

#include <cerrno>
#include <cstring>

namespace {

// What a data block counts towards the queue's water marks, whatever its
// text's length: the queue holds 4096 blocks before the caller waits.
const size_t kDataBlockSize = 4;

}  // namespace

bool TXTFormatFile::startWriterThread() {
  // Flags 0: one joinable thread that the writer's own manager waits for.
  if (activate(0, 1, 0, 0, -1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != 0) {
    return false;
  }
  m_threadRunning = true;
  return true;
}

void TXTFormatFile::queueBlock(char* text) {
  ACE_Message_Block* block = new ACE_Message_Block(text, kDataBlockSize, 0);
  if (putq(block) == -1) {  // the record is lost, as the queue refused it
    delete block;
    delete[] text;
  }
}

void TXTFormatFile::stopWriterThread() {
  ACE_Message_Block* stop = new ACE_Message_Block(static_cast<ACE_Allocator*>(nullptr));
  stop->msg_type(ACE_Message_Block::MB_STOP);
  // Without a timeout putq fails only on a deactivated queue, which this
  // writer never deactivates; the stop block then always reaches the thread.
  if (putq(stop) == -1) delete stop;
  thr_mgr()->wait(nullptr, false, true);
  m_threadRunning = false;
}

int TXTFormatFile::svc() {
  for (;;) {
    ACE_Message_Block* block = nullptr;
    if (getq(block) == -1) {
      oryx::report("TXTFormatFile::svc getq return -1!");
      continue;
    }
    if (block->msg_type() == ACE_Message_Block::MB_STOP) {
      block->release();
      return 0;
    }
    char* text = block->base();
    block->release();
    if (text == nullptr) continue;
    m_file.append(text, std::strlen(text));
    if (!m_file.flushIfFull()) {
      int expected = 0;
      m_writeErrno.compare_exchange_strong(expected, errno, std::memory_order_release);
    }
    delete[] text;
  }
}
