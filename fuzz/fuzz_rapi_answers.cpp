// Every answer decoder of both remote-API layouts on any input: nothing is
// read past the message, and data handed back lies inside it and within
// what was asked for.
#include "ceproto/CeWin32.h"
#include "ceproto/RapiAnswers.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void checkInside(const tarvo::RapiAnswer& answer, std::span<const std::uint8_t> message, std::size_t limit)
{
    if (answer.data.empty())
        return;
    bool inside = answer.data.data() >= message.data() &&
                  answer.data.data() + answer.data.size() <= message.data() + message.size();
    if (!inside || answer.data.size() > limit)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::span<const std::uint8_t> message(data, size);
    // The first byte picks how much a read or a query asked for.
    std::uint32_t asked = size > 0 ? data[0] * 17u : 0;
    for (tarvo::RapiLayout layout : {tarvo::RapiLayout::V1, tarvo::RapiLayout::V2}) {
        tarvo::RapiAnswers answers(layout);
        (void)answers.status(message);
        (void)answers.writeFile(message);
        (void)answers.regCreateKey(message);
        (void)answers.regOpenKey(message);
        tarvo::RapiAnswer found = answers.findFirstFile(message);
        if (found.name.size() > tarvo::ce::kMaxPath)
            std::abort();
        (void)answers.getVersion(message);
        checkInside(answers.readFile(message, asked), message, asked);
        checkInside(answers.regQueryValue(message, asked), message, asked);
    }
    return 0;
}
