#pragma once

#include "app/PopFilter.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvo {

class HandheldSet;
class PopList;

// Choosing POPs for the handheld by their ids or by a filter, all or
// nothing: every id is checked, and the limit with it, before anything
// moves, so a typo or a refusal leaves the choice as it was. The command
// line's `sync` speaks to the handheld set only through here.
class HandheldChoice final {
public:
    struct Outcome {
        enum class Result {
            Done,
            UnknownPop,    // `pop` names no POP of the phonebook
            CustomerPop,   // `pop` names customer POPs only: they are never written to the handheld
            LimitExceeded, // the handheld would hold more than its limit; nothing moved
        };
        Result result = Result::Done;
        std::string pop;
        int moved = 0;
        // POPs a filter matched that are customer POPs, left where they are.
        int customerPops = 0;

        [[nodiscard]] bool ok() const { return result == Result::Done; }
    };

    // A whole change of the choice, applied in this order: everything off,
    // the ids to take off, the POPs passing a filter on, the ids to put on.
    struct Request {
        bool removeAll = false;
        std::vector<std::string> remove;
        std::optional<PopFilter> matching;
        std::vector<std::string> add;
    };

    explicit HandheldChoice(HandheldSet& handheld);

    // Checks every id first (nothing moves when one names no POP, or names
    // customer POPs only), then moves; a limit refusal stops there.
    Outcome apply(const Request& request);

    // Puts every POP carrying one of `ids` on the handheld.
    Outcome choose(const std::vector<std::string>& ids);
    // Takes every POP carrying one of `ids` off the handheld.
    Outcome unchoose(const std::vector<std::string>& ids);
    // Puts every master POP passing `filter` on the handheld.
    Outcome chooseMatching(const PopFilter& filter);
    void unchooseAll();

    // Said when customer POPs were asked to move: they stay where they are
    // ("1 customer POP was left where it is", short enough for a status
    // line).
    static std::string customerPopsLeft(int count);
    // What a front end tells the person about an outcome that is not Done,
    // or about customer POPs a filter matched ("" when there is nothing to say).
    static std::string describe(const Outcome& outcome);

private:
    HandheldSet& m_handheld;
};

} // namespace tarvo
