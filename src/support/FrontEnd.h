#pragma once

#include <string>

namespace tarvo {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// The one way the core speaks to the person: the GUI implements it with Qt,
// the command line with stderr. Lower layers reach it only where the program
// is defined to show something (a failed phonebook expansion, a device value
// that cannot be set, the synchronization's messages).
class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    virtual MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons = MessageButtons::Ok) = 0;
    // The busy cursor, shown during every list rebuild, move and device step.
    virtual void setBusy(bool busy) = 0;
    // Dispatches pending input while the device connection is awaited, so the
    // window keeps repainting.
    virtual void pumpEvents() = 0;
    // The window's status line.
    virtual void setStatusText(const std::string& text) = 0;
};

// A front end that shows nothing and answers every question with its first
// button; for callers that run without a person (tests, batch jobs).
class SilentFrontEnd final : public FrontEnd {
public:
    MessageAnswer messageBox(const std::string&, const std::string&, MessageIcon, MessageButtons buttons) override
    {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    void setBusy(bool) override {}
    void pumpEvents() override {}
    void setStatusText(const std::string&) override {}
};

} // namespace tarvo
