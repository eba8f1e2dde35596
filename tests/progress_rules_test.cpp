#include "engine/progress_rules.h"

#include <gtest/gtest.h>

#include <string>

TEST(ProgressSteps, FollowTheBytesCopied) {
    struct Case { uint32_t total, copied, steps; };
    const Case cases[] = {
        {10000000, 2500000, 250},   // a quarter of ten million bytes
        {10000000, 10000000, 1000},
        {2500, 2500, 1250},         // two bytes a step: beyond the bar's 1000
        {2500, 1, 0},
        {999, 0, 0},                // below 1000 bytes the share decides
        {999, 500, 500},
        {999, 999, 1000},           // a complete small copy ends at the bar's end
        {1, 1, 1000},
        {0, 0, 0},                  // nothing selected: no steps, no division
        {0, 4096, 0},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 1000},
    };
    for (const Case& c : cases) {
        const uint32_t perStep = BytesPerStep(c.total);
        EXPECT_EQ(StepsReached(c.copied, perStep, c.total), c.steps)
            << c.total << " / " << c.copied;
    }
    EXPECT_EQ(BytesPerStep(10000000), 10000u);
    EXPECT_EQ(BytesPerStep(2500), 2u);
    EXPECT_EQ(BytesPerStep(999), 0u);
}

TEST(ProgressSteps, OnlyForwardMovesWithinTheRangeAreSent) {
    struct Case { int32_t shown, done, send; };
    const Case cases[] = {
        {0, 250, 250},
        {250, 250, 0},
        {500, 300, 0},     // a count set back sends nothing
        {300, 600, 300},   // regained steps are sent again
        {900, 1250, 100},  // up to the bar's end, not past it
        {1000, 1250, 0},
        {1250, 1300, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepsToSend(c.shown, c.done, 1000), c.send) << c.shown << " -> " << c.done;
    }
}

TEST(ElapsedClock, CarriesSecondsIntoMinutesAndHours) {
    struct Case { ElapsedClock before; ElapsedClock after; };
    const Case cases[] = {
        {{0, 0, 0}, {0, 0, 1}},
        {{0, 0, 59}, {0, 1, 0}},
        {{0, 59, 59}, {1, 0, 0}},
        {{9, 59, 59}, {10, 0, 0}},
        {{123, 59, 59}, {124, 0, 0}},  // hours have no limit
    };
    for (const Case& c : cases) {
        ElapsedClock clock = c.before;
        CountSecond(clock);
        EXPECT_EQ(clock.hours, c.after.hours);
        EXPECT_EQ(clock.minutes, c.after.minutes);
        EXPECT_EQ(clock.seconds, c.after.seconds);
    }
}

TEST(Spinner, FramesAreFullWidthCodePage932) {
    EXPECT_EQ(std::string(SpinnerFrame(0)), "\x81\x62");
    EXPECT_EQ(std::string(SpinnerFrame(1)), "\x81\x5e");
    EXPECT_EQ(std::string(SpinnerFrame(2)), "\x81\x5c");
    EXPECT_EQ(std::string(SpinnerFrame(3)), "\x81\x5f");
}
