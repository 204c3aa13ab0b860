#include "cli/CliFrontEnd.h"

namespace tarvo::cli {

MessageAnswer CliFrontEnd::messageBox(const std::string& text, const std::string&, MessageIcon,
                                      MessageButtons buttons)
{
    m_err << text << '\n';
    MessageAnswer answer = MessageAnswer::Yes;
    switch (buttons) {
    case MessageButtons::Ok:
        answer = MessageAnswer::Ok;
        break;
    case MessageButtons::YesNo:
        answer = m_force ? MessageAnswer::Yes : MessageAnswer::No;
        m_err << (m_force ? kAnsweredYes : kAnsweredNo) << '\n';
        break;
    case MessageButtons::YesNoCancel:
        break;
    }
    m_err.flush();
    return answer;
}

void CliFrontEnd::setStatusText(const std::string& text)
{
    if (!text.empty())
        m_err << text << '\n';
}

} // namespace tarvo::cli
