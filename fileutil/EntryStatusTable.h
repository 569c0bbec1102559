#ifndef ORYXUTIL_FILEUTIL_ENTRYSTATUSTABLE_H
#define ORYXUTIL_FILEUTIL_ENTRYSTATUSTABLE_H

// The statuses a time sort has read, by entry address. The sort looks an
// entry up on every comparison, so the table is a flat open-addressing one:
// a lookup is a multiply and, nearly always, one probe.
// One thread uses one table (it lives in the thread's scan context).

#include <sys/types.h>

#include <cstdint>
#include <vector>

namespace oryx {
namespace fileutil {

struct EntryStatus {
  int64_t mtime;
  mode_t mode;
  bool readable;
};

class EntryStatusTable {
 public:
  // The status stored for `entry`, null when none is.
  const EntryStatus* find(const void* entry) const;

  // Stores the status of an entry not stored yet.
  void insert(const void* entry, const EntryStatus& status);

  // Forgets every entry and gives the memory back.
  void clear();

 private:
  struct Slot {
    const void* entry;
    EntryStatus status;
  };

  size_t slotOf(const void* entry) const;
  void grow();

  std::vector<Slot> m_slots;  // size a power of two, or 0
  size_t m_used = 0;
  unsigned m_shift = 64;  // 64 - log2(slot count)
};

}  // namespace fileutil
}  // namespace oryx

#endif
