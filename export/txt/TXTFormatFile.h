#ifndef ORYXUTIL_EXPORT_TXT_TXTFORMATFILE_H
#define ORYXUTIL_EXPORT_TXT_TXTFORMATFILE_H

// Writes a table as boxed fixed-width text: every cell framed by asterisks,
// every record (and the title row) a block of a blank line, its text lines,
// a blank line and a border line of asterisks; long cell text wraps inside
// its column. Column widths are the larger of the caller's width and the
// title's length.
// Two modes, fixed for a document when it starts:
//  - UTF-8 mode (encoding "UTF-8", or none on a global-version installation
//    without FILECONTENT_LOCAL_CHARSET=1): widths count display columns and
//    the caller's thread writes each record;
//  - local-charset mode (otherwise): widths count bytes, a pair of bytes
//    above 0x7F is never split, and the blocks are laid out one after
//    another in buffers of many records (recycled, with their queue
//    blocks) that the writer's own thread writes to the file. The caller
//    waits while 1 MiB of buffers is queued, and a record of more than
//    1 MiB goes in parts, so the memory in flight stays a few MiB.
// Results: 0 / -1, failures reported through the trace client. A write
// failure of the writer thread shows at a later writeRecord (records reach
// the thread some 60 KiB at a time) and at endDocument.
// Threads: one caller thread at a time per object; the writer thread runs
// only between startDocument and endDocument of a local-charset document.
// Destroying a writer ends an open document (its blocks are written) first.
// Process life: in a forked child an open local-charset document is the
// parent's (whose writer thread writes every block queued before the fork):
// the child drops its copies of the queued blocks and closes its descriptor
// without writing, so endDocument and destruction return at once there and
// later records fail. While the process exits, a document cannot start and
// an ending writer thread is left to the exit instead of being joined.
// Options: utf8Bom starts a UTF-8 mode document with a byte-order mark;
// the other switches do not concern this writer.

#include "companion/async/BatchQueue.h"
#include "companion/async/BlockPool.h"
#include "companion/async/ForkWatch.h"
#include "export/DocumentWriter.h"
#include "export/txt/TextWidth.h"

#include <ace/Synch_Traits.h>
#include <ace/Task_T.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class TXTFormatFile : public DocumentWriter, public ACE_Task<ACE_MT_SYNCH>, private oryx::ForkAware {
 public:
  explicit TXTFormatFile(const std::list<std::string>& params, const oryx::WriterOptions& options = {});
  ~TXTFormatFile() override;
  TXTFormatFile(const TXTFormatFile&) = delete;
  TXTFormatFile& operator=(const TXTFormatFile&) = delete;

  // The writer thread: appends queued blocks to the file until a stop block.
  int svc() override;

 private:
  bool hasTitles() const override { return !m_ColumnTitle.empty(); }
  long prepareTitles(const std::list<std::string>& titles, const std::list<long>& widths) override;
  bool takeTitleEncoding(const char* encoding) override;
  bool canStart(const char* name) override;
  bool writeHead() override;
  bool writeRow(const std::vector<std::string>& record) override;
  bool writeRow(const std::list<std::string>& record) override;
  bool writeTail() override;

  bool isUtf8Mode() const;
  template <typename Record>
  bool writefile(const Record& record);

  // Local-charset layout (TXTBlockLayout.cpp).
  template <typename Cells>
  bool putBlock(const Cells& cells);
  // UTF-8 layout (TXTLineLayout.cpp).
  template <typename Cells>
  void writeLines(const Cells& cells);
  // Text line `line` of the record that writeLines has cut, at `out`;
  // returns its end. kOvershoot: blanks may be stored up to seven bytes
  // past their end (laid over by what follows).
  enum BlankStores { kOvershoot, kExact };
  template <BlankStores stores>
  char* layOutLine(size_t line, char* out) const;
  size_t lineBytes(size_t line) const;

  // The writer thread (TXTWriterThread.cpp).
  bool startWriterThread();
  void stopWriterThread();
  // `bytes` bytes of text space at the end of the block being filled
  // (m_batch), which is queued first when it lacks the room; the caller
  // lays a record out there and then advances m_batch's wr_ptr. Null when
  // memory runs out.
  char* reserveText(size_t bytes);
  // Queues the block being filled, if any.
  void sendBatch();
  // Releases the blocks not yet sent and those still queued.
  void releaseQueuedBlocks();
  // The writer thread's last step: tells the caller every block is written,
  // then ends, unless the process is exiting.
  int finishThread();
  static ACE_Thread_Manager* newThreadManager();
  static oryx::BatchQueue* newQueue();
  static oryx::BlockPool newBlockPool();
  // Fork hooks: the queue's and the thread manager's locks are held across
  // fork(); the child gives up the thread's document.
  void lockForFork() override;
  void unlockInParent() override;
  void unlockInChild() override;

  oryx::BatchQueue* const m_queue;  // the task's queue, owned by the task
  // Record blocks: laid out on the caller's thread, written and recycled
  // on the writer thread.
  oryx::BlockPool m_blocks;
  oryx::BlockPool::Maker m_maker{m_blocks};  // the caller's side
  // The block that records are laid out in, not yet queued.
  ACE_Message_Block* m_batch = nullptr;

  std::vector<uint32_t> m_ColumnWidth;
  std::list<std::string> m_ColumnTitle;
  std::unique_ptr<char[]> m_borderLine;
  std::unique_ptr<char[]> m_blankLine;
  uint32_t m_lineLength = 0;
  std::string m_encoding;

  const bool m_utf8Bom;
  bool m_utf8Document = false;   // the mode of the open document
  bool m_threadRunning = false;  // a writer thread was started and not yet joined
  // A thread this object no longer joins: the parent's, in a forked child, or
  // one the exiting process keeps.
  bool m_threadLeft = false;
  // The writer thread's hand-over at its end: every block is written, and
  // whether it ends (so the caller joins it) or stays until the exit.
  std::mutex m_finishLock;
  std::condition_variable m_finished;
  bool m_threadDone = false;
  bool m_threadEnds = false;

  // Scratch of writeLines, kept to avoid allocating per record: the cells
  // that need repair, the cells' pieces and each cell's cut.
  static constexpr size_t kOwnText = static_cast<size_t>(-1);
  struct CutCell {
    const char* text;   // where its pieces' offsets count from
    size_t repairedAt;  // its place in m_cellText, or kOwnText (the caller's text)
    uint32_t first;     // its first piece in m_pieces
    uint32_t lines;     // its number of pieces
    uint32_t width;     // its column's width
  };
  std::string m_cellText;
  std::vector<oryx::CellPiece> m_pieces;
  std::vector<CutCell> m_cuts;  // the first m_cutCount are the record's
  size_t m_cutCount = 0;
  // Scratch of putBlock: which cells are copied in runs, and where each
  // cell's next line starts (a huge record is laid out in parts).
  std::vector<uint8_t> m_cellPlain;
  std::vector<size_t> m_cellFrom;
};

#endif
