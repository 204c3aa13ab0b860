#include "app/PopFilter.h"

#include "phonebook/CityTable.h"
#include "phonebook/CountryTable.h"
#include "phonebook/PopRecord.h"
#include "phonebook/RegionTable.h"

namespace tarvo {

bool PopFilter::passes(const PopRecord& pop) const
{
    if (country && pop.country() != country->code)
        return false;
    if (region && !pop.region().empty() && pop.region() != region->regionCode)
        return false;
    if (city && (pop.region() != city->region || pop.city() != city->city))
        return false;
    return areaCode.empty() || pop.areaCode() == areaCode;
}

} // namespace tarvo
