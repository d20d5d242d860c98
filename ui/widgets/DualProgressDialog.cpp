#include "ui/CDualProgressDlg.h"

#include <QMouseEvent>

CDualProgressDlg::CDualProgressDlg()
    : ProgressDialogBase(2, 95, 135, 72, "Cancel")
{
}

CDualProgressDlg* CDualProgressDlg::Create()
{
    auto* dialog = new CDualProgressDlg;
    dialog->ShowAndPaint();
    return dialog;
}

void CDualProgressDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        grabOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    ProgressDialogBase::mousePressEvent(event);
}

void CDualProgressDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - grabOffset_);
        event->accept();
        return;
    }
    ProgressDialogBase::mouseMoveEvent(event);
}

void CDualProgressDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    ProgressDialogBase::mouseReleaseEvent(event);
}
