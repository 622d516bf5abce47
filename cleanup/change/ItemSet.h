// The names a preview remembers as gone or made: a set of strings kept by hash
// in open addressing, built only from what the library's headers hold, so that
// a preview of tens of thousands of files stays as fast as the walk itself.
#pragma once
#include <string>
#include <vector>

class ItemSet {
public:
    bool Contains(const std::string& item) const;
    void Insert(const std::string& item);
    void Erase(const std::string& item);
    bool Empty() const { return m_count == 0; }
    size_t Size() const { return m_count; }

private:
    struct Slot {
        std::string item;
        unsigned char state = 0;  // 0 never used, 1 holds item, 2 held one that was erased
    };
    // The slot that holds item, else the first slot where it may go.
    size_t Find(const std::string& item, bool* found) const;
    void Grow();

    std::vector<Slot> m_slots;
    size_t m_count = 0;  // items held
    size_t m_taken = 0;  // slots not unused (held or erased)
};
