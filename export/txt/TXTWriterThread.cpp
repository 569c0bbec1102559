// SPDX-License-Identifier: Apache-2.0
// The writer thread of the boxed-text writer: in local-charset mode the
// caller lays records out in blocks of its BackgroundWriter base and the
// thread appends them to the file in queue order. These are its tunings.

#include "export/txt/TXTFormatFile.h"

namespace {

// The text space of the blocks that carry records to the writer thread:
// each holds as many whole records as fit, in a chunk small enough for
// the pool to keep (64 KiB), so the queue's lock and the wake-ups are paid
// once per block, not per record.
const size_t kBatchText = 60 * 1024;
// The bytes of blocks the queue holds before the caller waits, and the
// idle blocks kept: with the block being filled and those being written,
// the memory in flight stays near 2 MiB however many records there are.
const size_t kQueuedBytes = 1024 * 1024;
const size_t kIdleBlocks = 2 * kQueuedBytes / kBatchText;
// How long the writer thread naps when it finds the queue empty: long
// enough for a busy caller to fill a block, short enough that the caller
// seldom fills the queue meanwhile.
const suseconds_t kGatherMicroseconds = 200;

}  // namespace

const oryx::BackgroundWriter::Settings& TXTFormatFile::writerSettings() {
  // One caller thread, which queues only full blocks (and the last at the
  // document's end).
  static const oryx::BackgroundWriter::Settings settings = {
      kBatchText, kIdleBlocks, kQueuedBytes, kGatherMicroseconds, nullptr, "TXTFormatFile::svc getq return -1!",
      nullptr, nullptr};
  return settings;
}
