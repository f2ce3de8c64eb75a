// How a large hosted CardDAV service answers, as its public documentation and the quirk lists of
// general CardDAV clients describe it: the data a ProviderServer serves. One Shape per provider
// (ProviderShapes.cpp); the server engine is the same for all of them.
#pragma once

#include "CardStore.h"

#include <string>
#include <vector>

namespace providers {

enum class Credentials { Basic, Digest, Bearer };

// The hosts of a provider: the one the user types, another host of the provider's own (a
// partition host where the account's data lives), and another party's (a content host that
// serves pictures, which must never see the credentials).
enum class Host { Typed, Partition, Content };

// What the typed host's root answers a PROPFIND: the principal (a DAV server at the root), or,
// before any credentials are asked, a 404 (an API host), a 405 (a web server in front) or a 302
// to the web login (a web application).
enum class Root { Principal, NotFound, NotAllowed, WebLogin };

// How the server keeps groups: group cards as clients write them, each card's CATEGORIES, or
// neither (group cards become ordinary contacts, categories are dropped).
enum class Groups { Cards, Categories, None };

// How an error answer explains itself: as the web server does, or in SabreDAV's XML body with
// its s:exception and s:message.
enum class ErrorBodies { Plain, SabreDav };

// A card as another client left it: its resource name in the book, its UID, its text. In the
// text, %PARTITION% and %CONTENT% stand for the base URLs of those hosts.
struct Seed {
    std::string file;
    std::string uid;
    std::string text;
};

struct Book {
    std::string path; // on the home's host, with its final "/"
    std::string name; // DAV:displayname
    bool writable = true;
    std::vector<Seed> cards;
};

// A picture a card gives by URL.
struct Picture {
    Host host;
    std::string path;
    bool needsCredentials = false;
};

// The cards of the first book each step of the job works on, by UID.
struct Roles {
    std::string edited;  // edited and saved; changed by another client before a sync
    std::string deleted; // deleted with its tag; deleted by another client before a sync
    std::string grouped; // made a member of groups; holds the picture, where there is one
};

struct Shape {
    std::string name;

    Credentials credentials = Credentials::Basic;
    std::string user;
    std::string secret; // a password, an app password or a bearer token
    std::string realm;

    // What the user types after the scheme and host ("" for the bare host).
    std::string typedPath;
    Root root = Root::Principal;
    // Where /.well-known/carddav redirects (301); "" when it is not found.
    std::string wellKnown;
    // The DAV service's collections on the typed host (its allprop PROPFIND answered there).
    std::string davRoot;
    // Whether an allprop PROPFIND names current-user-principal (SabreDAV leaves it out).
    bool principalInAllprop = true;
    std::string principal; // on the typed host
    Host homeHost = Host::Typed;
    std::string home;
    // Whether the books carry current-user-privilege-set (WebDAV ACL).
    bool privileges = true;

    std::vector<Book> books; // the first is the one the job works in
    Roles roles;
    Groups groups = Groups::Cards;
    ErrorBodies errors = ErrorBodies::Plain;
    // A sync-collection REPORT sent with Depth 0 is answered with the collection alone and a
    // new token; only Depth 1 lists the changes.
    bool syncNeedsDepthOne = false;
    // Whether the server keeps a card as it was sent.
    bool keepsCardText = true;
    // The card habits of every book: where a created card goes, what is kept of it, the tags.
    BookQuirks quirks;
    std::vector<Picture> pictures;
};

// The shapes, one per provider: Google-like, iCloud-like, Nextcloud-like, Fastmail-like, and a
// SabreDAV server behind a reverse proxy under a sub-path with digest authentication.
const std::vector<Shape>& providerShapes();

} // namespace providers
