// The entities an object-selection prompt has chosen: their order through removals, choosing
// again and undo, also after removals have made the list drop its stale entries.
#include <gtest/gtest.h>

#include <numeric>

#include "host/object_selection.h"

namespace korvane::host::testing {

TEST(ChosenEntitiesTest, OrderThroughRemoveChooseAgainAndUndo) {
    using Ids = std::vector<drawing::RecordId>;
    ChosenEntities chosen;
    Ids all(100);
    std::iota(all.begin(), all.end(), 1);
    EXPECT_EQ(chosen.add(all), 0u);
    EXPECT_EQ(chosen.add({5, 5, 200}), 2u) << "5 was chosen before, and twice in the answer";
    Ids first98(all.begin(), all.end() - 2);
    EXPECT_EQ(chosen.remove(first98), 98u);
    EXPECT_EQ(chosen.remove({1, 99}), 1u);
    EXPECT_EQ(chosen.list(), (Ids{100, 200}));
    EXPECT_EQ(chosen.add({3}), 0u);
    EXPECT_EQ(chosen.list(), (Ids{100, 200, 3}));
    chosen.undo();  // choosing 3
    chosen.undo();  // removing 99
    chosen.undo();  // removing 1 to 98: they come back at the end
    Ids expected = {100, 200, 99};
    expected.insert(expected.end(), first98.begin(), first98.end());
    EXPECT_EQ(chosen.list(), expected);
    EXPECT_EQ(chosen.size(), 101u);
}

}  // namespace korvane::host::testing
