#include "DataMapping.h"

#include "VorlixUtils.h"

FieldName splitFieldName(const std::string& field) {
    const std::vector<std::string> pieces = split(field, '_', 1);
    if (pieces.size() < 2)
        return {field, ""};
    return {pieces[0], pieces[1]};
}

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

FieldMap createDefaultRawDataMap() {
    // "INETERNATIONAL" is the TYPE value scripts and stored cards already rely on.
    return FieldMap{
        {"home", {"ADR", "HOME"}},
        {"work", {"ADR", "WORK"}},
        {"domestic", {"ADR", "DOMESTIC"}},
        {"postal", {"ADR", "POSTAL"}},
        {"international", {"ADR", "INETERNATIONAL"}},
        {"parcel", {"ADR", "PARCEL"}},
        {"birthday", {"BDAY", ""}},
        {"categories", {"CATEGORIES", ""}},
        {"classdata", {"CLASS", ""}},
        {"email1", {"EMAIL", "PREF"}},
        {"email2", {"EMAIL", ""}},
        {"displayname", {"FN", ""}},
        {"geo", {"GEO", ""}},
        {"label", {"LABEL", ""}},
        {"mailer", {"MAILER", ""}},
        {"name", {"N", ""}},
        {"nickname", {"NICKNAME", ""}},
        {"note", {"NOTE", ""}},
        {"company", {"ORG", ""}},
        {"productid", {"PRODID", ""}},
        {"photo", {"PHOTO", ""}},
        {"revdate", {"REV", ""}},
        {"role", {"ROLE", ""}},
        {"source", {"SOURCE", ""}},
        {"title", {"TITLE", ""}},
        {"timezone", {"TZ", ""}},
        {"url", {"URL", ""}},
        {"gender", {"X-WAB-GENDER", ""}},
        {"uniqueid", {"UID", ""}},
        {"celltel", {"TEL", "CELL"}},
        {"faxtel", {"TEL", "FAX"}},
        {"hometel", {"TEL", "HOME"}},
        {"pagertel", {"TEL", "PAGER"}},
        {"isdntel", {"TEL", "ISDN"}},
        {"modemtel", {"TEL", "MODEM"}},
        {"msgtel", {"TEL", "MSG"}},
        {"videotel", {"TEL", "VIDEO"}},
        {"voicetel", {"TEL", "VOICE"}},
        {"worktel", {"TEL", "WORK"}},
        {"bbstel", {"TEL", "BBS"}},
        {"cartel", {"TEL", "CAR"}},
        {"version", {"VERSION", ""}},
    };
}
