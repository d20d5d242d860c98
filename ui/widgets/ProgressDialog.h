#pragma once
// The one-bar progress dialog: a label and a bar (the Upper slot), and "&Cancel".
#include "ui/ProgressDialogBase.h"

class CProgressDlg : public ProgressDialogBase {
    Q_OBJECT
public:
    // Creates the dialog on the heap, shows it and lets it paint. It deletes itself after PostClose().
    static CProgressDlg* Create();

private:
    CProgressDlg();
};
