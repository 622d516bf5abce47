#include "ItemSet.h"

namespace {

size_t Hash(const std::string& text) {
    size_t h = 2166136261u;  // FNV-1a
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return h;
}

}  // namespace

size_t ItemSet::Find(const std::string& item, bool* found) const {
    *found = false;
    const size_t mask = m_slots.size() - 1;
    size_t firstErased = m_slots.size();
    for (size_t i = Hash(item) & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.state == 0) return firstErased < m_slots.size() ? firstErased : i;
        if (slot.state == 2) {
            if (firstErased == m_slots.size()) firstErased = i;
        } else if (slot.item == item) {
            *found = true;
            return i;
        }
    }
}

bool ItemSet::Contains(const std::string& item) const {
    if (m_count == 0) return false;
    bool found;
    Find(item, &found);
    return found;
}

void ItemSet::Insert(const std::string& item) {
    // At most half the slots taken, so that a search always meets an unused one.
    if ((m_taken + 1) * 2 > m_slots.size()) Grow();
    bool found;
    const size_t i = Find(item, &found);
    if (found) return;
    if (m_slots[i].state == 0) ++m_taken;
    m_slots[i].item = item;
    m_slots[i].state = 1;
    ++m_count;
}

void ItemSet::Erase(const std::string& item) {
    if (m_count == 0) return;
    bool found;
    const size_t i = Find(item, &found);
    if (!found) return;
    m_slots[i].item.clear();
    m_slots[i].state = 2;
    --m_count;
}

void ItemSet::Grow() {
    std::vector<Slot> old;
    old.swap(m_slots);
    size_t size = 64;
    while (size < (m_count + 1) * 4) size *= 2;
    m_slots.resize(size);
    m_count = m_taken = 0;
    for (Slot& slot : old)
        if (slot.state == 1) Insert(slot.item);
}
