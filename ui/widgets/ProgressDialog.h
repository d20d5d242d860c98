#pragma once
// The one-bar progress dialog: a label and a bar (the Upper slot), and "&Cancel".
#include "ui/widgets/ProgressDialogBase.h"

class ProgressDialog : public ProgressDialogBase {
    Q_OBJECT
public:
    // Creates the dialog on the heap, shows it and lets it paint. It deletes itself after PostClose().
    static ProgressDialog* Create();

private:
    ProgressDialog();
};
