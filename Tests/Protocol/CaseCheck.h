// Holds what a protocol case's run did against what the case expects: each difference as a
// readable message, with texts written as the case file writes them (\r, \t, \n, \\).
#pragma once

#include "CaseFile.h"
#include "LoopbackHttpServer.h"
#include "ScriptRun.h"

#include <string>
#include <vector>

std::vector<std::string> requestDifferences(const ProtocolCase& expected,
                                            const std::vector<loopback::Request>& received);
std::vector<std::string> resultDifferences(const ProtocolCase& expected,
                                           const std::vector<ReportedStatement>& reported);

// `text` with \r, \t, \n, \\ and other control characters as \xNN, in quotes.
std::string quoted(const std::string& text);
