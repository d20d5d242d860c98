#pragma once
// What an ID3v1 text field can hold: Latin-1 characters (one byte each), at most a field's number
// of them, and only digits for the year. A keystroke or paste past that is refused; a caller's
// overlong value is left as it is, so the dialog still catches it when it reads the field.
#include <QValidator>

class TagTextValidator : public QValidator {
    Q_OBJECT
public:
    TagTextValidator(int limit, bool digitsOnly, QObject* parent = nullptr);
    State validate(QString& input, int& position) const override;

private:
    int limit_;
    bool digitsOnly_;
};
