#include "cli/CliFrontEnd.h"

namespace tarvo::cli {

MessageAnswer CliFrontEnd::messageBox(const std::string& text, const std::string&, MessageIcon,
                                      MessageButtons buttons)
{
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
