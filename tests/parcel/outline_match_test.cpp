// Two closed outlines are one line on the ground when every vertex of each lies within 1 mm of
// the other, whatever vertex they start at, which way they run and which neighbours' vertices
// lie on their edges.
#include <gtest/gtest.h>

#include "parcel/outline_match.h"

namespace korvane::parcel {
namespace {

TEST(OutlineMatch, SameLineOnTheGroundWithinAMillimetre) {
    const std::vector<double> parcel{0, 0, 40, 0, 40, 30, 0, 30};
    struct Case {
        const char* what;
        std::vector<double> traced;
        bool same;
    } cases[] = {
        {"other start, other direction", {40, 30, 40, 0, 0, 0, 0, 30}, true},
        {"a neighbour's corner on an edge", {0, 0, 20, 0, 40, 0, 40, 30, 0, 30}, true},
        {"every vertex 0.9 mm off", {0.0009, 0, 40, -0.0009, 40, 30.0009, 0, 30}, true},
        {"one vertex 2 mm off", {0, 0, 40.002, 0, 40, 30, 0, 30}, false},
        {"half of it, split by a line", {0, 0, 20, 0, 20, 30, 0, 30}, false},
        {"a larger outline round it", {0, 0, 80, 0, 80, 30, 0, 30}, false},
        {"no outline", {0, 0, 40, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(same_outline(c.traced, parcel, 0.001), c.same) << c.what;
        EXPECT_EQ(same_outline(parcel, c.traced, 0.001), c.same) << c.what << " (the other way round)";
    }
}

}  // namespace
}  // namespace korvane::parcel
