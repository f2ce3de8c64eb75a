#include "CardDav.h"

// Until the functions are built, each answers 0 and leaves the result untouched.

fmx::errcode CardDav_SetServer(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_SetAuth(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_SetSsl(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_GetvCard(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_GetvCardItem(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_GetAddressBooks(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_SelectAddressBook(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                       fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_SetvCardItem(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
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
fmx::errcode CardDav_GetvCardGroups(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_Connect(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
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
fmx::errcode CardDav_LastError(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_SetvCardGroups(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_SetTimeout(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_SetMapping(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_CheckvCardIfChanged(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                         fmx::Data&) {
    return 0;
}
fmx::errcode CardDav_GetMapping(short, const fmx::ExprEnv&, const fmx::DataVect&, fmx::Data&) {
    return 0;
}
