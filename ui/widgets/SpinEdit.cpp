#include "ui/CSpinEdit.h"

#include <QLineEdit>

CSpinEdit::CSpinEdit(QWidget* parent)
    : QAbstractSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

QString CSpinEdit::Text() const { return lineEdit()->text(); }

void CSpinEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void CSpinEdit::stepBy(int steps) { Q_EMIT StepRequested(steps); }

void CSpinEdit::SetTextLimit(int maxLength, bool digitsOnly)
{
    lineEdit()->setMaxLength(maxLength);
    digitsOnly_ = digitsOnly;
}

QValidator::State CSpinEdit::validate(QString& input, int&) const
{
    if (digitsOnly_)
        for (const QChar c : input)
            if (c.unicode() < '0' || c.unicode() > '9')
                return QValidator::Invalid;
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const
{
    return isEnabled() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}
