// Containers made from files (File ( "path" )) and the picture files written back from them.
#pragma once

#include "FMWrapper/FMXHost.h"

#include <string>

// A container holding the file's bytes as one stream typed by its first bytes ("JPEG", "PNGf",
// "GIFf", "BMPf", else "FILE"), followed by an "FNAM" stream with the file's name. Throws
// std::runtime_error when the file cannot be read.
fmx::host::Value containerFromFile(const std::string& path);

// A container holding `bytes` typed as containerFromFile types them, named `fileName`.
fmx::host::Value containerFromBytes(std::string bytes, const std::string& fileName);

// The container's main stream: its first stream other than "FNAM", "SIZE" and "DPI_"; null
// when there is none.
const fmx::host::Stream* mainStream(const fmx::host::Value& container);

// The file extension for a stream type: "jpg", "png", "gif", "bmp", else "bin".
std::string fileExtension(const std::string& streamType);
