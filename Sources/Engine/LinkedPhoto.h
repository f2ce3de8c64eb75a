// A card's photo given as a link on the web (Google, iCloud), read for the host's container.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"
#include "vCard/vCardPicture.h"

#include <cstddef>
#include <string>

// The largest picture read from a link; a portrait is a small fraction of it.
constexpr std::size_t kLargestLinkedPhoto = 16 * 1024 * 1024;

// Reads the picture at `url` with one GET that follows no redirect. The credentials go with it
// only when `url` lies on the origin of the address-book home the connection found; to another
// host (a provider's picture server) it goes without them. Fails with the request's code, 28
// for a picture larger than kLargestLinkedPhoto, or -1 for an answer that holds no JPEG, PNG,
// GIF or BMP picture. Nothing of the card changes either way.
Judged<Picture> readLinkedPhoto(Session& session, const std::string& url);
