#include "discovery/dns_names.h"

#include <gtest/gtest.h>

TEST(CutDomain, DropsTheDomainButKeepsEveryHostLabel) {
    EXPECT_EQ(CutDomain("deskpc.local."), "deskpc");
    EXPECT_EQ(CutDomain("lab.deskpc.local."), "lab.deskpc");
    EXPECT_EQ(CutDomain("a.b.c.local."), "a.b.c");
}

TEST(CutDomain, NamesWithTooFewDotsStayWhole) {
    EXPECT_EQ(CutDomain(""), "");
    EXPECT_EQ(CutDomain("deskpc"), "deskpc");
    EXPECT_EQ(CutDomain("deskpc."), "deskpc.");
    // The first character is never taken for a dot.
    EXPECT_EQ(CutDomain(".local."), ".local.");
    EXPECT_EQ(CutDomain("x.local."), "x");
}

TEST(CutDomain, LeavesEscapesAsTheyCame) {
    EXPECT_EQ(CutDomain("my\\032pc.local."), "my\\032pc");
    EXPECT_EQ(CutDomain("back\\\\slash.local."), "back\\\\slash");
}

TEST(CutDomain, KeepsLongNamesWhole) {
    const std::string label(300, 'h');
    EXPECT_EQ(CutDomain(label + ".local."), label);
}

TEST(FormatAddress, WritesEachByteUnsigned) {
    const unsigned char address[] = {10, 77, 0, 255};
    EXPECT_EQ(FormatAddress(address, 4), "10.77.0.255");
    const unsigned char high[] = {192, 168, 200, 129, 7};
    EXPECT_EQ(FormatAddress(high, 5), "192.168.200.129");
}

TEST(FormatAddress, RefusesRecordsShorterThanAnAddress) {
    const unsigned char shortRecord[] = {10, 77, 1};
    EXPECT_EQ(FormatAddress(shortRecord, 3), "");
    EXPECT_EQ(FormatAddress(nullptr, 4), "");
}
