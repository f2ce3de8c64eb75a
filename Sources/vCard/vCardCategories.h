// The categories of a card (CATEGORIES lines), which contact programs show as the groups a
// contact belongs to.
#pragma once

#include "vCard/vCard.h"

#include <string>
#include <vector>

// Adds the names of one CATEGORIES value (as the line holds it, escaped) to `names`: cut at its
// unescaped commas, each name unescaped, each once, empty ones left out.
void addCategoryNames(std::vector<std::string>& names, const std::string& value);

// The category names of the card: every CATEGORIES line (with or without group prefix) cut at
// its unescaped commas, each name unescaped; in card order, each name once, empty ones left out.
std::vector<std::string> categoryNames(const vCard& card);

// Gives the card exactly these categories (empty names left out, each name once), unless it holds
// them already. One CATEGORIES line holds them all, each escaped as an element of a vCard text
// list ("a, b" is written "a\, b"): it takes the place of the first CATEGORIES line, keeping that
// line's group and parameters, or is appended when there is none; the other CATEGORIES lines go.
// No names: no CATEGORIES line. Every other line is written back as it was read.
void setCategoryNames(vCard& card, const std::vector<std::string>& names);
