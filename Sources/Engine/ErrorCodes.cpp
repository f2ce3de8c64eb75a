#include "Engine/ErrorCodes.h"

std::string describeError(Code code) {
    switch (code) {
    case ErrorCode::None:
        return "";
    case ErrorCode::ConnectException:
        return "the connection ended in an internal failure";
    case ErrorCode::CardNotListed:
        return "no card with that UID is known in the selected address book";
    case ErrorCode::UidAlreadyListed:
        return "the address book already holds a card or group with that UID";
    case ErrorCode::UidNotWritable:
        return "the UID holds a control character";
    case ErrorCode::PhotoNotBase64:
        return "the photo is neither base64 nor a data: URI";
    case ErrorCode::OutOfMemory:
        return "out of memory";
    case ErrorCode::NoAddressBookHome:
        return "no address-book home is known: set the server and connect first";
    case ErrorCode::ReadOnlyItem:
        return "the item is read-only";
    case ErrorCode::UnknownItem:
        return "the field name is not in the vocabulary in force";
    case ErrorCode::SyncTokenExpired:
        return "the server no longer knows the sync token: compare the tags instead";
    case ErrorCode::SyncNotSupported:
        return "the server offers no sync report: compare the tags instead";
    case ErrorCode::ChangedOnServer:
        return "the card changed on the server since that tag; nothing was deleted";
    case ErrorCode::OffServer:
        return "the URL leads off the server the connection found; nothing was sent there";
    case ErrorCode::InvalidCardJson:
        return "the card object is no JSON, or holds an unknown key, a value of the wrong kind or "
               "a changed read-only key; the card is unchanged";
    case ErrorCode::UnknownGroupStyle:
        return "the group style is none of cards, categories and auto; the style is unchanged";
    case ErrorCode::CardGone:
        return "the card is no longer on the server; nothing was written";
    case ErrorCode::CredentialsRefused:
        return "the server refused the user name, password or token";
    case ErrorCode::ServerUnreachable:
        return "the server could not be reached or did not answer in time";
    case ErrorCode::TlsFailed:
        return "no secure connection could be made with the server";
    case ErrorCode::UnusableUrl:
        return "the server URL cannot be used (it needs http:// or https://, a host, and no "
               "credentials inside it)";
    case ErrorCode::AnswerTooLarge:
        return "the server's answer was larger than the answer ceiling; nothing of it was used";
    case ErrorCode::ReadOnlyBook:
        return "the address book is read-only for this account; nothing was sent";
    case ErrorCode::GroupsNotKept:
        return "the server keeps groups neither as group cards nor as categories; nothing was "
               "written";
    case ErrorCode::UnsafeCredential:
        return "a credential holds a control character such as a line break; it was not stored";
    case ErrorCode::NotAPicture:
        return "the container holds no picture a card can carry (JPEG, PNG, GIF or BMP)";
    case ErrorCode::AnswerIncomplete:
        return "the server answered only in part; nothing of it was taken as the whole book";
    case ErrorCode::NoSuchGroup:
        return "the selected address book holds no group of that name";
    case ErrorCode::GroupExists:
        return "the selected address book holds a group of that name already; nothing was "
               "written";
    case ErrorCode::GroupWithoutMembers:
        return "the address book keeps groups as the categories of their cards: a group needs a "
               "member to exist";
    case ErrorCode::NoMappingLoaded:
        return "the mapping file yielded no mapping; the built-in vocabulary is in force";
    case ErrorCode::EmptyMappingPath:
        return "no mapping file was named";
    case ErrorCode::Forbidden:
        return "the server refused the request (HTTP 403)";
    case ErrorCode::NotFound:
        return "the server has no such resource (HTTP 404)";
    case ErrorCode::TransferAborted:
        return "the transfer was aborted; a write may have been carried out";
    case ErrorCode::CertificateFailed:
        return "the server's certificate could not be verified";
    case ErrorCode::ServerError:
        return "the server failed (HTTP 500)";
    default:
        return "the request failed";
    }
}
