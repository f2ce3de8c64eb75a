// A whole-book read taken in pieces (CardDav_FetchvCards with a piece size): the members the
// server listed when it began, and how far the reading has come. Kept with the selected book, so
// that selecting another book or server forgets it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct BookPieces {
    bool started = false;
    // The book's sync token, asked before its members were listed.
    std::string token;
    // The members' URLs in the server's order, and how many of them were read.
    std::vector<std::string> members;
    std::size_t read = 0;
};
