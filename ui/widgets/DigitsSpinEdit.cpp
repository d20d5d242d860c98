#include "ui/widgets/DigitsSpinEdit.h"

#include <QLineEdit>
#include <algorithm>

DigitsSpinEdit::DigitsSpinEdit(QWidget* parent)
    : SpinEdit(parent)
{
}

void DigitsSpinEdit::SetRange(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
}

void DigitsSpinEdit::SetPosition(int value)
{
    position_ = std::clamp(value, minimum_, maximum_);
    SetText(QString::number(position_));
}

bool DigitsSpinEdit::SetStep(int step)
{
    if (step < 1 || static_cast<long long>(step) >= static_cast<long long>(maximum_) - minimum_)
        return false;
    step_ = step;
    return true;
}

std::optional<int> DigitsSpinEdit::Number() const
{
    bool ok = false;
    const int value = Text().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

void DigitsSpinEdit::stepBy(int steps)
{
    const int current = std::clamp(Number().value_or(position_), minimum_, maximum_);
    SetPosition(static_cast<int>(std::clamp<long long>(
        static_cast<long long>(current) + static_cast<long long>(steps) * step_, minimum_, maximum_)));
    SpinEdit::stepBy(steps);
}

QValidator::State DigitsSpinEdit::validate(QString& input, int&) const
{
    return std::all_of(input.begin(), input.end(), [](QChar c) { return c >= '0' && c <= '9'; })
        ? QValidator::Acceptable
        : QValidator::Invalid;
}
