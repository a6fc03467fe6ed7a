#include "discovery/dns_names.h"

#include <gtest/gtest.h>

TEST(CutDomain, DropsOnlyTheLastLabelAndLeavesTheRestAsItCame) {
    const std::string longLabel(300, 'h');
    for (const auto& [name, cut] : std::vector<std::pair<std::string, std::string>>{
             {"deskpc.local.", "deskpc"},
             {"lab.deskpc.local.", "lab.deskpc"},
             {"a.b.c.local.", "a.b.c"},
             {"", ""},
             {"deskpc", "deskpc"},
             {"deskpc.", "deskpc."},
             {".local.", ".local."},  // the first character is never taken for a dot
             {"x.local.", "x"},
             {"my\\032pc.local.", "my\\032pc"},
             {"back\\\\slash.local.", "back\\\\slash"},
             {longLabel + ".local.", longLabel}})
        EXPECT_EQ(CutDomain(name), cut) << name;
}

TEST(FormatAddress, WritesFourBytesUnsignedAndRefusesShortRecords) {
    const unsigned char address[] = {192, 168, 0, 255, 7};
    EXPECT_EQ(FormatAddress(address, 5), "192.168.0.255");
    EXPECT_EQ(FormatAddress(address, 3), "");
    EXPECT_EQ(FormatAddress(nullptr, 4), "");
}
