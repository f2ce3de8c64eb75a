// The CardDav_ external functions: their handlers, registered by the function table.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"

fmx::errcode CardDav_SetServer(short functionId, const fmx::ExprEnv& env, const fmx::DataVect& args,
                               fmx::Data& result);
fmx::errcode CardDav_SetAuth(short functionId, const fmx::ExprEnv& env, const fmx::DataVect& args,
                             fmx::Data& result);
fmx::errcode CardDav_SetSsl(short functionId, const fmx::ExprEnv& env, const fmx::DataVect& args,
                            fmx::Data& result);
fmx::errcode CardDav_GetvCard(short functionId, const fmx::ExprEnv& env, const fmx::DataVect& args,
                              fmx::Data& result);
fmx::errcode CardDav_GetvCardItem(short functionId, const fmx::ExprEnv& env,
                                  const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetAddressBooks(short functionId, const fmx::ExprEnv& env,
                                     const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_SelectAddressBook(short functionId, const fmx::ExprEnv& env,
                                       const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_SetvCardItem(short functionId, const fmx::ExprEnv& env,
                                  const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_NewvCard(short functionId, const fmx::ExprEnv& env, const fmx::DataVect& args,
                              fmx::Data& result);
fmx::errcode CardDav_SaveCard(short functionId, const fmx::ExprEnv& env, const fmx::DataVect& args,
                              fmx::Data& result);
fmx::errcode CardDav_DeleteCard(short functionId, const fmx::ExprEnv& env,
                                const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_DeleteAllCards(short functionId, const fmx::ExprEnv& env,
                                    const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetvCardGroups(short functionId, const fmx::ExprEnv& env,
                                    const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_Connect(short functionId, const fmx::ExprEnv& env, const fmx::DataVect& args,
                             fmx::Data& result);
fmx::errcode CardDav_GetAddressbookvCards(short functionId, const fmx::ExprEnv& env,
                                          const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetAddressbookGroups(short functionId, const fmx::ExprEnv& env,
                                          const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_LastError(short functionId, const fmx::ExprEnv& env, const fmx::DataVect& args,
                               fmx::Data& result);
fmx::errcode CardDav_SetvCardGroups(short functionId, const fmx::ExprEnv& env,
                                    const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_SetTimeout(short functionId, const fmx::ExprEnv& env,
                                const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_SetMapping(short functionId, const fmx::ExprEnv& env,
                                const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_CheckvCardIfChanged(short functionId, const fmx::ExprEnv& env,
                                         const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetMapping(short functionId, const fmx::ExprEnv& env,
                                const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetAddressbookETags(short functionId, const fmx::ExprEnv& env,
                                         const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetChanges(short functionId, const fmx::ExprEnv& env,
                                const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetSyncToken(short functionId, const fmx::ExprEnv& env,
                                  const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_FetchvCards(short functionId, const fmx::ExprEnv& env,
                                 const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_SetSessionIdleLimit(short functionId, const fmx::ExprEnv& env,
                                         const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_CompareETags(short functionId, const fmx::ExprEnv& env,
                                  const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetvCardJSON(short functionId, const fmx::ExprEnv& env,
                                  const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_SetvCardJSON(short functionId, const fmx::ExprEnv& env,
                                  const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_SetGroupStyle(short functionId, const fmx::ExprEnv& env,
                                   const fmx::DataVect& args, fmx::Data& result);
fmx::errcode CardDav_GetGroupStyle(short functionId, const fmx::ExprEnv& env,
                                   const fmx::DataVect& args, fmx::Data& result);
