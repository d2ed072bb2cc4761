#include <gtest/gtest.h>

#include "TestRig.h"

using namespace zk;
using namespace zk::test;

TEST(Smoke, ReactionAndFirstLap) {
    Rig r;
    r.StandardWiring();
    r.sys.cfg.LiZeit.Minimum = 500;
    r.Init();
    r.RunTo(10000);
    r.Green();
    r.RunTo(10349);
    r.Hold(1, 20);
    r.RunTo(15349);
    r.Hold(1, 20);
    r.RunTo(16000);
    ASSERT_EQ(r.rec.reactions.size(), 1u);
    EXPECT_EQ(r.rec.reactions[0], std::make_pair(1, 350));
    ASSERT_EQ(r.rec.laps.size(), 1u);
    EXPECT_EQ(r.sys.st.SpurDaten[1].SekText + r.sys.st.SpurDaten[1].MsText, "5.350");
}
