// The providers as their public CardDAV documentation and the quirk lists of general CardDAV
// clients describe them. Where a habit is not obvious, the comment names the public source.
#include "ProviderShape.h"

#include <memory>

namespace providers {
namespace {

// A card text: the lines between BEGIN and END, each ended by CR LF.
std::string card(std::initializer_list<const char*> lines) {
    std::string text = "BEGIN:VCARD\r\n";
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text + "END:VCARD\r\n";
}

// The path below `book` of a card resource.
std::string lastSegment(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

// Google keeps neither group cards nor categories: a card keeps its contact lines alone ("they do
// not announce groups via carddav and ignore any category settings", jobisoft/CategoryManager
// #52; rcmcarddav #486: "the card you store can be different from the card you read back"). A
// created card gets the server's own identifier as its UID.
std::string storedByGoogle(const std::string& body, const std::string& path, bool created) {
    static const char* const dropped[] = {"X-ADDRESSBOOKSERVER-KIND",
                                          "X-ADDRESSBOOKSERVER-MEMBER",
                                          "KIND",
                                          "MEMBER",
                                          "CATEGORIES",
                                          "REV"};
    std::string kept;
    for (std::size_t at = 0; at < body.size();) {
        std::size_t end = body.find('\n', at);
        end = end == std::string::npos ? body.size() : end + 1;
        std::string line = body.substr(at, end - at);
        at = end;
        const std::string name = line.substr(0, line.find_first_of(";:"));
        bool drop = false;
        for (const char* property : dropped)
            drop = drop || name == property;
        if (created && name == "UID")
            line = "UID:" + lastSegment(path) + "\r\n";
        if (name == "END")
            kept += "REV:2024-05-02T08:00:00.000Z\r\n";
        if (!drop)
            kept += line;
    }
    return kept;
}

Shape google() {
    Shape shape;
    shape.name = "google";
    // OAuth 2.0 bearer tokens only; anything else is answered 401 (developers.google.com/people/
    // carddav, "Google's CardDAV requires OAuth 2.0").
    shape.credentials = Credentials::Bearer;
    shape.secret = "ya29.a0AfB-access-token";
    shape.realm = "https://accounts.google.com/";
    // The API host answers its root 404; /.well-known/carddav redirects (301) to the account's
    // address book, where the principal and the home are asked for (same page, "Connecting to
    // Google's CardDAV server").
    shape.root = Root::NotFound;
    const std::string principal = "/carddav/v1/principals/alice%40gmail.example/";
    shape.wellKnown = principal + "lists/default/";
    shape.davRoot = "/carddav/v1/";
    shape.principalInAllprop = false;
    shape.principal = principal;
    shape.home = principal + "lists/";
    // "Does not support WebDAV Access Control (rfc3744)".
    shape.privileges = false;
    const std::string book = principal + "lists/default/";
    shape.books = {
        {book,
         "Address Book",
         true,
         {{"1b2c3d4e5f60718a", "1b2c3d4e5f60718a",
           card({"VERSION:3.0", "UID:1b2c3d4e5f60718a", "N:Archer;Ann;;;", "FN:Ann Archer",
                 "EMAIL;TYPE=INTERNET;TYPE=WORK:ann@archer.example", "TEL;TYPE=CELL:+1 555 0101",
                 "REV:2024-03-01T10:00:00.000Z"})},
          {"2c3d4e5f60718a9b", "2c3d4e5f60718a9b",
           card({"VERSION:3.0", "UID:2c3d4e5f60718a9b", "N:Baker;Bob;;;", "FN:Bob Baker",
                 "TEL;TYPE=WORK:+1 555 0102", "REV:2024-03-01T10:00:00.000Z"})},
          // Pictures are given by URL on Google's content host (vdirsyncer and carddav2fb
          // issues about URL photos).
          {"3d4e5f60718a9bac", "3d4e5f60718a9bac",
           card({"VERSION:3.0", "UID:3d4e5f60718a9bac", "N:Carter;Cyd;;;", "FN:Cyd Carter",
                 "PHOTO;VALUE=uri:%CONTENT%/contacts/photo/AAAAcyd-carter.jpg",
                 "REV:2024-03-01T10:00:00.000Z"})}}}};
    shape.roles = {"1b2c3d4e5f60718a", "2c3d4e5f60718a9b", "3d4e5f60718a9bac"};
    shape.groups = Groups::None;
    // A sync-collection with Depth 0 (as RFC 6578 asks) gets the collection alone and a new
    // token; clients that work with Google send Depth 1.
    shape.syncNeedsDepthOne = true;
    shape.keepsCardText = false;
    // A PUT to a new href is stored at an href of the server's choosing, answered 201 with
    // Location and no ETag (pimutils/vdirsyncer #1223, #1229).
    auto created = std::make_shared<int>(0);
    shape.quirks.createsAt = [book, created](const std::string&) {
        static const char hex[] = "0123456789abcdef";
        std::string id = "29935b72";
        for (int n = ++*created, digit = 0; digit < 8; ++digit, n /= 16)
            id += hex[n % 16];
        return book + id;
    };
    shape.quirks.storesAs = storedByGoogle;
    shape.quirks.tagsPuts = false;
    shape.pictures = {{Host::Content, "/contacts/photo/AAAAcyd-carter.jpg", false}};
    return shape;
}

Shape icloud() {
    Shape shape;
    shape.name = "icloud";
    // An app-specific password with the Apple ID.
    shape.user = "alice@icloud.example";
    shape.secret = "abcd-efgh-ijkl-mnop";
    shape.realm = "iCloud";
    // contacts.icloud.com answers the principal at its root; the home lives on the account's
    // partition host, pNN-contacts.icloud.com (emersion/go-webdav #61, pimutils/vdirsyncer #471).
    shape.root = Root::Principal;
    shape.wellKnown = "/";
    shape.davRoot = "/";
    shape.principal = "/1234567/principal/";
    shape.homeHost = Host::Partition;
    shape.home = "/1234567/carddavhome/";
    const char* const ann = "A1B2C3D4-0001-4A00-8000-0000000000A1";
    const char* const bob = "A1B2C3D4-0002-4A00-8000-0000000000B2";
    const char* const cyd = "A1B2C3D4-0003-4A00-8000-0000000000C3";
    shape.books = {
        {"/1234567/carddavhome/card/",
         "card",
         true,
         {{std::string(ann) + ".vcf", ann,
           card({"VERSION:3.0", "PRODID:-//Apple Inc.//iOS 17.4//EN", "N:Archer;Ann;;;",
                 "FN:Ann Archer", "item1.EMAIL;type=INTERNET;type=pref:ann@archer.example",
                 "item1.X-ABLabel:_$!<Other>!$_", "TEL;type=CELL;type=VOICE:+1 555 0101",
                 "UID:A1B2C3D4-0001-4A00-8000-0000000000A1"})},
          {std::string(bob) + ".vcf", bob,
           card({"VERSION:3.0", "PRODID:-//Apple Inc.//iOS 17.4//EN", "N:Baker;Bob;;;",
                 "FN:Bob Baker", "UID:A1B2C3D4-0002-4A00-8000-0000000000B2"})},
          // Pictures given by URL on the partition host, read with the account's credentials
          // (the address-data of iCloud listings quoted in public client test suites).
          {std::string(cyd) + ".vcf", cyd,
           card({"VERSION:3.0", "PRODID:-//Apple Inc.//iOS 17.4//EN", "N:Carter;Cyd;;;",
                 "FN:Cyd Carter",
                 "PHOTO;X-ABCROP-RECTANGLE=ABClipRect_1&0&0&24&16&kAJYDeIuG6Pp;VALUE=uri:"
                 "%PARTITION%/1234567/wcs/0103f1ccdbde6a4ceee3826afccf55b34900b5c5a1",
                 "UID:A1B2C3D4-0003-4A00-8000-0000000000C3"})},
          // Groups are group cards in Apple's dialect (rcmcarddav #331).
          {"A1B2C3D4-0009-4A00-8000-0000000000F9.vcf", "A1B2C3D4-0009-4A00-8000-0000000000F9",
           card({"VERSION:3.0", "PRODID:-//Apple Inc.//iCloud Web Address Book 2417B12//EN",
                 "N:Clients", "FN:Clients", "X-ADDRESSBOOKSERVER-KIND:group",
                 "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:A1B2C3D4-0001-4A00-8000-0000000000A1",
                 "REV:2024-03-01T10:00:00Z", "UID:A1B2C3D4-0009-4A00-8000-0000000000F9"})}}}};
    shape.roles = {ann, bob, cyd};
    // Tags as iCloud writes them: "C=<change>@U=<account UUID>".
    shape.quirks.tagSpelling = [](int serial) {
        return "C=" + std::to_string(serial) + "@U=cc792711-9684-4d3f-a3aa-1db18cf1c8a8";
    };
    shape.pictures = {
        {Host::Partition, "/1234567/wcs/0103f1ccdbde6a4ceee3826afccf55b34900b5c5a1", true}};
    return shape;
}

Shape nextcloud() {
    Shape shape;
    shape.name = "nextcloud";
    // An app password (required with two-factor login) with the user name.
    shape.user = "alice";
    shape.secret = "Xk2pQ-7rTzM-aB3cD-eF4gH-iJ5kL";
    shape.realm = "Nextcloud";
    // The bare host is the web application: its root answers 302 to the login page, and
    // /.well-known/carddav redirects (301) to the DAV service at /remote.php/dav/.
    shape.root = Root::WebLogin;
    shape.wellKnown = "/remote.php/dav/";
    shape.davRoot = "/remote.php/dav/";
    shape.principalInAllprop = false;
    shape.principal = "/remote.php/dav/principals/users/alice/";
    shape.home = "/remote.php/dav/addressbooks/users/alice/";
    const char* const ann = "5e6f7a8b-0001-4c2d-9e3f-a1b2c3d4e5f6";
    const char* const bob = "5e6f7a8b-0002-4c2d-9e3f-a1b2c3d4e5f6";
    const char* const cyd = "5e6f7a8b-0003-4c2d-9e3f-a1b2c3d4e5f6";
    shape.books = {
        {"/remote.php/dav/addressbooks/users/alice/contacts/",
         "Contacts",
         true,
         // Groups are the cards' categories, as Nextcloud's contacts app writes them.
         {{std::string(ann) + ".vcf", ann,
           card({"VERSION:3.0", "PRODID:-//Sabre//Sabre VObject 4.5.4//EN",
                 "UID:5e6f7a8b-0001-4c2d-9e3f-a1b2c3d4e5f6", "FN:Ann Archer", "N:Archer;Ann;;;",
                 "EMAIL;TYPE=HOME:ann@archer.example", "CATEGORIES:Clients",
                 "REV;VALUE=DATE-AND-OR-TIME:20240301T100000Z"})},
          {std::string(bob) + ".vcf", bob,
           card({"VERSION:3.0", "PRODID:-//Sabre//Sabre VObject 4.5.4//EN",
                 "UID:5e6f7a8b-0002-4c2d-9e3f-a1b2c3d4e5f6", "FN:Bob Baker", "N:Baker;Bob;;;",
                 "REV;VALUE=DATE-AND-OR-TIME:20240301T100000Z"})},
          {std::string(cyd) + ".vcf", cyd,
           card({"VERSION:3.0", "PRODID:-//Sabre//Sabre VObject 4.5.4//EN",
                 "UID:5e6f7a8b-0003-4c2d-9e3f-a1b2c3d4e5f6", "FN:Cyd Carter", "N:Carter;Cyd;;;",
                 "REV;VALUE=DATE-AND-OR-TIME:20240301T100000Z"})}}},
        // The contacts interaction app's book, read-only for its owner.
        {"/remote.php/dav/addressbooks/users/alice/z-app-generated--contactsinteraction--recent/",
         "Recently contacted",
         false,
         {{"4b9f2e1c.vcf", "4b9f2e1c",
           card({"VERSION:3.0", "UID:4b9f2e1c", "FN:Dana Dale", "EMAIL:dana@dale.example"})}}}};
    shape.roles = {ann, bob, cyd};
    shape.groups = Groups::Categories;
    shape.errors = ErrorBodies::SabreDav;
    // A PUT is answered without ETag (nextcloud/contacts #896: 201 with only OC-ETag), and a sync
    // answer is cut after a few changes with a 507 and a token to go on from (nextcloud/server
    // #50086, #50092).
    shape.quirks.tagsPuts = false;
    shape.quirks.syncLimit = 2;
    return shape;
}

Shape fastmail() {
    Shape shape;
    shape.name = "fastmail";
    // CardDAV takes an app password, not an API token (radiosilence/fastmail-cli #3).
    shape.user = "alice@fastmail.example";
    shape.secret = "2x9v7w4q3z8k6m5n";
    shape.realm = "Fastmail";
    // carddav.fastmail.com; the book at /dav/addressbooks/user/<user>/Default/ (pimutils/
    // vdirsyncer #284). A Cyrus server: the principal at its root.
    shape.root = Root::Principal;
    shape.wellKnown = "/dav/";
    shape.davRoot = "/dav/";
    shape.principal = "/dav/principals/user/alice%40fastmail.example/";
    shape.home = "/dav/addressbooks/user/alice%40fastmail.example/";
    const char* const ann = "f4a1-ann-0001";
    const char* const bob = "f4a1-bob-0002";
    const char* const cyd = "f4a1-cyd-0003";
    shape.books = {
        {shape.home + "Default/",
         "Personal",
         true,
         {{std::string(ann) + ".vcf", ann,
           card({"VERSION:3.0", "UID:f4a1-ann-0001", "N:Archer;Ann;;;", "FN:Ann Archer",
                 "EMAIL;TYPE=WORK:ann@archer.example"})},
          {std::string(bob) + ".vcf", bob,
           card({"VERSION:3.0", "UID:f4a1-bob-0002", "N:Baker;Bob;;;", "FN:Bob Baker"})},
          {std::string(cyd) + ".vcf", cyd,
           card({"VERSION:3.0", "UID:f4a1-cyd-0003", "N:Carter;Cyd;;;", "FN:Cyd Carter"})},
          // Groups are group cards in Apple's dialect (Cyrus reads both dialects,
          // cyrusimap/cyrus-imapd #3926).
          {"f4a1-grp-0009.vcf", "f4a1-grp-0009",
           card({"VERSION:3.0", "UID:f4a1-grp-0009", "N:Clients;;;;", "FN:Clients",
                 "X-ADDRESSBOOKSERVER-KIND:group",
                 "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:f4a1-ann-0001"})}}},
        // A book another user shares, readable only.
        {shape.home + "Shared/",
         "Shared",
         false,
         {{"f4a1-shr-0001.vcf", "f4a1-shr-0001",
           card({"VERSION:3.0", "UID:f4a1-shr-0001", "FN:Front Desk"})}}}};
    shape.roles = {ann, bob, cyd};
    return shape;
}

Shape baikal() {
    Shape shape;
    shape.name = "baikal";
    // Baïkal (SabreDAV) with its default digest authentication, realm BaikalDAV.
    shape.credentials = Credentials::Digest;
    shape.user = "alice";
    shape.secret = "correct horse battery";
    shape.realm = "BaikalDAV";
    // Behind a reverse proxy under /baikal/: the proxy's own root refuses PROPFIND (405), and
    // its /.well-known/carddav rule redirects to Baïkal's dav.php (signalapp/Flock #22 shows the
    // rewrite rule).
    shape.root = Root::NotAllowed;
    shape.wellKnown = "/baikal/dav.php/";
    shape.davRoot = "/baikal/dav.php/";
    shape.principalInAllprop = false;
    shape.principal = "/baikal/dav.php/principals/alice/";
    shape.home = "/baikal/dav.php/addressbooks/alice/";
    const char* const ann = "0d9e3b1a-ann";
    const char* const bob = "0d9e3b1a-bob";
    const char* const cyd = "0d9e3b1a-cyd";
    // The cards a vCard 4 client wrote, groups as KIND:group cards with MEMBER lines.
    shape.books = {
        {shape.home + "default/",
         "Default Address Book",
         true,
         {{"0d9e3b1a-ann.vcf", ann,
           card({"VERSION:4.0", "PRODID:+//IDN bitfire.at//DAVx5/4.3-ose ez-vcard/0.11.3",
                 "UID:0d9e3b1a-ann", "FN:Ann Archer", "N:Archer;Ann;;;",
                 "EMAIL;TYPE=work:ann@archer.example", "REV:20240301T100000Z"})},
          {"0d9e3b1a-bob.vcf", bob,
           card({"VERSION:4.0", "UID:0d9e3b1a-bob", "FN:Bob Baker", "N:Baker;Bob;;;"})},
          {"0d9e3b1a-cyd.vcf", cyd,
           card({"VERSION:4.0", "UID:0d9e3b1a-cyd", "FN:Cyd Carter", "N:Carter;Cyd;;;"})},
          {"0d9e3b1a-grp.vcf", "0d9e3b1a-grp",
           card({"VERSION:4.0", "UID:0d9e3b1a-grp", "KIND:group", "FN:Clients", "N:Clients;;;;",
                 "MEMBER:urn:uuid:0d9e3b1a-ann"})}}}};
    shape.roles = {ann, bob, cyd};
    shape.errors = ErrorBodies::SabreDav;
    return shape;
}

} // namespace

const std::vector<Shape>& providerShapes() {
    static const std::vector<Shape> shapes = {google(), icloud(), nextcloud(), fastmail(),
                                              baikal()};
    return shapes;
}

} // namespace providers
