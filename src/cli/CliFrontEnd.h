#pragma once

#include "support/FrontEnd.h"

#include <ostream>

namespace tarvo::cli {

// Messages go to stderr as the GUI would word them. The command line has no
// one to ask: a Yes/No question (leave to replace what is on the handheld)
// is answered No, or Yes when the command line said --force, and the answer
// is shown under it; any other question takes its first answer. The status
// line is shown as a plain message when it carries text.
class CliFrontEnd final : public FrontEnd {
public:
    static constexpr const char* kAnsweredNo = "Answered No: run again with --force to answer Yes.";
    static constexpr const char* kAnsweredYes = "Answered Yes (--force).";

    explicit CliFrontEnd(std::ostream& err, bool force = false) : m_err(err), m_force(force) {}

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override;
    void setBusy(bool) override {}
    void pumpEvents() override {}
    void setStatusText(const std::string& text) override;

private:
    std::ostream& m_err;
    bool m_force;
};

} // namespace tarvo::cli
