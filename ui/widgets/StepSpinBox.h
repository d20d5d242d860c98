#pragma once
// A spin box whose arrows move the value by a step instead of by 1.
#include <QSpinBox>

class StepSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit StepSpinBox(QWidget* parent = nullptr)
        : QSpinBox(parent)
    {
    }

    // Takes the step only when it is smaller than the width of the range; set the range first.
    bool SetStep(int step);
    int Step() const { return step_; }
    // Any request upwards moves by +step, any other by -step (page keys included).
    void stepBy(int steps) override;

private:
    int step_ = 1;
};
