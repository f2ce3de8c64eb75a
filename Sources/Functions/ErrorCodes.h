#pragma once

#include "FMWrapper/FMXTypes.h"

#include <string>

// The error codes the external functions return to the host, each with its name; no handler
// writes a bare number.
namespace ErrorCode {
constexpr fmx::int16 None = 0;
constexpr fmx::int16 Failed = -1;
constexpr fmx::int16 ConnectException = 2;
constexpr fmx::int16 CardNotListed = 3;
constexpr fmx::int16 UidAlreadyListed = 4;
constexpr fmx::int16 UidNotWritable = 5;
constexpr fmx::int16 PhotoNotBase64 = 6;
constexpr fmx::int16 OutOfMemory = 7;
constexpr fmx::int16 NoAddressBookHome = 11;
constexpr fmx::int16 ReadOnlyItem = 15;
constexpr fmx::int16 UnknownItem = 16;
constexpr fmx::int16 SyncTokenExpired = 17;
constexpr fmx::int16 SyncNotSupported = 18;
// A conditional delete found the card changed since the tag the script gave.
constexpr fmx::int16 ChangedOnServer = 19;
// A URL that leads off the server the connection found (another scheme, host or port, or plain
// HTTP where https was given): nothing was sent there.
constexpr fmx::int16 OffServer = 20;
// A card object handed to CardDav_SetvCardJSON that is no JSON, or holds an unknown key, a value
// of the wrong kind or a changed read-only key: the card was left as it was.
constexpr fmx::int16 InvalidCardJson = 21;
// A group style that is none of "cards", "categories" and "auto": the style stayed as it was.
constexpr fmx::int16 UnknownGroupStyle = 22;
constexpr fmx::int16 NoMappingLoaded = 31;
constexpr fmx::int16 EmptyMappingPath = 32;
constexpr fmx::int16 Forbidden = 43;
constexpr fmx::int16 NotFound = 44;
constexpr fmx::int16 TransferAborted = 45;
constexpr fmx::int16 CertificateFailed = 46;
constexpr fmx::int16 ServerError = 47;
} // namespace ErrorCode

// What a code means, as a person reads it ("the card is not listed in the selected address
// book"); the reason CardDav_LastErrorText gives when nothing more particular is known.
std::string describeError(fmx::int16 code);
