#include "ui/widgets/SpinEdit.h"

#include <QLineEdit>

SpinEdit::SpinEdit(QWidget* parent)
    : QAbstractSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

QString SpinEdit::Text() const { return lineEdit()->text(); }

void SpinEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void SpinEdit::stepBy(int steps) { Q_EMIT StepRequested(steps); }

void SpinEdit::SetTextLimit(int maxLength, bool digitsOnly)
{
    lineEdit()->setMaxLength(maxLength);
    digitsOnly_ = digitsOnly;
}

QValidator::State SpinEdit::validate(QString& input, int&) const
{
    if (digitsOnly_)
        for (const QChar c : input)
            if (c.unicode() < '0' || c.unicode() > '9')
                return QValidator::Invalid;
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    return isEnabled() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}
