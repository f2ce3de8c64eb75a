// Host values: the arguments a handler reads and the results it sets, converted between the
// host's values and the plug-in's UTF-8 strings, numbers and picture bytes.
#pragma once

#include "FMWrapper/FMXData.h"

#include <memory>
#include <string>
#include <vector>

// ---- Host arguments ----
// The readers never raise a host error to their caller: a missing or unreadable argument gives
// the empty or default value. `index` is 0-based.

// The argument as UTF-8 text; empty when it is missing or unreadable.
std::unique_ptr<std::string> ParameterToString(const fmx::DataVect& args, unsigned index);
// The argument as an integer (the host's number of it, cut toward zero), or `defaultValue`.
long ParameterToLong(const fmx::DataVect& args, unsigned index, unsigned long defaultValue);
// The argument as a boolean, or `defaultValue`.
bool ParameterToBoolean(const fmx::DataVect& args, unsigned index, bool defaultValue);
// The bytes of the argument's main container stream: its first stream that is not "DPI_",
// "FNAM" or "SIZE". Sets `imageType` to "gif", "png", "bmp" or "jpeg" when that stream is a
// picture of one of those kinds, and leaves it alone otherwise. Empty without a main stream.
std::string ParameterToBinary(const fmx::DataVect& args, unsigned index, std::string& imageType);

// ---- Host results ----
// Host errors pass on to the handler as std::bad_alloc or std::exception.

// A number result; also how booleans are answered (1 or 0).
void SetResult(long value, fmx::Data& result);
// A text result.
void SetResult(const fmx::Text& text, fmx::Data& result);
// A text result from UTF-8; takes the string (a null pointer gives the empty text).
void SetResult(std::unique_ptr<std::string> text, fmx::Data& result);
// A container result holding one picture (stream "GIFf", "BMPf", "PNGf" for the image types
// "gif", "bmp", "png" in any case, "JPEG" for any other), its file name (in the host's native
// encoding) and its size (each cut to 16 bits). False, with `result` untouched, when the host
// refuses the picture data.
bool SetImageResult(std::string fileName, std::string imageType, int width, int height,
                    std::vector<char> bytes, fmx::Data& result);
