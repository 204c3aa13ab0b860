// The .reg reader: any input parses without crashing, and what it reads
// writes back in a form that reads the same (writing is idempotent).
#include "text/RegistryFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Walks every key reachable from the roots a registry file commonly has, so
// enumeration and lookups run over whatever the parser built.
void walk(const tarvo::RegistryFile& reg, const std::string& key, int depth)
{
    std::vector<std::string> names;
    if (!reg.enumSubkeys(key, names) || depth > 8)
        return;
    std::string value;
    (void)reg.readString(key, "Path", value);
    (void)reg.readString(key, "", value);
    for (const std::string& name : names)
        walk(reg, key + "\\" + name, depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    tarvo::RegistryFile reg;
    reg.parse(input);
    walk(reg, "HKEY_CURRENT_USER", 0);
    walk(reg, "HKEY_LOCAL_MACHINE", 0);

    std::string first = reg.serialize();
    tarvo::RegistryFile again;
    again.parse(first);
    if (again.serialize() != first)
        std::abort();
    return 0;
}
