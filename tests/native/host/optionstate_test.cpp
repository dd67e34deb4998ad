// Option states of catalogue entries: reading, setting with padding, and the
// effective option with the help type's defaults.
#include "optionstate.hpp"

#include <gtest/gtest.h>

#include <string.h>

enum { ASK = 1, FIXED = 2 };

TEST(OptionState, Read) {
    EXPECT_EQ(GetOptionState("", ASK), 2);
    EXPECT_EQ(GetOptionState("", FIXED), 2);
    EXPECT_EQ(GetOptionState("1", ASK), 1);
    EXPECT_EQ(GetOptionState("1", FIXED), 2);
    EXPECT_EQ(GetOptionState("01", ASK), 0);
    EXPECT_EQ(GetOptionState("01", FIXED), 1);
}

TEST(OptionState, SetPadsWithDefaultsAndKeepsOtherCharacters) {
    char flags[20] = "";
    SetOptionState(flags, sizeof flags, 1, FIXED);
    EXPECT_STREQ(flags, "21");
    SetOptionState(flags, sizeof flags, 0, ASK);
    EXPECT_STREQ(flags, "01");

    char longer[20] = "2107";
    SetOptionState(longer, sizeof longer, 2, FIXED);
    EXPECT_STREQ(longer, "2207");
}

TEST(OptionState, SetNeverWritesPastTheBuffer) {
    char tiny[3] = {'x', 'x', 'x'};
    tiny[0] = 0;
    SetOptionState(tiny, 2, 1, FIXED); // position 1 and its NUL need 3 bytes
    EXPECT_STREQ(tiny, "");
    EXPECT_EQ(tiny[2], 'x');
    SetOptionState(tiny, 3, 1, FIXED);
    EXPECT_STREQ(tiny, "21");
}

TEST(OptionState, EffectiveOptionFallsBackToTheTypeDefaults) {
    EXPECT_EQ(EffectiveOption("2", 1, ASK), 1);
    EXPECT_EQ(EffectiveOption("0", 1, ASK), 0);
    EXPECT_EQ(EffectiveOption("", 1, ASK), 1);
    EXPECT_EQ(EffectiveOption("", 1, FIXED), 0);
    EXPECT_EQ(EffectiveOption("1", 2, ASK), 1);
    EXPECT_NE(EffectiveOption("1", 2, FIXED), 0);
    EXPECT_EQ(EffectiveOption("0", 3, FIXED), 2) << "position 1 missing: the type's bit";
    EXPECT_NE(EffectiveOption("x", 0, ASK), 0) << "an unknown character counts as on";
}
