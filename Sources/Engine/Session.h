// Everything the plug-in knows of one host session's work with its server: the client and its
// settings, the connection found, the selected address book, the group style and the current
// card. The engine's operations are given the session they work on; nothing in the engine
// reaches a session any other way.
#pragma once

#include "Engine/GroupStyle.h"
#include "Engine/SelectedBook.h"
#include "Mapping/DataMapping.h"
#include "Transport/CardDavClient.h"
#include "vCard/vCard.h"

#include <string>

struct Session {
    CardDavClient cd;
    // Set once a discovery got successful answers to both of its requests.
    bool connected = false;
    // The address-book home; empty until a connection found one.
    std::string root_address_url;
    // The selected address book and what is known of it.
    SelectedBook book;
    // How the script wants the book's groups kept (Engine/GroupStyle.h).
    GroupStyle group_style = GroupStyle::Cards;
    // The current card: its UID, and the card as read and edited.
    std::string current_vcard_id;
    vCard current_vcard;
    // The card whose text the current card was built from, and that text's tag (as read, or as
    // its last save left it): what a save of the current card is guarded by, whatever was listed
    // or synced since (currentCardTag, Engine/CurrentCard.h).
    struct ReadText {
        std::string uid;
        std::string etag;
    } current_vcard_text;
    // The field vocabulary in force.
    FieldMap current_mapping;
};
