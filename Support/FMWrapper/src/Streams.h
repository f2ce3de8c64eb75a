// How the host lays out the container streams it understands itself.
#pragma once

#include "FMWrapper/FMXHost.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fmxhost {

// "FNAM": the file name in UTF-8. "SIZE": width and height, 16 bits each, big-endian.
std::string encodePictureSize(fmx::int16 width, fmx::int16 height);
std::optional<std::pair<fmx::int16, fmx::int16>> decodePictureSize(const std::string& bytes);

const fmx::host::Stream* findStream(const std::vector<fmx::host::Stream>& streams,
                                    const std::string& type);

} // namespace fmxhost
