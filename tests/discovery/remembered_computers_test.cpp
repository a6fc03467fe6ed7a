#include "discovery/remembered_computers.h"

#include "app/app.h"
#include "common/files.h"
#include "common/temp_config.h"
#include "discovery/dns_names.h"
#include "discovery/txt_record.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

const MacAddress kMac{0x52, 0x54, 0x00, 0xab, 0xcd, 0xef};

std::vector<CRememberedComputer> Reloaded(const CTempConfig& config) {
    return CRememberedComputers(*config.Reopen()).Load();
}

// A TXT record from its strings, each behind its length byte.
QByteArray Txt(const QList<QByteArray>& strings) {
    QByteArray record;
    for (const QByteArray& s : strings) record += char(s.size()) + s;
    return record;
}

}  // namespace

TEST(RememberedComputers, EveryNameComesBackWholeAndALaterLoginKeepsAKnownMac) {
    CTempConfig config;
    CRememberedComputers store(config.Registry());
    std::vector<CRememberedComputer> computers{
        {"deskpc", "10.77.1.1", 4660, kMac},
        {"back\\slash", "10.77.1.2", 1, std::nullopt},
        {"50%]x[", "10.77.1.3", 65535, kMac},
        {"%41 tab\there", "10.77.1.4", 4660, kMac},
        {QStringLiteral("Ünïcode-PC"), "10.77.1.5", 4660, kMac},
    };
    for (const auto& computer : computers) ASSERT_TRUE(store.Remember(computer));
    EXPECT_EQ(Reloaded(config), computers);
    const QByteArray text = FileBytes(config.Registry().FilePath());
    EXPECT_TRUE(
        text.contains("[Software\\Venholt\\Dormo\\Computers\\deskpc]\n"
                      "\"Address\"=sz:\"10.77.1.1\"\n"
                      "\"Port\"=dword:00001234\n"
                      "\"Mac\"=sz:\"52:54:00:ab:cd:ef\"\n"))
        << text.constData();
    EXPECT_TRUE(text.contains("[Software\\Venholt\\Dormo\\Computers\\back%5Cslash]\n"));

    ASSERT_TRUE(store.Remember({"deskpc", "10.77.1.9", 4661, std::nullopt}));
    EXPECT_FALSE(store.Remember({"", "10.77.1.1", 4660, kMac}));
    computers[0] = {"deskpc", "10.77.1.9", 4661, kMac};
    EXPECT_EQ(Reloaded(config), computers);
    store.Forget();
    EXPECT_FALSE(FileBytes(config.Registry().FilePath()).contains("Computers"));
    EXPECT_TRUE(Reloaded(config).empty());
}

TEST(RememberedComputers, StaleOrMalformedValuesAreSkippedOrReadAsUnknown) {
    CTempConfig config;
    ASSERT_FALSE(WriteFile(config.Registry().FilePath(), R"([Software\Venholt\Dormo\Computers\good]
"Address"=sz:"10.77.1.1"
"Port"=dword:00001234
"Mac"=sz:"52:54:00:AB:CD:EF"
[Software\Venholt\Dormo\Computers\oddvalues]
"Address"=sz:"10.77.1.2"
"Port"=sz:"4660"
"Mac"=sz:"00:00:00:00:00:00"
[Software\Venholt\Dormo\Computers\bigport]
"Address"=sz:"10.77.1.3"
"Port"=dword:00011234
"Mac"=sz:"52-54-00-ab-cd-ef"
[Software\Venholt\Dormo\Computers\badaddress]
"Address"=sz:"10.77.1"
[Software\Venholt\Dormo\Computers\noaddress]
"Port"=dword:00001234
[Software\Venholt\Dormo\Computers\bad%zzescape]
"Address"=sz:"10.77.1.4"
)")
                     .isEmpty());
    const std::vector<CRememberedComputer> expected{
        {"good", "10.77.1.1", 4660, kMac},
        {"oddvalues", "10.77.1.2", 0, std::nullopt},
        {"bigport", "10.77.1.3", 0, std::nullopt},
    };
    EXPECT_EQ(CRememberedComputers(config.Registry()).Load(), expected);
}

TEST(TxtRecord, MacsAreReadFromTheMacKeyOnly) {
    const MacAddress second{0x52, 0x54, 0x00, 0x12, 0x34, 0x56};
    const struct {
        QByteArray record;
        std::vector<MacAddress> macs;
    } cases[] = {
        {Txt({"path=/", "MAC=52:54:00:AB:CD:EF,52:54:00:12:34:56"}), {kMac, second}},
        {Txt({"mac=00:00:00:00:00:00,ff:ff:ff:ff:ff:ff,52:54:00:ab:cd:ef"}), {kMac}},
        {Txt({"mac=5254.00ab.cdef", "mac=52:54:00:12:34:56"}), {}},
        {Txt({"macs=52:54:00:ab:cd:ef"}), {}},
        {Txt({"mac=52:54:00:ab:cd:ef"}).chopped(1), {}},
        {QByteArray(1, '\0'), {}},
        {{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MacsFromTxt(reinterpret_cast<const unsigned char*>(c.record.constData()),
                              size_t(c.record.size())),
                  c.macs)
            << c.record.toHex().constData();
}

TEST(ReplyText, CutDomainDropsOnlyTheLastLabelAndFormatAddressTakesFourBytesUnsigned) {
    const std::string longLabel(300, 'h');
    for (const auto& [name, cut] : std::vector<std::pair<std::string, std::string>>{
             {"lab.deskpc.local.", "lab.deskpc"},
             {"", ""},
             {"deskpc", "deskpc"},
             {"deskpc.", "deskpc."},
             {".local.", ".local."},  // the first character is never taken for a dot
             {"x.local.", "x"},
             {longLabel + ".local.", longLabel}})
        EXPECT_EQ(CutDomain(name), cut) << name;
    const unsigned char address[] = {192, 168, 0, 255, 7};
    EXPECT_EQ(FormatAddress(address, 5), "192.168.0.255");
    EXPECT_EQ(FormatAddress(address, 3), "");
    EXPECT_EQ(FormatAddress(nullptr, 4), "");
}
