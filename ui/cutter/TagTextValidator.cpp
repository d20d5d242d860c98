#include "ui/cutter/TagTextValidator.h"

#include <algorithm>

TagTextValidator::TagTextValidator(int limit, bool digitsOnly, QObject* parent)
    : QValidator(parent)
    , limit_(limit)
    , digitsOnly_(digitsOnly)
{
}

QValidator::State TagTextValidator::validate(QString& input, int&) const
{
    // Refused rather than trimmed: the line edit then leaves a caller's overlong text as it is.
    const bool fits = std::all_of(input.begin(), input.end(), [this](QChar character) {
        return character.unicode() <= 0xFF && (!digitsOnly_ || (character >= '0' && character <= '9'));
    });
    return fits && input.size() <= limit_ ? Acceptable : Invalid;
}
