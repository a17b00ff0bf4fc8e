// The rules for what the window remembers: a window placement that still
// fits, and columns scaled with the window.
#include "common/user_settings.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(UserSettings, APlacementOffTheScreenOrTooSmallIsDropped) {
    const struct {
        dz::WindowPlacement saved;
        bool kept;
    } cases[] = {
        {{100, 50, 800, 600, false}, true},  {{100, 50, 800, 600, true}, true},
        {{-700, 0, 800, 600, false}, true},  // 100 pixels still on screen
        {{-701, 0, 800, 600, false}, false}, // less than that
        {{1181, 0, 800, 600, false}, false}, // right of a 1280-wide screen
        {{0, 965, 800, 600, false}, false},  // below a 1024-high screen
        {{0, -5, 800, 600, false}, false},   // title bar above the screen
        {{0, 0, 99, 600, false}, false},     // too small to find
        {{0, 0, 800, 59, false}, false},
    };
    for (const auto& c : cases) {
        const auto fit = dz::FitPlacement(c.saved, 1280, 1024);
        EXPECT_EQ(fit.has_value(), c.kept) << c.saved.x << "," << c.saved.y;
        if (fit) {
            EXPECT_EQ(fit->width, c.saved.width);
            EXPECT_EQ(fit->maximised, c.saved.maximised);
        }
    }
}

TEST(UserSettings, ColumnsKeepTheirProportions) {
    using W = std::array<int, dz::kListColumns>;
    EXPECT_EQ(dz::ScaleColumns({300, 0, 66, 133, 50}, 500, 1000), (W{600, 0, 132, 266, 100}));
    EXPECT_EQ(dz::ScaleColumns({600, 0, 132, 266, 100}, 1000, 500), (W{300, 0, 66, 133, 50}));
    EXPECT_EQ(dz::ScaleColumns({300, 0, 66, 133, 50}, 0, 1000), (W{300, 0, 66, 133, 50}));
}

// Settings written before the length column existed have no width for it:
// it opens with a share of the name column, and the total stays the same,
// so the columns still fit the list they were remembered for.
TEST(UserSettings, AColumnTheSettingsDoNotKnowTakesAShareOfTheNameColumn) {
    using W = std::array<int, dz::kListColumns>;
    const struct {
        W remembered, expected;
    } cases[] = {
        {{400, 0, 100, 200, -1}, {300, 0, 100, 200, 100}}, // written before the column
        {{400, 0, 100, 200, 0}, {400, 0, 100, 200, 0}},    // dragged shut: stays shut
        {{400, 0, 100, 200, 90}, {400, 0, 100, 200, 90}},
        {{-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}}, // nothing remembered: the defaults
    };
    for (const auto& c : cases)
        EXPECT_EQ(dz::WithNewColumns(c.remembered), c.expected);
}

} // namespace
