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
    EXPECT_EQ(dz::ScaleColumns({300, 0, 66, 133}, 500, 1000), (W{600, 0, 132, 266}));
    EXPECT_EQ(dz::ScaleColumns({600, 0, 132, 266}, 1000, 500), (W{300, 0, 66, 133}));
    EXPECT_EQ(dz::ScaleColumns({300, 0, 66, 133}, 0, 1000), (W{300, 0, 66, 133}));
}

} // namespace
