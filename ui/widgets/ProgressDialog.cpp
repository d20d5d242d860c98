#include "ui/CProgressDlg.h"

CProgressDlg::CProgressDlg()
    : ProgressDialogBase(1, 62, 134, 39, "&Cancel")
{
}

CProgressDlg* CProgressDlg::Create()
{
    auto* dialog = new CProgressDlg;
    dialog->ShowAndPaint();
    return dialog;
}
