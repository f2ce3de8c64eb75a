#include "PluginStateReset.h"

#include "Functions/CardDavState.h"

void resetPluginState() {
    cd = CardDavClient();
    xmlparser = xmlParser();
    vcparser = vCardDataParser();
    last_error = 0;
    connected = false;
    root_address_url.clear();
    current_addressbook_url.clear();
    current_addressbook.clear();
    current_addressbook_groups.clear();
    current_vcard_id.clear();
    current_vcard = vCard();
    current_mapping.clear();
}
