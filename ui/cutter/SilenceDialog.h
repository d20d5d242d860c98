#pragma once
// The small modal dialog of "Add Pieces at Silences": the level below which sound counts as
// silence, and how long a silence must last to be cut in.
#include "ui/PageSettings.h"

#include <QDialog>

class QDoubleSpinBox;

class SilenceDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTitleBarRoom = 160; // pixels for a frame's icon and three buttons

    explicit SilenceDialog(const SilenceSplitSettings& values, QWidget* parent = nullptr);

    // The values as the controls show them.
    SilenceSplitSettings Values() const;

    QDoubleSpinBox* ThresholdEdit() const { return threshold_; }
    QDoubleSpinBox* MinimumEdit() const { return minimum_; }
    // The title's width in the bold font title bars use, in pixels.
    int TitleWidth() const;

private:
    QDoubleSpinBox* threshold_ = nullptr;
    QDoubleSpinBox* minimum_ = nullptr;
};
