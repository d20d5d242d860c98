#include "ui/widgets/StepSpinBox.h"

bool StepSpinBox::SetStep(int step)
{
    if (static_cast<long long>(step) >= static_cast<long long>(maximum()) - minimum())
        return false;
    step_ = step;
    return true;
}

void StepSpinBox::stepBy(int steps) { QSpinBox::stepBy(steps > 0 ? step_ : -step_); }
