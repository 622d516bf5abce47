// The preview's set of names: what is put in is found, what is taken out is
// not, across growth and across slots freed by earlier removals.
#include <gtest/gtest.h>

#include <string>

#include "../../cleanup/change/ItemSet.h"

namespace {

TEST(ItemSet, FindsWhatItHoldsThroughGrowthAndRemovals) {
    ItemSet set;
    EXPECT_FALSE(set.Contains("F|C:\\A"));
    set.Erase("F|C:\\A");  // nothing to take out: no harm
    const int count = 5000;
    auto name = [](int i) { return "F|C:\\TOLMTEST\\" + std::string(1, static_cast<char>('A' + i % 26)) + std::to_string(i); };
    for (int i = 0; i < count; ++i) set.Insert(name(i));
    set.Insert(name(7));  // twice is once
    EXPECT_EQ(set.Size(), static_cast<size_t>(count));
    // Every other name out: the ones after an erased slot must still be found.
    for (int i = 0; i < count; i += 2) set.Erase(name(i));
    for (int i = 0; i < count; ++i) EXPECT_EQ(set.Contains(name(i)), i % 2 == 1) << name(i);
    // Names put back go in, and reuse of erased slots keeps the others reachable.
    for (int i = 0; i < count; i += 4) set.Insert(name(i));
    for (int i = 0; i < count; ++i) EXPECT_EQ(set.Contains(name(i)), i % 2 == 1 || i % 4 == 0) << name(i);
    EXPECT_EQ(set.Size(), static_cast<size_t>(count / 2 + count / 4));
    EXPECT_FALSE(set.Contains("F|C:\\TOLMTEST"));
}

}  // namespace
