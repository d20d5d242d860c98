#include "ui/widgets/DualProgressDialog.h"

#include <QMouseEvent>

DualProgressDialog::DualProgressDialog()
    : ProgressDialogBase(2, 95, 135, 72, "Cancel")
{
}

DualProgressDialog* DualProgressDialog::Create()
{
    auto* dialog = new DualProgressDialog;
    dialog->ShowAndPaint();
    return dialog;
}

void DualProgressDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        grabOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    ProgressDialogBase::mousePressEvent(event);
}

void DualProgressDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - grabOffset_);
        event->accept();
        return;
    }
    ProgressDialogBase::mouseMoveEvent(event);
}

void DualProgressDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    ProgressDialogBase::mouseReleaseEvent(event);
}
