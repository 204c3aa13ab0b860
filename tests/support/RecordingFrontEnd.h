#pragma once

#include "support/FrontEnd.h"

#include <string>
#include <vector>

namespace tarvo::test {

// Keeps what the person would have seen instead of showing it: every message
// box, the status line texts, how often events were pumped, and whether the
// busy cursor was switched on and off in balance. Questions take their first
// answer.
class RecordingFrontEnd final : public FrontEnd {
public:
    struct Box {
        std::string text;
        std::string caption;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons buttons) override
    {
        boxes.push_back({text, caption, icon, buttons});
        boxShownBusy = boxShownBusy || busyDepth > 0;
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    void setBusy(bool busy) override
    {
        if (busy) {
            ++busyDepth;
            ++busySpells;
        } else {
            --busyDepth;
        }
        unbalanced = unbalanced || busyDepth < 0 || busyDepth > 1;
    }
    void pumpEvents() override { ++pumps; }
    void setStatusText(const std::string& text) override { status.push_back(text); }

    void reset() { *this = RecordingFrontEnd(); }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> result;
        for (const Box& box : boxes)
            result.push_back(box.text);
        return result;
    }

    std::vector<Box> boxes;
    std::vector<std::string> status;
    int pumps = 0;
    int busyDepth = 0;
    int busySpells = 0;
    bool unbalanced = false;
    bool boxShownBusy = false;
};

} // namespace tarvo::test
