#include "ui/widgets/ProgressDialogBase.h"

#include "ui/widgets/WindowHelpers.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>

int ProgressBarControl::WidthInPixels() const { return bar_->width(); }

void ProgressBarControl::SetRange(int lower, int upper)
{
    lower_ = lower;
    upper_ = std::max(lower, upper);
    pending_ = true;
    SetPosition(position_);
}

void ProgressBarControl::SetPosition(int position)
{
    const int clamped = std::clamp(position, lower_, upper_);
    if (clamped != position_) {
        position_ = clamped;
        pending_ = true;
    }
}

void ProgressBarControl::StepIt() { SetPosition(position_ + step_); }

void ProgressBarControl::ShowPending()
{
    if (!pending_)
        return;
    pending_ = false;
    // A bar whose bounds are equal would show Qt's busy animation: show it empty instead.
    bar_->setRange(lower_, upper_ > lower_ ? upper_ : lower_ + 1);
    bar_->setValue(position_);
}

ProgressDialogBase::ProgressDialogBase(
    int slotCount, int heightUnits, int buttonX, int buttonY, const QString& cancelText)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(DialogUnitsX(320), DialogUnitsY(heightUnits));
    setFont(CreatePageFont());
    for (int slot = 0; slot < slotCount; ++slot) {
        const int top = 7 + slot * 32;
        labels_[slot] = new QLabel(this);
        labels_[slot]->setTextFormat(Qt::PlainText); // labels carry file names
        labels_[slot]->setGeometry(DialogRect(7, top, 306, 9));
        bars_[slot] = new QProgressBar(this);
        bars_[slot]->setGeometry(DialogRect(7, top + 11, 306, 13));
        bars_[slot]->setTextVisible(false);
        bars_[slot]->setRange(0, 100);
        bars_[slot]->setValue(0);
        barControls_[slot] = std::make_unique<ProgressBarControl>(bars_[slot]);
    }
    cancelButton_ = new QPushButton(cancelText, this);
    cancelButton_->setGeometry(DialogRect(buttonX, buttonY, 50, 16));
    cancelButton_->setAutoDefault(false);
    connect(cancelButton_, &QPushButton::clicked, this, &ProgressDialogBase::Cancel);
}

ProgressBar* ProgressDialogBase::Bar(Slot slot)
{
    const int index = static_cast<int>(slot);
    return (index >= 0 && index < 2) ? barControls_[index].get() : nullptr;
}

QLabel* ProgressDialogBase::Label(Slot slot) const
{
    const int index = static_cast<int>(slot);
    return (index >= 0 && index < 2) ? labels_[index] : nullptr;
}

void ProgressDialogBase::SetLabel(Slot slot, const std::string& text)
{
    const int index = static_cast<int>(slot);
    if (!Label(slot))
        return;
    pendingLabels_[index] = QString::fromStdString(text);
    labelPending_[index] = true;
}

void ProgressDialogBase::ShowPending()
{
    for (int index = 0; index < 2; ++index) {
        if (labelPending_[index] && labels_[index]) {
            labels_[index]->setText(pendingLabels_[index]);
            labelPending_[index] = false;
        }
        if (barControls_[index])
            barControls_[index]->ShowPending();
    }
}

void ProgressDialogBase::Pump()
{
    if (!pump_.Due())
        return;
    ShowPending();
    pump_.Run();
}

void ProgressDialogBase::PumpNow()
{
    ShowPending();
    PumpMessages();
}

void ProgressDialogBase::ShowAndPaint()
{
    ShowPending();
    show();
    PumpMessages();
}

void ProgressDialogBase::showEvent(QShowEvent* event)
{
    if (!initialised_) {
        initialised_ = true;
        cancelled_ = false;
        // Owned by the main window without being its child: it stays above the main window, and
        // stays enabled while the job disables the main window.
        const QWidget* owner = CurrentMainWindow();
        if (owner && owner->isVisible() && owner->windowHandle()) {
            if (QWindow* window = windowHandle())
                window->setTransientParent(owner->windowHandle());
            move(owner->frameGeometry().center() - rect().center());
        } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
    }
    QDialog::showEvent(event);
}

void ProgressDialogBase::PostClose()
{
    ShowPending();
    heldByJob_ = false;
    QCoreApplication::postEvent(this, new QCloseEvent);
}

void ProgressDialogBase::closeEvent(QCloseEvent* event)
{
    if (heldByJob_) {
        // The job still reads this object: stop the job instead of destroying what it holds.
        cancelled_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
    hide();
    deleteLater();
}

void ProgressDialogBase::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void ProgressDialogBase::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // The window has no caption: a frame line keeps it apart from the window below.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
