#pragma once
// A text as a JSON string literal: quoted, escaped, and made valid UTF-8 first.
#include <string>

std::string JsonString(const std::string& text);
