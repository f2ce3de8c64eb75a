#pragma once

#include <cstdint>
#include <string>

// An error code as the external functions return it to the host: 0 for success.
using Code = std::int16_t;

// The error codes, each with its name; no code is written as a bare number.
namespace ErrorCode {
constexpr Code None = 0;
constexpr Code Failed = -1;
constexpr Code ConnectException = 2;
constexpr Code CardNotListed = 3;
constexpr Code UidAlreadyListed = 4;
constexpr Code UidNotWritable = 5;
constexpr Code PhotoNotBase64 = 6;
constexpr Code OutOfMemory = 7;
constexpr Code NoAddressBookHome = 11;
constexpr Code ReadOnlyItem = 15;
constexpr Code UnknownItem = 16;
constexpr Code SyncTokenExpired = 17;
constexpr Code SyncNotSupported = 18;
// A conditional delete found the card changed since the tag the script gave.
constexpr Code ChangedOnServer = 19;
// A URL that leads off the server the connection found (another scheme, host or port, or plain
// HTTP where https was given): nothing was sent there.
constexpr Code OffServer = 20;
// A card object handed to CardDav_SetvCardJSON that is no JSON, or holds an unknown key, a value
// of the wrong kind or a changed read-only key: the card was left as it was.
constexpr Code InvalidCardJson = 21;
// A group style that is none of "cards", "categories" and "auto": the style stayed as it was.
constexpr Code UnknownGroupStyle = 22;
// A save found the card gone from the server (404 or 410 under If-Match): nothing was written.
constexpr Code CardGone = 23;
// The server refused the credentials (401, or 403 where it means authentication).
constexpr Code CredentialsRefused = 24;
// No answer came: no connection, an unknown host, a time-out or a stalled transfer.
constexpr Code ServerUnreachable = 25;
// The TLS handshake failed for another reason than the server's certificate (46).
constexpr Code TlsFailed = 26;
// The server URL is none the plug-in can use: no http or https scheme, no host, credentials
// inside it, or characters no URL may hold.
constexpr Code UnusableUrl = 27;
// An answer grew beyond the answer ceiling: nothing of it was used.
constexpr Code AnswerTooLarge = 28;
// The address book is read-only for this account: nothing was sent.
constexpr Code ReadOnlyBook = 29;
// The server keeps no groups in the style in force (Engine/GroupKeeping.h): nothing of them was
// kept.
constexpr Code GroupsNotKept = 30;
constexpr Code NoMappingLoaded = 31;
constexpr Code EmptyMappingPath = 32;
// A credential holds a control character (a line break would add header lines): nothing was
// stored.
constexpr Code UnsafeCredential = 33;
// A container that holds no picture a card can carry (HEIC, a PDF, …): the photo is unchanged.
constexpr Code NotAPicture = 34;
// The server answered a listing only in part (it capped the number of cards): nothing of it was
// taken as the whole book.
constexpr Code AnswerIncomplete = 35;
// No group of that name in the selected address book.
constexpr Code NoSuchGroup = 36;
// The selected address book holds a group of that name already: nothing was written.
constexpr Code GroupExists = 37;
// Where groups are categories, a group exists only on the cards it holds: one without members
// cannot be kept.
constexpr Code GroupWithoutMembers = 38;
constexpr Code Forbidden = 43;
constexpr Code NotFound = 44;
constexpr Code TransferAborted = 45;
constexpr Code CertificateFailed = 46;
constexpr Code ServerError = 47;
} // namespace ErrorCode

// What a code means, as a developer reads it ("no card with that UID is known in the selected
// address book"): the reason an error's detail gives when nothing more particular is known.
std::string describeError(Code code);

// What a code means as one short sentence an end user can be shown ("The server refused the
// user name or password."); -1 and unknown codes get a general one.
std::string errorSentence(Code code);
