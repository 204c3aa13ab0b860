#pragma once

#include <vector>

namespace tarvo::genbook {

// The dialer's real countries, their regions and their best-known cities:
// the grouped layout's whole world, and the realistic layout's largest
// cities.
struct City {
    const char* name;
    const char* areaCode;
};

struct Region {
    const char* code; // empty: the country's POPs carry no region
    const char* name;
    const char* altName;
    std::vector<City> cities;
};

// A country of "country.txt"; those with a weight carry POPs.
struct Country {
    const char* code;
    int tapiId;
    const char* name;
    int allCityOrder;
    int weight; // share of the POPs; 0: listed without POPs
    bool isdn;
    int localDigits;
    const char* supportPhone;
    std::vector<Region> regions;
};

// Every country of "country.txt", in its file order.
const std::vector<Country>& countries();

} // namespace tarvo::genbook
