#include "ceproto/RapiCommand.h"

#include <array>

namespace tarvo {

namespace {

struct Numbers {
    RapiCommand command;
    std::uint32_t v1;
    std::uint32_t v2;
};

// docs/ce-protocol.md lists where each number comes from.
constexpr std::array<Numbers, 16> kNumbers = {{
    {RapiCommand::FindFirstFile, 0x00, 0x11},
    {RapiCommand::FindClose, 0x02, 0x13},
    {RapiCommand::GetFileAttributes, 0x03, 0x14},
    {RapiCommand::CreateFile, 0x05, 0x16},
    {RapiCommand::ReadFile, 0x06, 0x17},
    {RapiCommand::WriteFile, 0x07, 0x18},
    {RapiCommand::CloseHandle, 0x08, 0x19},
    {RapiCommand::MoveFile, 0x1A, 0x2B},
    {RapiCommand::DeleteFile, 0x1C, 0x2D},
    {RapiCommand::CreateDirectory, 0x17, 0x28},
    {RapiCommand::RegOpenKey, 0x1E, 0x2F},
    {RapiCommand::RegCreateKey, 0x20, 0x31},
    {RapiCommand::RegCloseKey, 0x21, 0x32},
    {RapiCommand::RegQueryValue, 0x26, 0x37},
    {RapiCommand::RegSetValue, 0x27, 0x38},
    {RapiCommand::GetVersion, 0x3B, 0x43},
}};

std::uint32_t numberIn(RapiLayout layout, const Numbers& entry)
{
    return layout == RapiLayout::V1 ? entry.v1 : entry.v2;
}

} // namespace

std::uint32_t rapiCommandNumber(RapiLayout layout, RapiCommand command)
{
    for (const Numbers& entry : kNumbers)
        if (entry.command == command)
            return numberIn(layout, entry);
    return 0xFFFFFFFFu;
}

std::optional<RapiCommand> rapiCommandOf(RapiLayout layout, std::uint32_t number)
{
    for (const Numbers& entry : kNumbers)
        if (numberIn(layout, entry) == number)
            return entry.command;
    return std::nullopt;
}

} // namespace tarvo
