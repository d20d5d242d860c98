#pragma once
// A digits-only edit with up and down arrows that set its number within a range. The edit may be
// left empty or hold a number outside the range: reading it is the owner's check.
#include "ui/widgets/SpinEdit.h"

#include <optional>

class DigitsSpinEdit : public SpinEdit {
    Q_OBJECT
public:
    explicit DigitsSpinEdit(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    // Each arrow click moves by step; taken only when smaller than the width of the range (set the
    // range first).
    bool SetStep(int step);
    // Shows the number, limited to the range, as the arrows would.
    void SetPosition(int value);
    // The number in the edit; none when it is empty or too long for an integer.
    std::optional<int> Number() const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& position) const override;

private:
    int minimum_ = 0;
    int maximum_ = 100;
    int step_ = 1;
    int position_ = 0; // where the arrows start when the edit holds no number
};
