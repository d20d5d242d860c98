#pragma once
// The two-bar progress dialog: the current item above (Upper), the whole job below (Lower), and
// "Cancel". It has no caption, so it can be dragged by any point of its body.
#include "ui/widgets/ProgressDialogBase.h"

#include <QPoint>

class DualProgressDialog : public ProgressDialogBase {
    Q_OBJECT
public:
    static DualProgressDialog* Create();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    DualProgressDialog();

    bool dragging_ = false;
    QPoint grabOffset_; // from the window's top-left corner to the mouse, in global pixels
};
