#include <gtest/gtest.h>

#include "codegen/statement_cases.h"

namespace {

TEST(Registers, ExchangeAndTransferPairs) {
    expect_statements({
        {" tfr a,b", "1F 89", 0}, {" exg x,y", "1E 12", 0},
        {" tfr d,x", "1F 01", 0}, {" tfr dp,a", "1F B8", 0},
        {" tfr cc,b", "1F A9", 0}, {" exg pc,u", "1E 53", 0},
        {" tfr u,s", "1F 34", 0},
        {" exg sp,x", "1E 41", 0},  // after s the second letter is not read
        {" TFR A,B", "1F 89", 0}, {" tfr p,x", "1F 51", 1},
        {" tfr c,a", "1F A8", 1}, {" tfr q,x", "1F 01", 1},
        {" tfr q,r", "1F 00", 2}, {" tfr x, y", "1F 10", 1},
        {" tfr x", "1F 10", 1}, {" tfr #$89", "1F 89", 0},
        {" exg #UNDEF", "1E FF", 78},
        // two faulty names add up, whichever the fault of each
        {" exg p,c", "1E 5A", 2}, {" tfr p,q", "1F 50", 2},
        {" tfr q,c", "1F 0A", 2}, {" tfr cx,pz", "1F A5", 2},
        {" tfr q,pc", "1F 05", 1}, {" exg pc,cc", "1E 5A", 0},
    });
    // Each faulty name adds 1 to the label's 76.
    expect_statements({{"L tfr q,r", "1F 00", 78}, {"L exg p,c", "1E 5A", 78}, {"L tfr x,p", "1F 15", 77}}, 0,
                      [](TestAsm& t) { t.define("L", 9); });
}

TEST(Registers, PushAndPullLists) {
    expect_statements({
        {" pshs a,b,x", "34 16", 0}, {" puls cc,a,b,dp,x,y,u,pc", "35 FF", 0},
        {" pshs a,b,x,y", "34 36", 0},  // y never reaches the fields
        {" pshs d", "34 06", 0}, {" pshs dp", "34 08", 0},
        {" pshs s", "34 40", 0}, {" pshs u", "34 40", 0},
        {" pshu x,y", "36 30", 0}, {" PULU A,DP", "37 0A", 0},
        {" pshs #$FF", "34 FF", 0}, {" pshs a, b", "34 02", 6},
        {" pshs a,", "34 02", 6}, {" pshs p", "34 80", 5},
        {" pshs c", "34 01", 5}, {" pshs q", "34 00", 6},
        {" pshs p,q", "34 80", 6},  // the last fault decides
        {" pshs q,p", "34 80", 5}, {" pshs a,b save, restore", "34 06", 6},
        {" pshs a,b ; save,x too", "34 16", 0},
    });
}

}  // namespace
