#pragma once
// An edit with up and down arrows that accepts any text and leaves the value to its owner: the
// arrows only report a step request, the owner reads the text, changes its value and writes it back.
#include <QAbstractSpinBox>

class SpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    // Refuses input of more than maxLength characters, and with digitsOnly anything but digits.
    void SetTextLimit(int maxLength, bool digitsOnly);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& position) const override;

Q_SIGNALS:
    // steps > 0 for the up arrow.
    void StepRequested(int steps);

protected:
    StepEnabled stepEnabled() const override;

private:
    bool digitsOnly_ = false;
};
