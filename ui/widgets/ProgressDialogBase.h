#pragma once
// What the one-bar and the two-bar progress dialog share: the cancel flag, the cheap pump, bars the
// engine drives, and the rule that the dialog lives until the job that holds it lets it go.
//
// A job creates the dialog (it shows itself and paints), drives it through JobProgress, and ends
// with PostClose(); the dialog then closes on the next pass of the event loop and deletes itself.
// A close request from elsewhere while the job still holds the dialog only raises the cancel flag.
#include "engine/JobProgress.h"
#include "ui/widgets/PumpMessages.h"

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

// A bar the job drives: it keeps the job's range and position and hands them to the widget only when
// ShowPending() runs (on a pass of the pump). QProgressBar repaints at once on every new value, and a
// job of many short files sets hundreds of values a second.
class ProgressBarControl : public ProgressBar {
public:
    explicit ProgressBarControl(QProgressBar* bar)
        : bar_(bar)
    {
    }
    int WidthInPixels() const override;
    void SetRange(int lower, int upper) override;
    void SetStep(int step) override { step_ = step; }
    void SetPosition(int position) override;
    void StepIt() override;
    int Position() const { return position_; }
    // Puts the range and position into the widget when they changed.
    void ShowPending();

private:
    QProgressBar* bar_;
    int step_ = 1;
    int lower_ = 0; // the range as the job set it
    int upper_ = 100;
    int position_ = 0;
    bool pending_ = true;
};

class ProgressDialogBase : public QDialog, public JobProgress {
    Q_OBJECT
public:
    bool IsCancelled() const override { return cancelled_; }
    // Runs the events when the cheap pump is due, after showing what the job set since the last pass.
    void Pump() override;
    ProgressBar* Bar(Slot slot) override;
    void SetLabel(Slot slot, const std::string& text) override;

    // The Cancel button: sets the flag; the job decides when to stop.
    void Cancel() { cancelled_ = true; }
    // The job's last call: it lets the dialog go and asks it to close on the next event pass.
    void PostClose();
    bool IsHeldByJob() const { return heldByJob_; }

    QPushButton* CancelButton() const { return cancelButton_; }
    QLabel* Label(Slot slot) const;
    // Shows the labels and bars as the job last set them (the pump does this on each pass).
    void ShowPending();
    // Shows what is pending and runs every pending event at once, due or not (a job's first paint).
    void PumpNow();

    void accept() override { }
    void reject() override { }

protected:
    // Builds the controls: one label and bar per slot at the given dialog-unit rows.
    ProgressDialogBase(int slotCount, int heightUnits, int buttonX, int buttonY, const QString& cancelText);
    void ShowAndPaint();
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* labels_[2] = {};
    QProgressBar* bars_[2] = {};
    std::unique_ptr<ProgressBarControl> barControls_[2];
    QString pendingLabels_[2];
    bool labelPending_[2] = {};
    QPushButton* cancelButton_ = nullptr;
    bool cancelled_ = false;
    bool heldByJob_ = true;
    bool initialised_ = false;
    CheapPump pump_;
};
