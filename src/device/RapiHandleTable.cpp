#include "device/RapiHandleTable.h"

namespace tarvo {

DeviceHandle RapiHandleTable::add(Entry entry)
{
    do {
        ++m_last;
    } while (m_last == kNoDeviceHandle || m_entries.count(m_last) != 0);
    m_entries.emplace(m_last, std::move(entry));
    return m_last;
}

RapiHandleTable::Entry* RapiHandleTable::find(DeviceHandle handle, bool key)
{
    auto it = m_entries.find(handle);
    return it == m_entries.end() || it->second.isKey != key ? nullptr : &it->second;
}

std::optional<RapiHandleTable::Entry> RapiHandleTable::take(DeviceHandle handle)
{
    auto it = m_entries.find(handle);
    if (it == m_entries.end())
        return std::nullopt;
    Entry entry = std::move(it->second);
    m_entries.erase(it);
    return entry;
}

std::vector<DeviceHandle> RapiHandleTable::handles() const
{
    std::vector<DeviceHandle> out;
    for (const auto& [handle, entry] : m_entries)
        out.push_back(handle);
    return out;
}

} // namespace tarvo
