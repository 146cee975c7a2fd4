// The placemarks KML writes layer by layer wait in SpooledGroups: each group's texts come back
// whole and in order however they were spread over memory and the temporary file, round after
// round, and a temporary that cannot be written is a failure, never texts lost.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gis/spooled_groups.h"
#include "platform/error.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

std::string Drained(SpooledGroups& groups, size_t group) {
    std::string text;
    groups.drain(group, [&](std::string_view piece) { text.append(piece); });
    return text;
}

TEST(SpooledGroups, EachGroupComesBackInTheOrderAppendedRoundAfterRound) {
    // Chunks of 7 bytes: most texts go to the file, in pieces that end inside a text.
    SpooledGroups groups(4, 7);
    for (int round = 0; round < 3; ++round) {
        std::vector<std::string> expected(4);
        // The later rounds are shorter: nothing of an earlier round's longer file comes back.
        for (int i = 0; i < 200 / (round + 1); ++i) {
            const size_t group = static_cast<size_t>(i * 7 % 3);  // group 3 stays empty
            const std::string text = "<" + std::to_string(round) + ":" + std::to_string(i) +
                                     std::string(static_cast<size_t>(i % 11), 'x') + ">";
            groups.append(group, text);
            expected[group] += text;
        }
        EXPECT_TRUE(groups.empty(3));
        // Drained in another order than they were filled.
        for (size_t group : {2, 0, 3, 1}) {
            EXPECT_EQ(Drained(groups, group), expected[group]) << round << " " << group;
            EXPECT_TRUE(groups.empty(group));
        }
        groups.clear();
    }
}

TEST(SpooledGroups, AFullDiskIsAFailure) {
    const std::optional<std::string> result = WithSmallTmpfs("/tmp", [] {
        try {
            SpooledGroups groups(2, 4096);
            for (int i = 0; i < 1000; ++i) {
                groups.append(static_cast<size_t>(i % 2), std::string(1000, 'p'));
            }
            std::string text;
            groups.drain(0, [&](std::string_view piece) { text.append(piece); });
            return "drained " + std::to_string(text.size());
        } catch (const FileError& e) {
            return e.message();
        }
    });
    if (!result) {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    EXPECT_EQ(*result, "Disk full");
}

}  // namespace
}  // namespace plotaktar::testing
