// The desktop's telephony library as Windows has it: TAPI32.DLL, loaded on
// first use, answering the whole country list.
#include "dialing/TelephonyLibrary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace tarvo;

TEST(TelephonyLibraryOnWindows, theDesktopsCountryListAnswers)
{
    TelephonyLibrary tapi;
    for (auto entryPoint : {TelephonyLibrary::EntryPoint::LineGetCountry, TelephonyLibrary::EntryPoint::LineGetCountryA}) {
        std::vector<std::byte> buffer(100000);
        const auto total = static_cast<std::uint32_t>(buffer.size());
        std::memcpy(buffer.data(), &total, 4);
        ASSERT_EQ(tapi.lineGetCountry(entryPoint, 0, 0x00020000, buffer), 0);
        std::uint32_t countries = 0;
        std::memcpy(&countries, buffer.data() + 12, 4);
        EXPECT_GT(countries, 200U);
    }
}
