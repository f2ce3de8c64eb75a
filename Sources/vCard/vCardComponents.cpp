#include "vCard/vCardComponents.h"

const std::vector<std::string>& componentNames(const std::string& property) {
    static const std::vector<std::string> adr{"pobox", "extended",   "address", "city",
                                              "state", "postalcode", "country"};
    static const std::vector<std::string> n{"last", "first", "additional", "prefix", "suffix"};
    static const std::vector<std::string> geo{"latitude", "longitude"};
    static const std::vector<std::string> none;
    if (property == "ADR")
        return adr;
    if (property == "N")
        return n;
    if (property == "GEO")
        return geo;
    return none;
}
