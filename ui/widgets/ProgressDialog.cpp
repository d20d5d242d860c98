#include "ui/widgets/ProgressDialog.h"

ProgressDialog::ProgressDialog()
    : ProgressDialogBase(1, 62, 134, 39, "&Cancel")
{
}

ProgressDialog* ProgressDialog::Create()
{
    auto* dialog = new ProgressDialog;
    dialog->ShowAndPaint();
    return dialog;
}
