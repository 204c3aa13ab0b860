#include "cli/CliFrontEnd.h"

namespace tarvo::cli {

MessageAnswer CliFrontEnd::messageBox(const std::string& text, const std::string&, MessageIcon icon,
                                      MessageButtons buttons)
{
    if (icon == MessageIcon::Error)
        ++m_errors;
    m_err << text << '\n';
    m_err.flush();
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
}

void CliFrontEnd::setStatusText(const std::string& text)
{
    if (!text.empty())
        m_err << text << '\n';
}

} // namespace tarvo::cli
