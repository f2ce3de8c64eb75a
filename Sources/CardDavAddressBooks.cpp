#include "CardDav.h"

// Until the functions are built, each answers 0 and leaves the result untouched.

fmx::errcode CardDav_GetAddressBooks(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}

fmx::errcode CardDav_SelectAddressBook(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                       fmx::Data&) {
    return 0;
}

fmx::errcode CardDav_GetAddressbookvCards(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                          fmx::Data&) {
    return 0;
}

fmx::errcode CardDav_GetAddressbookGroups(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                          fmx::Data&) {
    return 0;
}
