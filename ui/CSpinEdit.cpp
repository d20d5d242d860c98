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

QValidator::State CSpinEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const
{
    return isEnabled() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}
