#pragma once

#include <optional>
#include <string>

namespace tarvo {

enum class MessageIcon { None, Error, Warning, Information, Question };
// YesNo asks leave for something that may lose what the person has (the
// handheld's phonebook, a file on it): No is always the safe answer.
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// What a box closed without a button (Escape, its close box) answers: the
// answer that changes nothing.
constexpr MessageAnswer dismissedAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::Ok:
        break;
    }
    return MessageAnswer::Ok;
}

// The one way the core speaks to the person: the GUI implements it with Qt,
// the command line with stderr. Lower layers reach it only where the program
// is defined to show something (a failed phonebook expansion, a device value
// that cannot be set, the synchronization's messages).
class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    virtual MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons = MessageButtons::Ok) = 0;
    // A failure the person must judge: the defined text, with the error
    // icon and an OK button, and `details` beside it (the file, the step
    // that failed, what had already happened). A front end without room for
    // the details shows the text alone, as a message box would.
    virtual void failureBox(const std::string& text, const std::string& details, const std::string& caption)
    {
        (void)details;
        (void)messageBox(text, caption, MessageIcon::Error, MessageButtons::Ok);
    }
    // A secret the person types (the handheld's password), hidden as it is
    // typed; nullopt when the person declines or the front end cannot ask
    // (the command line takes secrets from files only).
    virtual std::optional<std::string> askPassword(const std::string& text, const std::string& caption)
    {
        (void)text;
        (void)caption;
        return std::nullopt;
    }
    // The busy cursor, shown during every list rebuild, move and device step.
    virtual void setBusy(bool busy) = 0;
    // Dispatches pending input while the device connection is awaited, so the
    // window keeps repainting.
    virtual void pumpEvents() = 0;
    // The window's status line.
    virtual void setStatusText(const std::string& text) = 0;
};

// A front end that shows nothing; for callers that run without a person
// (tests, batch jobs). A Yes/No question gets No, as no one is there to give
// leave to lose data; any other question gets its first button.
class SilentFrontEnd final : public FrontEnd {
public:
    MessageAnswer messageBox(const std::string&, const std::string&, MessageIcon, MessageButtons buttons) override
    {
        switch (buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
            return MessageAnswer::No;
        case MessageButtons::YesNoCancel:
            break;
        }
        return MessageAnswer::Yes;
    }
    void setBusy(bool) override {}
    void pumpEvents() override {}
    void setStatusText(const std::string&) override {}
};

} // namespace tarvo
