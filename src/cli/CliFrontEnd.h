#pragma once

#include "support/FrontEnd.h"

#include <ostream>

namespace tarvo::cli {

// Messages go to stderr as the GUI would word them; questions take their
// first answer (the command line has no one to ask). The status line is
// shown as a plain message when it carries text.
class CliFrontEnd final : public FrontEnd {
public:
    explicit CliFrontEnd(std::ostream& err) : m_err(err) {}

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    void setBusy(bool) override {}
    void pumpEvents() override {}
    void setStatusText(const std::string& text) override;

private:
    std::ostream& m_err;
};

} // namespace tarvo::cli
