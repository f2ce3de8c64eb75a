#include "Engine/ErrorCodes.h"

#include <algorithm>
#include <iterator>

namespace {

struct Meaning {
    Code code;
    // What went wrong, as the detail of an error tells it when nothing more particular is known.
    const char* description;
    // The same as a sentence an end user can be shown.
    const char* sentence;
};

const Meaning kMeanings[] = {
    {ErrorCode::None, "", ""},
    {ErrorCode::ConnectException, "the connection ended in an internal failure",
     "Connecting to the contacts server failed."},
    {ErrorCode::CardNotListed, "no card with that UID is known in the selected address book",
     "The contact is not in the address book."},
    {ErrorCode::UidAlreadyListed, "the address book already holds a card or group with that UID",
     "The address book already holds a contact with that ID."},
    {ErrorCode::UidNotWritable, "the UID holds a control character",
     "The contact ID holds a character it may not hold."},
    {ErrorCode::PhotoNotBase64, "the photo is neither base64 nor a data: URI",
     "The contact's photo cannot be read."},
    {ErrorCode::OutOfMemory, "out of memory", "There was not enough memory."},
    {ErrorCode::NoAddressBookHome,
     "no address-book home is known: set the server and connect first",
     "Not connected to a contacts server: set the server and connect first."},
    {ErrorCode::ReadOnlyItem, "the item is read-only", "That field cannot be changed."},
    {ErrorCode::UnknownItem, "the field name is not in the vocabulary in force",
     "That field name is unknown."},
    {ErrorCode::SyncTokenExpired,
     "the server no longer knows the sync token: compare the tags instead",
     "The server no longer knows the last sync; the contacts must be compared in full."},
    {ErrorCode::SyncNotSupported, "the server offers no sync report: compare the tags instead",
     "The server cannot tell what changed; the contacts must be compared in full."},
    {ErrorCode::ChangedOnServer,
     "the card changed on the server since that tag; nothing was deleted",
     "Someone else changed the contact in the meantime; nothing was overwritten."},
    {ErrorCode::OffServer,
     "the URL leads off the server the connection found; nothing was sent there",
     "That address leads away from the connected server; nothing was sent there."},
    {ErrorCode::InvalidCardJson,
     "the card object is no JSON, or holds an unknown key, a value of the wrong kind or a "
     "changed read-only key; the card is unchanged",
     "The contact data is not valid; the contact is unchanged."},
    {ErrorCode::UnknownGroupStyle,
     "the group style is none of cards, categories and auto; the style is unchanged",
     "That group style is unknown."},
    {ErrorCode::CardGone, "the card is no longer on the server; nothing was written",
     "The contact no longer exists on the server."},
    {ErrorCode::CredentialsRefused, "the server refused the user name, password or token",
     "The server refused the user name or password."},
    {ErrorCode::ServerUnreachable, "the server could not be reached or did not answer in time",
     "The contacts server cannot be reached."},
    {ErrorCode::TlsFailed, "no secure connection could be made with the server",
     "No secure connection could be made with the server."},
    {ErrorCode::UnusableUrl,
     "the server URL cannot be used (it needs http:// or https://, a host, and no credentials "
     "inside it)",
     "The server address cannot be used."},
    {ErrorCode::AnswerTooLarge,
     "the server's answer was larger than the answer ceiling; nothing of it was used",
     "The server's answer was too large."},
    {ErrorCode::ReadOnlyBook, "the address book is read-only for this account; nothing was sent",
     "The address book is read-only."},
    {ErrorCode::GroupsNotKept,
     "the server keeps no groups in the style in force (it stores group cards as ordinary "
     "contacts, or drops categories); nothing of them was kept",
     "The server cannot keep groups."},
    {ErrorCode::UnsafeCredential,
     "a credential holds a control character such as a line break; it was not stored",
     "The user name, password or token holds a character it may not hold."},
    {ErrorCode::NotAPicture,
     "the container holds no picture a card can carry (JPEG, PNG, GIF or BMP)",
     "The container holds no picture a contact can carry."},
    {ErrorCode::AnswerIncomplete,
     "the server answered only in part; nothing of it was taken as the whole book",
     "The server answered only in part."},
    {ErrorCode::NoSuchGroup, "the selected address book holds no group of that name",
     "There is no group of that name."},
    {ErrorCode::GroupExists,
     "the selected address book holds a group of that name already; nothing was written",
     "A group of that name exists already."},
    {ErrorCode::GroupWithoutMembers,
     "the address book keeps groups as the categories of their cards: a group needs a member to "
     "exist",
     "In this address book a group needs at least one contact."},
    {ErrorCode::NoMappingLoaded,
     "the mapping file yielded no mapping; the built-in vocabulary is in force",
     "The field mapping file could not be used."},
    {ErrorCode::EmptyMappingPath, "no mapping file was named", "No field mapping file was named."},
    {ErrorCode::Forbidden, "the server refused the request (HTTP 403)",
     "The server refused the request."},
    {ErrorCode::NotFound, "the server has no such resource (HTTP 404)",
     "The server does not have what was asked for."},
    {ErrorCode::TransferAborted, "the transfer was aborted; a write may have been carried out",
     "The connection broke during a change; check whether it was saved."},
    {ErrorCode::CertificateFailed, "the server's certificate could not be verified",
     "The server's certificate could not be verified."},
    {ErrorCode::ServerError, "the server failed (HTTP 500)", "The server failed."},
};

const Meaning* meaningOf(Code code) {
    const auto found = std::find_if(std::begin(kMeanings), std::end(kMeanings),
                                    [&](const Meaning& meaning) { return meaning.code == code; });
    return found == std::end(kMeanings) ? nullptr : found;
}

} // namespace

std::string describeError(Code code) {
    const Meaning* meaning = meaningOf(code);
    return meaning ? meaning->description : "the request failed";
}

std::string errorSentence(Code code) {
    const Meaning* meaning = meaningOf(code);
    return meaning ? meaning->sentence : "Something went wrong with the contacts server.";
}
