#include "app/SecondsText.h"

#include <cctype>
#include <climits>

std::string FormatTenths(int tenths)
{
    const int whole = tenths / 10;
    const int digit = tenths % 10;
    const std::string sign = (tenths < 0 && whole == 0) ? "-" : "";
    return sign + std::to_string(whole) + "." + std::to_string(digit < 0 ? -digit : digit);
}

std::optional<int> ParseTenths(const std::string& input, bool emptyAsZero)
{
    std::string text = input;
    if (text.empty() && emptyAsZero)
        text = "0";
    if (!text.empty() && text.front() == '.')
        text.insert(text.begin(), '0');

    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    if (at < text.size() && text[at] == '+')
        ++at;
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return std::nullopt; // no whole number, or a negative one
    long long whole = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        whole = whole * 10 + (text[at] - '0');
        if (whole > INT_MAX / 10 - 1)
            return std::nullopt;
        ++at;
    }
    int digit = 0;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
        if (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
            digit = text[at] - '0';
    }
    return static_cast<int>(whole * 10 + digit);
}
