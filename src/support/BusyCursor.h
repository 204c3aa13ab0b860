#pragma once

#include "support/FrontEnd.h"

namespace tarvo {

// Shows the busy cursor for the lifetime of the object, so every way out of
// a step restores the normal one.
class BusyCursor final {
public:
    explicit BusyCursor(FrontEnd& frontEnd) : m_frontEnd(frontEnd) { m_frontEnd.setBusy(true); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    ~BusyCursor() { m_frontEnd.setBusy(false); }

private:
    FrontEnd& m_frontEnd;
};

} // namespace tarvo
