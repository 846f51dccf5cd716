// Base64 (the standard alphabet with '=' padding): how a settings file carries an icon's
// bytes on one line of text.
#pragma once

#include <string>

std::string base64Encode(const std::string& bytes);
// False when `text` is not base64 (a character outside the alphabet, a length that is not a
// multiple of four, padding anywhere but at the end).
bool base64Decode(const std::string& text, std::string& bytes);
