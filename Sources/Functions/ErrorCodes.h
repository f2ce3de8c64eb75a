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
// A save found the card gone from the server (404 or 410 under If-Match): nothing was written.
constexpr fmx::int16 CardGone = 23;
// The server refused the credentials (401, or 403 where it means authentication).
constexpr fmx::int16 CredentialsRefused = 24;
// No answer came: no connection, an unknown host, a time-out or a stalled transfer.
constexpr fmx::int16 ServerUnreachable = 25;
// The TLS handshake failed for another reason than the server's certificate (46).
constexpr fmx::int16 TlsFailed = 26;
// The server URL is none the plug-in can use: no http or https scheme, no host, credentials
// inside it, or characters no URL may hold.
constexpr fmx::int16 UnusableUrl = 27;
// An answer grew beyond the answer ceiling: nothing of it was used.
constexpr fmx::int16 AnswerTooLarge = 28;
// The address book is read-only for this account: nothing was sent.
constexpr fmx::int16 ReadOnlyBook = 29;
// The server keeps groups in neither style: nothing was written.
constexpr fmx::int16 GroupsNotKept = 30;
constexpr fmx::int16 NoMappingLoaded = 31;
constexpr fmx::int16 EmptyMappingPath = 32;
// A credential holds a control character (a line break would add header lines): nothing was
// stored.
constexpr fmx::int16 UnsafeCredential = 33;
// A container that holds no picture a card can carry (HEIC, a PDF, …): the photo is unchanged.
constexpr fmx::int16 NotAPicture = 34;
// The server answered a listing only in part (it capped the number of cards): nothing of it was
// taken as the whole book.
constexpr fmx::int16 AnswerIncomplete = 35;
constexpr fmx::int16 Forbidden = 43;
constexpr fmx::int16 NotFound = 44;
constexpr fmx::int16 TransferAborted = 45;
constexpr fmx::int16 CertificateFailed = 46;
constexpr fmx::int16 ServerError = 47;
} // namespace ErrorCode

// What a code means, as a person reads it ("the card is not listed in the selected address
// book"); the reason CardDav_LastErrorText gives when nothing more particular is known.
std::string describeError(fmx::int16 code);
