#pragma once

#include "phonebook/HandheldReadBack.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace tarvo {

// The POPs chosen for the handheld: what the read-back found on it, what
// the person added and removed since, the handheld's limit, and the rule of
// which POPs may go there at all. Everything that marks or unmarks a POP
// goes through here, so a front end can learn before Save that a POP will
// not be written.
//
// The mark itself is a bit of the record (a million-POP list is filtered
// against it in one pass, with no lookup per row); only this class sets it.
class HandheldSet final {
public:
    // The limit when the profile sets none.
    static constexpr int kDefaultLimit = 1000;

    enum class Add {
        Added,
        AlreadyChosen,
        CustomerPop, // customer POPs never reach the handheld: its file holds master POPs only
    };

    // `maxPops`: the profile's limit (none or fewer: kDefaultLimit).
    HandheldSet(PopList& pops, int maxPops);
    HandheldSet(const HandheldSet&) = delete;
    HandheldSet& operator=(const HandheldSet&) = delete;

    // The one rule of what the handheld's phonebook may hold.
    [[nodiscard]] static bool mayHold(const PopRecord& pop) { return pop.fromMaster(); }

    // Whether the POP is chosen; every set over one list agrees, so the
    // list writers ask without one.
    [[nodiscard]] static bool contains(const PopRecord& pop) { return pop.m_onHandheld; }
    Add add(PopRecord& pop);
    // False when the POP was not chosen.
    bool remove(PopRecord& pop);
    // Every POP off the handheld.
    void removeAll();

    // POPs chosen (master POPs; their variants are not counted).
    [[nodiscard]] int count() const { return m_count; }
    [[nodiscard]] int limit() const { return m_limit; }
    // "Limit Exceeded: ..." with this limit, what a refused move shows.
    [[nodiscard]] std::string limitMessage() const;
    // Whether `more` POPs fit on top of those chosen.
    [[nodiscard]] bool limitAllows(long long more) const { return m_count + more <= m_limit; }

    // Of the ids the handheld's phonebook names, those no master POP
    // carries (a synchronization drops them), and how many of those only a
    // customer POP carries.
    struct Unheld {
        std::size_t fromMaster = 0;
        std::size_t customerOnly = 0;
    };
    // The read-back's half: marks every master POP with one of the ids the
    // handheld's phonebook names (master entries sharing an id cannot be
    // told apart by the device's file, so all of them).
    template <class IdSet>
    Unheld markReadBack(const IdSet& ids)
    {
        std::unordered_set<std::string_view> held;
        std::unordered_set<std::string_view> customer;
        for (PopRecord& pop : m_pops) {
            if (!ids.contains(pop.pop()))
                continue;
            if (!mayHold(pop)) {
                customer.insert(pop.pop());
                continue;
            }
            held.insert(pop.pop());
            mark(pop);
        }
        Unheld unheld{ids.size() - held.size(), 0};
        for (std::string_view id : customer)
            if (!held.contains(id))
                ++unheld.customerOnly;
        return unheld;
    }
    // How the read-back went; set once by the load.
    void setReadBack(const ReadBackOutcome& outcome) { m_readBack = outcome; }
    [[nodiscard]] const ReadBackOutcome& readBack() const { return m_readBack; }

    [[nodiscard]] PopList& pops() { return m_pops; }
    [[nodiscard]] const PopList& pops() const { return m_pops; }

private:
    void mark(PopRecord& pop)
    {
        if (!pop.m_onHandheld) {
            pop.m_onHandheld = true;
            ++m_count;
        }
    }

    PopList& m_pops;
    int m_limit;
    int m_count = 0;
    ReadBackOutcome m_readBack;
};

} // namespace tarvo
