#pragma once

#include "app/PopFilter.h"

namespace tarvo {

class SelectionModel;
class UserSettings;

// The window's last choice of country, state and city: kept in the user
// settings under the program's own keys (UserSettings::LastFilter) and
// found again in the location tables when the window opens. Any window over
// the selection model remembers its filter through here.
class FilterMemory final {
public:
    // The remembered choice as entries the drop-down lists offer, level by
    // level from the country down; the first level that is not offered any
    // more (a country gone from the tables, a state of another country)
    // ends it. A city is looked for in its own region, so the Springfield
    // of one state is never taken for another's.
    PopFilter restore(const SelectionModel& selection, const UserSettings& settings);

    // Keeps `chosen` as the last choice, unless it is the choice restored:
    // what could not be found then stays remembered as it was, for tables
    // that hold it again. Nothing is kept before a restore.
    void remember(UserSettings& settings, const PopFilter& chosen) const;

private:
    PopFilter m_restored;
    bool m_hasRestored = false;
};

} // namespace tarvo
