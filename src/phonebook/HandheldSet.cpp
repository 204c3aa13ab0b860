#include "phonebook/HandheldSet.h"

namespace tarvo {

HandheldSet::HandheldSet(PopList& pops, int maxPops)
    // A limit of none or fewer POPs is no limit anyone meant ("MaxPops=-5"
    // would refuse every move with "You are allowed -5 ..."): unset.
    : m_pops(pops), m_limit(maxPops <= 0 ? kDefaultLimit : maxPops)
{
    for (const PopRecord& pop : m_pops)
        m_count += pop.m_onHandheld ? 1 : 0;
}

HandheldSet::Add HandheldSet::add(PopRecord& pop)
{
    if (!mayHold(pop))
        return Add::CustomerPop;
    if (pop.m_onHandheld)
        return Add::AlreadyChosen;
    pop.m_onHandheld = true;
    ++m_count;
    return Add::Added;
}

bool HandheldSet::remove(PopRecord& pop)
{
    if (!pop.m_onHandheld)
        return false;
    pop.m_onHandheld = false;
    --m_count;
    return true;
}

std::string HandheldSet::limitMessage() const
{
    return "Limit Exceeded:\nYou are allowed " + std::to_string(m_limit) + " phonebook records on your device.";
}

void HandheldSet::removeAll()
{
    for (PopRecord& pop : m_pops)
        pop.m_onHandheld = false;
    m_count = 0;
}

} // namespace tarvo
