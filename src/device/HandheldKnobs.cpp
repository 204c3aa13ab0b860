#include "device/HandheldKnobs.h"

#include "text/IniFile.h"

namespace tarvo {

namespace {
constexpr std::string_view kSection = "Simulator";
}

HandheldKnobs HandheldKnobs::read(const std::filesystem::path& folder)
{
    HandheldKnobs knobs;
    IniFile ini((folder / "simulator.ini").string());
    knobs.startDelayMs = ini.readInt(kSection, "StartDelayMs", "0");
    knobs.startStatus = ini.readInt(kSection, "StartStatus", "0");
    knobs.refuseSession = ini.readBool(kSection, "RefuseSession", false);
    knobs.writeLimitBytes = ini.readInt(kSection, "WriteLimitBytes", "-1");
    knobs.writeLimitFile = ini.readString(kSection, "WriteLimitFile", "");
    knobs.readLimitBytes = ini.readInt(kSection, "ReadLimitBytes", "-1");
    knobs.failCreateFile = ini.readString(kSection, "FailCreateFile", "");
    knobs.failRegistryKey = ini.readString(kSection, "FailRegistryKey", "");
    knobs.failValueWrites = ini.readBool(kSection, "FailValueWrites", false);
    knobs.failValueName = ini.readString(kSection, "FailValueName", "");
    knobs.dropAfterBytes = ini.readInt(kSection, "DropAfterBytes", "-1");
    return knobs;
}

} // namespace tarvo
