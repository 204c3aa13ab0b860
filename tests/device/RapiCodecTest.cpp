// The remote API's messages and the control connection's blocks, byte by
// byte, with the layouts written out by hand from docs/ce-protocol.md.
#include "ceproto/CeDeviceInfo.h"
#include "ceproto/CePassword.h"
#include "ceproto/CeWin32.h"
#include "ceproto/RapiAnswerEncoder.h"
#include "ceproto/RapiAnswers.h"
#include "ceproto/RapiRequestDecoder.h"
#include "ceproto/RapiRequests.h"
#include "ceproto/Utf16Le.h"

#include "fixtures/WireBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tarvo {
namespace {

using namespace test;

Bytes framed(const Bytes& body)
{
    return cat({le({static_cast<std::uint32_t>(body.size())}), body});
}

TEST(RapiRequests, createFileInBothLayouts)
{
    const std::u16string path = u"\\a.txt";
    EXPECT_EQ(RapiRequests(RapiLayout::V1).createFile(path, ce::kGenericWrite, 1, 2, 0x80),
              framed(cat({le({0x05, 0x40000000, 1, 2, 0x80, 0, 1, 7}), utf16z(path)})));
    EXPECT_EQ(RapiRequests(RapiLayout::V2).createFile(path, ce::kGenericRead, 1, 3, 0x80),
              framed(cat({le({0x16, 14}), utf16z(path), le({0x80000000, 1, 3, 0x80, 0})})));
}

TEST(RapiRequests, fileAndRegistryCommandsInBothLayouts)
{
    RapiRequests v1(RapiLayout::V1);
    RapiRequests v2(RapiLayout::V2);
    EXPECT_EQ(v1.readFile(9, 4096), framed(le({0x06, 9, 1, 4096, 0, 0})));
    EXPECT_EQ(v2.readFile(9, 4096), framed(le({0x17, 9, 4096})));
    EXPECT_EQ(v1.deleteFile(u"x"), framed(cat({le({0x1C, 1, 4, 1}), utf16z(u"x")})));
    EXPECT_EQ(v2.deleteFile(u"x"), framed(cat({le({0x2D, 4}), utf16z(u"x")})));
    EXPECT_EQ(v1.moveFile(u"a", u"b"), framed(cat({le({0x1A, 1, 4, 1}), utf16z(u"a"), le({1, 4, 1}), utf16z(u"b")})));
    EXPECT_EQ(v1.findFirstFile(u"f"), framed(cat({le({0x00, 1, 2}), utf16z(u"f")})));
    EXPECT_EQ(v2.getFileAttributes(u"f"), framed(cat({le({0x14, 4}), utf16z(u"f")})));
    EXPECT_EQ(v1.regCreateKey(ce::kHkeyCurrentUser, u"K"),
              framed(cat({le({0x20, 0x80000001, 1, 2}), utf16z(u"K"), le({0})})));
    EXPECT_EQ(v2.regCreateKey(ce::kHkeyCurrentUser, u"K"),
              framed(cat({le({0x31, 0x80000001, 4}), utf16z(u"K"), le({0})})));
    const Bytes data = utf16z(u"1");
    EXPECT_EQ(v1.regSetValue(7, u"N", ce::kRegSz, data),
              framed(cat({le({0x27, 7, 1, 4, 1}), utf16z(u"N"), le({1, 1, 4, 1}), data, le({4})})));
    EXPECT_EQ(v2.regSetValue(7, u"N", ce::kRegSz, data),
              framed(cat({le({0x38, 7, 4}), utf16z(u"N"), le({1, 4}), data})));
    EXPECT_EQ(v1.regQueryValue(7, u"N", 64),
              framed(cat({le({0x26, 7, 1, 4, 1}), utf16z(u"N"), le({0, 1, 4, 0, 1, 64, 0, 1, 4, 1, 64})})));
    EXPECT_EQ(v2.regQueryValue(7, u"N", 64), framed(cat({le({0x37, 7, 4}), utf16z(u"N"), le({64})})));
    EXPECT_EQ(v1.regCloseKey(7), framed(le({0x21, 7})));
    EXPECT_EQ(v2.getVersion(), framed(le({0x43})));
}

TEST(RapiLayout, fiveOneAndEveryLaterVersionSpeakTheNewerLayout)
{
    EXPECT_EQ(rapiLayoutFor(4, 20), RapiLayout::V1);
    EXPECT_EQ(rapiLayoutFor(5, 0), RapiLayout::V1);
    EXPECT_EQ(rapiLayoutFor(5, 1), RapiLayout::V2);
    EXPECT_EQ(rapiLayoutFor(5, 2), RapiLayout::V2);
    EXPECT_EQ(rapiLayoutFor(6, 0), RapiLayout::V2);
    EXPECT_EQ(rapiLayoutFor(7, 0), RapiLayout::V2);
}

TEST(RapiRequests, createDirectoryInBothLayouts)
{
    EXPECT_EQ(RapiRequests(RapiLayout::V1).createDirectory(u"d"), framed(cat({le({0x17, 1, 4, 1}), utf16z(u"d"), le({0})})));
    EXPECT_EQ(RapiRequests(RapiLayout::V2).createDirectory(u"d"), framed(cat({le({0x28, 4}), utf16z(u"d")})));
}

TEST(RapiRequestDecoder, readsWhatTheDesktopSendsInBothLayouts)
{
    // The emulated handheld's tests send the other requests byte by byte.
    for (RapiLayout layout : {RapiLayout::V1, RapiLayout::V2}) {
        RapiRequests out(layout);
        RapiRequestDecoder in(layout);
        auto decode = [&](const std::vector<std::uint8_t>& message) {
            return in.decode(std::span(message).subspan(4)).value_or(RapiRequest{});
        };
        RapiRequest moved = decode(out.moveFile(u"a", u"b"));
        EXPECT_EQ(moved.command, RapiCommand::MoveFile);
        EXPECT_EQ(moved.path + u">" + moved.newPath, u"a>b");
        EXPECT_EQ(decode(out.createDirectory(u"d")).path, u"d");
        EXPECT_EQ(decode(out.regQueryValue(7, u"N", 64)).size, 64u);
        // A request cut short cannot be read; a number not known has no command.
        const std::vector<std::uint8_t> whole = out.findFirstFile(u"f");
        EXPECT_FALSE(in.decode(std::span(whole).subspan(4, whole.size() - 6)));
        std::optional<RapiRequest> unknown = in.decode(le({0x99}));
        ASSERT_TRUE(unknown);
        EXPECT_FALSE(unknown->command);
    }
}

TEST(RapiAnswerEncoder, answersInBothLayoutsReadBackByTheDesktop)
{
    RapiAnswerEncoder v1(RapiLayout::V1);
    RapiAnswerEncoder v2(RapiLayout::V2);
    EXPECT_EQ(v1.status(0, 0x44), framed(le({0, 0, 0x44})));
    EXPECT_EQ(v2.writeFile(112, 0, 0), framed(le({112, 0, 0})));
    EXPECT_EQ(v1.unknown(), le({8, 1, ce::kENotImpl}));
    EXPECT_EQ(v2.regQueryValue(0, ce::kRegSz, utf16z(u"y")), framed(cat({le({0, 0, 1, 4}), utf16z(u"y")})));
    for (RapiLayout layout : {RapiLayout::V1, RapiLayout::V2}) {
        RapiAnswerEncoder out(layout);
        RapiAnswers in(layout);
        const CeFindData data{ce::kAttributeNormal, 10, u"cepbook.txt"};
        const std::vector<std::uint8_t> found = out.findFirstFile(0, 0x48, &data);
        EXPECT_EQ(in.findFirstFile(std::span(found).subspan(4)).name, u"cepbook.txt");
        const std::vector<std::uint8_t> query = out.regQueryValue(0, ce::kRegSz, utf16z(u"yes"));
        EXPECT_EQ(Utf16Le::decode(in.regQueryValue(std::span(query).subspan(4), 64).data), u"yes");
        const std::vector<std::uint8_t> version = out.getVersion(7, 0, 1, ce::kPlatformWin32Ce);
        EXPECT_EQ(in.getVersion(std::span(version).subspan(4)).osMajor, 7u);
    }
}

TEST(Utf16Le, stopsAtNulOrLimitAndDropsAnOddByte)
{
    const Bytes bytes = cat({utf16z(u"ab"), Bytes{'c', 0, 'd'}});
    EXPECT_EQ(Utf16Le::decode(bytes), u"ab");
    EXPECT_EQ(Utf16Le::decode(bytes, 1), u"a");
    EXPECT_EQ(Utf16Le::decodeAll(bytes), std::u16string(u"ab\0c", 4));
    EXPECT_EQ(Utf16Le::withNul(u"\u00e9"), (Bytes{0xE9, 0, 0, 0}));
}

TEST(RapiRequests, writeFramesTheDataBetweenHeadAndTail)
{
    RapiFrameParts v1 = RapiRequests(RapiLayout::V1).writeFile(5, 3);
    EXPECT_EQ(v1.head, cat({le({4 * 4 + 3 + 4, 0x07, 5, 1, 3})}));
    EXPECT_EQ(v1.tail, le({0}));
    RapiFrameParts v2 = RapiRequests(RapiLayout::V2).writeFile(5, 3);
    EXPECT_EQ(v2.head, le({3 * 4 + 3, 0x18, 5, 3}));
    EXPECT_TRUE(v2.tail.empty());
}

TEST(RapiAnswers, layoutOneLeadsWithTheCallWord)
{
    RapiAnswers v1(RapiLayout::V1);
    RapiAnswer ok = v1.status(le({0, 0, 0x1234}));
    EXPECT_TRUE(ok.succeeded());
    EXPECT_EQ(ok.value, 0x1234u);
    RapiAnswer failedCall = v1.status(le({1, ce::kENotImpl}));
    EXPECT_TRUE(failedCall.valid);
    EXPECT_FALSE(failedCall.succeeded());
    EXPECT_EQ(failedCall.callError, ce::kENotImpl);
    EXPECT_FALSE(v1.status(le({0, 0})).valid);
    RapiAnswer v2 = RapiAnswers(RapiLayout::V2).status(le({5, 0}));
    EXPECT_TRUE(v2.valid);
    EXPECT_EQ(v2.lastError, 5u);
    EXPECT_FALSE(v2.succeeded());
}

TEST(RapiAnswers, readDataIsBoundedByTheRequest)
{
    RapiAnswers v2(RapiLayout::V2);
    const Bytes message = cat({le({0, 1, 3}), Bytes{'a', 'b', 'c'}});
    RapiAnswer read = v2.readFile(message, 4096); // its data points into the message
    ASSERT_TRUE(read.succeeded());
    EXPECT_EQ(Bytes(read.data.begin(), read.data.end()), (Bytes{'a', 'b', 'c'}));
    EXPECT_FALSE(v2.readFile(cat({le({0, 1, 3}), Bytes{'a', 'b', 'c'}}), 2).valid);
    EXPECT_FALSE(v2.readFile(cat({le({0, 1, 4}), Bytes{'a', 'b', 'c'}}), 4096).valid);
    EXPECT_FALSE(v2.readFile(le({0, 1, 0xFFFFFFFF}), 0xFFFFFFFF).valid);
}

TEST(RapiAnswers, findDataAndVersionAreBounded)
{
    Bytes find(ce::kFindDataSize, 0);
    find[0] = 0x80;
    find[32] = 10; // size low
    Bytes name = utf16z(u"cepbook.txt");
    std::copy(name.begin(), name.end(), find.begin() + 40);
    RapiAnswers v1(RapiLayout::V1);
    RapiAnswer found = v1.findFirstFile(cat({le({0, 0, 0x44, ce::kFindDataSize}), find}));
    ASSERT_TRUE(found.succeeded());
    EXPECT_EQ(found.name, u"cepbook.txt");
    EXPECT_EQ(found.attributes, 0x80u);
    EXPECT_EQ(found.fileSize, 10u);
    EXPECT_TRUE(v1.findFirstFile(le({0, 2, ce::kInvalidHandle})).valid);
    find.push_back(0);
    EXPECT_FALSE(v1.findFirstFile(cat({le({0, 0, 0x44, ce::kFindDataSize + 1}), find})).valid);

    Bytes info = le({276, 5, 2, 1234, 3});
    info.resize(ce::kVersionInfoSize, 0);
    RapiAnswer version = RapiAnswers(RapiLayout::V2).getVersion(cat({le({0, 1, ce::kVersionInfoSize}), info}));
    ASSERT_TRUE(version.succeeded());
    EXPECT_EQ(version.osMajor, 5u);
    EXPECT_EQ(version.osMinor, 2u);
    EXPECT_EQ(version.build, 1234u);
    info.push_back(0);
    EXPECT_FALSE(RapiAnswers(RapiLayout::V2).getVersion(cat({le({0, 1, ce::kVersionInfoSize + 1}), info})).valid);
}

TEST(RapiAnswers, registryAnswersInBothLayouts)
{
    RapiAnswer created = RapiAnswers(RapiLayout::V2).regCreateKey(le({0, 0, 0x77, ce::kRegCreatedNewKey}));
    ASSERT_TRUE(created.registryOk());
    EXPECT_EQ(created.key, 0x77u);
    EXPECT_EQ(created.disposition, ce::kRegCreatedNewKey);
    RapiAnswer denied = RapiAnswers(RapiLayout::V2).regCreateKey(le({0, 5}));
    EXPECT_TRUE(denied.valid);
    EXPECT_EQ(denied.value, 5u);

    const Bytes text = utf16z(u"yes");
    const Bytes v2Message = cat({le({0, 0, 1, 8}), text});
    RapiAnswer v2 = RapiAnswers(RapiLayout::V2).regQueryValue(v2Message, 64);
    ASSERT_TRUE(v2.registryOk());
    EXPECT_EQ(v2.type, ce::kRegSz);
    EXPECT_EQ(Bytes(v2.data.begin(), v2.data.end()), text);
    const Bytes v1Message = cat({le({0, 0, 0, 1, 4, 1, 1, 1, 8, 1}), text, le({1, 4, 1, 8})});
    RapiAnswer v1 = RapiAnswers(RapiLayout::V1).regQueryValue(v1Message, 64);
    ASSERT_TRUE(v1.registryOk());
    EXPECT_EQ(v1.type, ce::kRegSz);
    EXPECT_EQ(v1.size, 8u);
    EXPECT_EQ(Bytes(v1.data.begin(), v1.data.end()), text);
    EXPECT_FALSE(RapiAnswers(RapiLayout::V1).regQueryValue(v1Message, 4).valid);
}

// A newer handheld's information block, laid out field by field.
Bytes infoBlock(std::uint32_t nameUnits, std::uint32_t components, std::uint32_t key)
{
    Bytes guid{0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE, 1, 2, 3, 4, 5, 6, 7, 8};
    Bytes name = utf16z(u"Pocket_PC");
    Bytes platform{'P', 'o', 'c', 'k', 'e', 't', 'P', 'C', 0, 0};
    Bytes model{'H', 'X', '4', '7', '0', '0', 0};
    return cat({guid, le({5, 1, nameUnits}), name, le({0x0501, 2577, 0, 0x1111, 0x2222}),
                le({static_cast<std::uint32_t>(platform.size())}), platform,
                le({static_cast<std::uint32_t>(model.size())}), model, Bytes{0}, le({components}),
                Bytes(8 * components, 0xEE), le({key})});
}

TEST(CeDeviceInfo, readsTheNewerBlock)
{
    std::optional<CeDeviceInfo> info = CeDeviceInfo::parse(infoBlock(9, 2, 0x5A));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->guid, "{12345678-9ABC-DEF0-0102-030405060708}");
    EXPECT_EQ(info->osMajor, 5u);
    EXPECT_EQ(info->osMinor, 1u);
    EXPECT_EQ(info->name, "Pocket_PC");
    EXPECT_EQ(info->cpuType, 2577u);
    EXPECT_EQ(info->partnerId, 0x1111u);
    EXPECT_EQ(info->id, 0x2222u);
    EXPECT_EQ(info->platform, "PocketPC");
    EXPECT_EQ(info->model, "HX4700");
    EXPECT_EQ(info->passwordKey, 0x5Au);
}

TEST(CeDeviceInfo, refusesCountsOverTheirLimitsAndShortBlocks)
{
    EXPECT_FALSE(CeDeviceInfo::parse(infoBlock(32, 0, 0)));
    EXPECT_FALSE(CeDeviceInfo::parse(infoBlock(9, 7, 0)));
    Bytes whole = infoBlock(9, 0, 0);
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        EXPECT_FALSE(CeDeviceInfo::parse(std::span(whole).first(cut))) << cut;
    Bytes withExtra = cat({whole, le({4}), Bytes{1, 2, 3, 4}});
    EXPECT_TRUE(CeDeviceInfo::parse(withExtra));
    Bytes badExtra = cat({whole, le({400})});
    EXPECT_FALSE(CeDeviceInfo::parse(badExtra));
}

TEST(CeDeviceInfo, readsTheOlderBlockWithStringsAtOffsets)
{
    Bytes block = cat({le({0}), Bytes{4, 20, 0x34, 0x12}, Bytes{0x11, 0x0A, 0, 0}, le({0, 0x99, 0}),
                       le({36, 36 + 10, 36 + 10 + 8})});
    Bytes strings = cat({utf16z(u"Palm"), utf16z(u"PPC"), utf16z(u"X5")});
    block = cat({block, strings});
    std::optional<CeDeviceInfo> info = CeDeviceInfo::parseLegacy(block);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->osMajor, 4u);
    EXPECT_EQ(info->osMinor, 20u);
    EXPECT_EQ(info->cpuType, 0x0A11u);
    EXPECT_EQ(info->partnerId, 0x99u);
    EXPECT_EQ(info->name, "Palm");
    EXPECT_EQ(info->platform, "PPC");
    EXPECT_EQ(info->model, "X5");
    block[24] = 200; // an offset past the end
    EXPECT_FALSE(CeDeviceInfo::parseLegacy(block));
    EXPECT_FALSE(CeDeviceInfo::parseLegacy(std::span(block).first(0x23)));
    // Found by fuzzing: a name without a NUL ran to the end of any input.
    // Blocks are shorter than 512 bytes; a name stops at the block's end.
    block[24] = 36;
    block[32] = 60;
    block.resize(CeDeviceInfo::kMaxLegacyBlock - 1, 'I');
    std::optional<CeDeviceInfo> longest = CeDeviceInfo::parseLegacy(block);
    ASSERT_TRUE(longest);
    // 451 bytes after offset 60: 225 units of U+4949, three UTF-8 bytes each.
    EXPECT_EQ(longest->model.size(), 225u * 3);
    EXPECT_EQ(longest->model.substr(0, 3), "\xE4\xA5\x89");
    block.push_back('I');
    EXPECT_FALSE(CeDeviceInfo::parseLegacy(block));
}

TEST(CePassword, xorsEveryByteWithTheKeysLowByte)
{
    EXPECT_EQ(CePassword::encode(u"ab", 0x1234, false), (Bytes{4, 0, 'a' ^ 0x34, 0x34, 'b' ^ 0x34, 0x34}));
    EXPECT_EQ(CePassword::encode(u"a", 0x01, true), (Bytes{4, 0, 'a' ^ 1, 1, 1, 1}));
    Bytes sent = CePassword::encode(u"1234", 0x5A, true);
    EXPECT_EQ(CePassword::decode(std::span(sent).subspan(2), 0x5A), u"1234");
    EXPECT_FALSE(CePassword::decode(Bytes{1, 2, 3}, 0x5A));
}

} // namespace
} // namespace tarvo
