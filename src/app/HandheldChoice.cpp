#include "app/HandheldChoice.h"

#include "phonebook/HandheldSet.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace tarvo {

namespace {

using Outcome = HandheldChoice::Outcome;

// Every record carrying one of `ids`, by id, in phonebook order.
std::unordered_map<std::string_view, std::vector<PopRecord*>> recordsWithIds(PopList& pops,
                                                                             const std::vector<std::string>& ids)
{
    std::unordered_map<std::string_view, std::vector<PopRecord*>> found;
    for (const std::string& id : ids)
        found.try_emplace(id);
    for (PopRecord& pop : pops)
        if (auto it = found.find(pop.pop()); it != found.end())
            it->second.push_back(&pop);
    return found;
}

Outcome refused(Outcome::Result result, std::string pop)
{
    Outcome outcome;
    outcome.result = result;
    outcome.pop = std::move(pop);
    return outcome;
}

} // namespace

HandheldChoice::HandheldChoice(HandheldSet& handheld) : m_handheld(handheld) {}

Outcome HandheldChoice::apply(const Request& request)
{
    std::vector<std::string> named = request.remove;
    named.insert(named.end(), request.add.begin(), request.add.end());
    auto found = recordsWithIds(m_handheld.pops(), named);
    for (const std::string& id : named)
        if (found.at(id).empty())
            return refused(Outcome::Result::UnknownPop, id);
    for (const std::string& id : request.add) {
        const std::vector<PopRecord*>& records = found.at(id);
        if (std::none_of(records.begin(), records.end(), [](const PopRecord* pop) { return HandheldSet::mayHold(*pop); }))
            return refused(Outcome::Result::CustomerPop, id);
    }

    if (request.removeAll)
        unchooseAll();
    Outcome outcome = unchoose(request.remove);
    int customerPops = 0;
    if (request.matching) {
        outcome = chooseMatching(*request.matching);
        customerPops = outcome.customerPops;
        if (!outcome.ok())
            return outcome;
    }
    outcome = choose(request.add);
    outcome.customerPops = customerPops;
    return outcome;
}

Outcome HandheldChoice::choose(const std::vector<std::string>& ids)
{
    auto found = recordsWithIds(m_handheld.pops(), ids);
    // The limit counts every POP asked for, as the window counts every
    // selected row, chosen already or not.
    std::vector<PopRecord*> adding;
    long long requested = 0;
    for (const std::string& id : ids) {
        const std::vector<PopRecord*>& records = found.at(id);
        if (records.empty())
            return refused(Outcome::Result::UnknownPop, id);
        bool anyMaster = false;
        for (PopRecord* pop : records) {
            if (!HandheldSet::mayHold(*pop))
                continue;
            anyMaster = true;
            ++requested;
            if (!m_handheld.contains(*pop))
                adding.push_back(pop);
        }
        if (!anyMaster)
            return refused(Outcome::Result::CustomerPop, id);
    }
    if (!m_handheld.limitAllows(requested))
        return refused(Outcome::Result::LimitExceeded, {});
    Outcome outcome;
    for (PopRecord* pop : adding)
        outcome.moved += m_handheld.add(*pop) == HandheldSet::Add::Added ? 1 : 0;
    return outcome;
}

Outcome HandheldChoice::unchoose(const std::vector<std::string>& ids)
{
    auto found = recordsWithIds(m_handheld.pops(), ids);
    for (const std::string& id : ids)
        if (found.at(id).empty())
            return refused(Outcome::Result::UnknownPop, id);
    Outcome outcome;
    for (auto& [id, records] : found)
        for (PopRecord* pop : records)
            outcome.moved += m_handheld.remove(*pop) ? 1 : 0;
    return outcome;
}

Outcome HandheldChoice::chooseMatching(const PopFilter& filter)
{
    Outcome outcome;
    std::vector<PopRecord*> adding;
    long long requested = 0;
    for (PopRecord& pop : m_handheld.pops()) {
        if (!filter.passes(pop))
            continue;
        if (!HandheldSet::mayHold(pop)) {
            ++outcome.customerPops;
            continue;
        }
        ++requested;
        if (!m_handheld.contains(pop))
            adding.push_back(&pop);
    }
    if (!m_handheld.limitAllows(requested)) {
        outcome.result = Outcome::Result::LimitExceeded;
        return outcome;
    }
    for (PopRecord* pop : adding)
        outcome.moved += m_handheld.add(*pop) == HandheldSet::Add::Added ? 1 : 0;
    return outcome;
}

void HandheldChoice::unchooseAll()
{
    m_handheld.removeAll();
}

std::string HandheldChoice::describe(const Outcome& outcome)
{
    switch (outcome.result) {
    case Outcome::Result::UnknownPop:
        return "Unknown POP: " + outcome.pop;
    case Outcome::Result::CustomerPop:
        return "Customer POP, never written to the handheld: " + outcome.pop;
    case Outcome::Result::LimitExceeded:
    case Outcome::Result::Done:
        break;
    }
    return outcome.customerPops > 0
               ? customerPopsLeft(outcome.customerPops) + ": customer POPs are never written to the handheld."
               : std::string();
}

std::string HandheldChoice::customerPopsLeft(int count)
{
    return count == 1 ? std::string("1 customer POP was left where it is")
                      : std::to_string(count) + " customer POPs were left where they are";
}

} // namespace tarvo
