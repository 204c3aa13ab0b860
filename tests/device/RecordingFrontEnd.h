#pragma once

#include "support/FrontEnd.h"

#include <string>
#include <vector>

namespace tarvo::test {

// Counts event pumps and keeps every message box shown.
class RecordingFrontEnd final : public FrontEnd {
public:
    struct Box {
        std::string text;
        std::string caption;
        MessageButtons buttons;
    };

    int pumps = 0;
    std::vector<Box> boxes;

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon,
                             MessageButtons buttons) override
    {
        boxes.push_back({text, caption, buttons});
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    void setBusy(bool) override {}
    void pumpEvents() override { ++pumps; }
    void setStatusText(const std::string&) override {}
};

} // namespace tarvo::test
