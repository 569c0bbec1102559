#include "fileutil/EntryStatusTable.h"

namespace oryx {
namespace fileutil {

size_t EntryStatusTable::slotOf(const void* entry) const {
  // Fibonacci hashing of the address: the top bits of the product mix all
  // the bits of the address.
  const uint64_t mixed = reinterpret_cast<uintptr_t>(entry) * UINT64_C(0x9E3779B97F4A7C15);
  size_t slot = static_cast<size_t>(mixed >> m_shift);
  while (m_slots[slot].entry != nullptr && m_slots[slot].entry != entry) slot = (slot + 1) & (m_slots.size() - 1);
  return slot;
}

const EntryStatus* EntryStatusTable::find(const void* entry) const {
  if (m_slots.empty()) return nullptr;
  const Slot& slot = m_slots[slotOf(entry)];
  return slot.entry == entry ? &slot.status : nullptr;
}

void EntryStatusTable::insert(const void* entry, const EntryStatus& status) {
  // At most half full, so probe runs stay short.
  if (2 * (m_used + 1) > m_slots.size()) grow();
  Slot& slot = m_slots[slotOf(entry)];
  if (slot.entry == nullptr) ++m_used;
  slot = Slot{entry, status};
}

void EntryStatusTable::grow() {
  std::vector<Slot> old(m_slots.empty() ? 64 : 2 * m_slots.size(), Slot{nullptr, EntryStatus{0, 0, false}});
  old.swap(m_slots);
  m_shift = 64;
  for (size_t size = m_slots.size(); size > 1; size >>= 1) --m_shift;
  m_used = 0;
  for (const Slot& slot : old) {
    if (slot.entry != nullptr) insert(slot.entry, slot.status);
  }
}

void EntryStatusTable::clear() {
  std::vector<Slot>().swap(m_slots);
  m_used = 0;
  m_shift = 64;
}

}  // namespace fileutil
}  // namespace oryx
