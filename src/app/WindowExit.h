#pragma once

#include <functional>

namespace tarvo {

class FrontEnd;
class SyncApp;

// Leaving the selection window, whichever way and in whichever window: a
// staged update's installer is started, then unsaved changes are asked
// about.
class WindowExit final {
public:
    static constexpr const char* kChangesQuestion =
        "You have made changes to your device's phonebook. Do you want to synchronize changes?.";

    WindowExit() = delete;

    // True when the window may close. `changed` says whether the person's
    // choices differ from what was last saved; `save` synchronizes and
    // answers whether that succeeded. Cancel keeps the window; Yes closes
    // it only after a successful save, so a save that failed (and said
    // why) leaves the person's choices in the window instead of losing them.
    static bool mayClose(SyncApp& app, FrontEnd& frontEnd, bool changed, const std::function<bool()>& save);
};

} // namespace tarvo
