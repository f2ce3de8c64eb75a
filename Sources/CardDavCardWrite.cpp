#include "CardDav.h"

// Until the functions are built, each answers 0 and leaves the result untouched.

fmx::errcode CardDav_NewvCard(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}

fmx::errcode CardDav_SaveCard(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}

fmx::errcode CardDav_DeleteCard(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}

fmx::errcode CardDav_DeleteAllCards(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
