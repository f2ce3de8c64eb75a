// The parser's readings with their values alone, for tests of what a body yields; a test of how
// far a body could be read asks the parser itself (`reader.parser`).
#pragma once

#include "Multistatus/xmlParser.h"

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

struct ReadValues {
    xmlParser parser;

    baseprincipal getBasePrincipal(std::string xml, const std::string& requestUrl) const {
        return parser.getBasePrincipal(std::move(xml), requestUrl).value;
    }
    std::string getAddressHome(std::string xml) const {
        return parser.getAddressHome(std::move(xml)).value;
    }
    std::vector<addressbook> getAddressbooks(std::string xml, const std::string& requestUrl) const {
        return parser.getAddressbooks(std::move(xml), requestUrl).value;
    }
    std::vector<addresscard> getCardData(std::string xml, const std::string& requestUrl) const {
        const std::deque<addresscard> cards =
            parser.getCardData(std::move(xml), requestUrl).value.cards;
        return {cards.begin(), cards.end()};
    }
    std::string getSyncToken(std::string xml) const {
        return parser.getSyncToken(std::move(xml)).value;
    }
    // Card texts are kept whatever their size unless a budget is given.
    syncanswer getSyncChanges(std::string xml, const std::string& requestUrl,
                              std::size_t textBudget = SIZE_MAX) const {
        return parser.getSyncChanges(std::move(xml), requestUrl, textBudget).value;
    }
    std::vector<cardtext> getCardTexts(std::string xml, const std::string& requestUrl,
                                       std::size_t textBudget = SIZE_MAX) const {
        return parser.getCardTexts(std::move(xml), requestUrl, textBudget).value.cards;
    }
};
