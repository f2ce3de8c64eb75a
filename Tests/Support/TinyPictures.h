// Small real pictures of a chosen size, made byte by byte from the formats: a baseline JPEG
// (one grey component, every block flat), a PNG (grey, stored deflate), a GIF (two colours) and
// a BMP (24-bit), for tests of what the plug-in reads from a picture's header.
#pragma once

#include <string>

std::string tinyJpeg(int width, int height);
std::string tinyPng(int width, int height);
std::string tinyGif(int width, int height);
std::string tinyBmp(int width, int height);
