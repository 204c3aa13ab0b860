#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

namespace tarvo {

// A local file could not be written or closed during an update run (a full
// disk, a failing device). It ends the whole run: the run logs its
// description and fails. The only exception the update service raises.
class UpdateIoError final : public std::runtime_error {
public:
    UpdateIoError(int cause, std::string file)
        : std::runtime_error(std::strerror(cause)), m_cause(cause), m_file(std::move(file))
    {
    }

    // The system's error number.
    int cause() const { return m_cause; }
    // The file as the log names it (relative to the working folder).
    const std::string& file() const { return m_file; }

private:
    int m_cause;
    std::string m_file;
};

} // namespace tarvo
