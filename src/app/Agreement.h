#pragma once

#include <string>

namespace tarvo {

class WorkingFolder;

// The end-user agreement: "<language>.eua" in the working folder, shown
// until the person accepts it once; the accepted copy under "log"
// remembers the acceptance. Every window shows it through here.
class Agreement final {
public:
    // Told after Reject, before the program closes.
    static constexpr const char* kRejectedMessage =
        "The agreement was not accepted, so the program closes. It is shown again the next time the program starts.";

    // `language` names the agreement file; nothing in the program fills it,
    // so the file is ".eua" in practice.
    Agreement(const WorkingFolder& folder, const std::string& language);

    const std::string& file() const { return m_file; }
    const std::string& acceptedCopy() const { return m_acceptedCopy; }
    // False when there is no agreement, or it was accepted before.
    [[nodiscard]] bool needsShowing() const;
    // The agreement's text in the desktop's ANSI code page, up to its first
    // NUL as a C string would end; empty when it cannot be read.
    [[nodiscard]] std::string text() const;
    // Keeps the accepted copy; one that cannot be written only means the
    // agreement is shown again next time.
    void accept() const;

private:
    std::string m_file;
    std::string m_acceptedCopy;
};

} // namespace tarvo
