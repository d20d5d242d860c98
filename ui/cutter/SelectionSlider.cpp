#include "ui/cutter/SelectionSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

SelectionSlider::SelectionSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::NoTicks);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::actionTriggered, this, &SelectionSlider::ActionTriggered);
    connect(this, &QSlider::valueChanged, this, &SelectionSlider::ValueChanged);
    connect(this, &QSlider::sliderMoved, this, [this] { Q_EMIT Scrolled(false); });
    connect(this, &QSlider::sliderReleased, this, [this] { Q_EMIT Scrolled(true); });
}

void SelectionSlider::SetSelection(int start, int end)
{
    selectionStart_ = std::min(start, end);
    selectionEnd_ = std::max(start, end);
    update();
    Q_EMIT SelectionChanged(selectionStart_, selectionEnd_);
}

void SelectionSlider::ClearSelection() { SetSelection(0, 0); }

void SelectionSlider::ActionTriggered(int action)
{
    // Dragging reports through sliderMoved; any other action of the user (a key, the wheel) is one
    // complete step. The new position is set already, the value follows right after this signal.
    Q_UNUSED(action);
    if (!isSliderDown() && sliderPosition() != value())
        userStep_ = true;
}

void SelectionSlider::ValueChanged()
{
    if (!userStep_ || isSliderDown())
        return;
    userStep_ = false;
    Q_EMIT Scrolled(true);
}

void SelectionSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isEnabled() && maximum() > minimum()) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        if (!handle.contains(event->position().toPoint())) {
            // A click on the groove puts the thumb there and starts dragging it, as in a player.
            const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
            const int span = std::max(1, groove.width() - handle.width());
            const int x = static_cast<int>(event->position().x()) - groove.x() - handle.width() / 2;
            setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), x, span, option.upsideDown));
            Q_EMIT Scrolled(false);
        }
    }
    QSlider::mousePressEvent(event);
}

void SelectionSlider::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            Q_EMIT PlayPauseRequested();
        event->accept();
        return;
    }
    // Left and Right move by a frame (with Shift by a second): the page knows the frame.
    const bool shiftArrow = (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)
        && (event->modifiers() == Qt::ShiftModifier || event->modifiers() == Qt::NoModifier);
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Minus:
    case Qt::Key_0:
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
    case Qt::Key_L:
        Q_EMIT PageKey(event->key(), event->modifiers());
        event->accept();
        return;
    default:
        if (shiftArrow) {
            Q_EMIT PageKey(event->key(), event->modifiers());
            event->accept();
            return;
        }
    }
    QSlider::keyPressEvent(event);
}

void SelectionSlider::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);

    // The groove is drawn as if the thumb were at the start: some styles fill it up to the thumb,
    // which would hide the selection.
    QStyleOptionSlider groove = option;
    groove.subControls = QStyle::SC_SliderGroove;
    groove.sliderPosition = groove.minimum;
    groove.sliderValue = groove.minimum;
    style()->drawComplexControl(QStyle::CC_Slider, &groove, &painter, this);
    if (HasSelection() && maximum() > minimum()) {
        const QRect grooveArea = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        const int span = grooveArea.width() - handle.width();
        const int left = grooveArea.x() + handle.width() / 2
            + QStyle::sliderPositionFromValue(minimum(), maximum(), selectionStart_, span, option.upsideDown);
        const int right = grooveArea.x() + handle.width() / 2
            + QStyle::sliderPositionFromValue(minimum(), maximum(), selectionEnd_, span, option.upsideDown);
        const int height = std::clamp(grooveArea.height() - 2, 4, 8);
        const QRect band(left, grooveArea.center().y() - height / 2, std::max(2, right - left), height);
        painter.fillRect(band, palette().color(isEnabled() ? QPalette::Highlight : QPalette::Mid));
    }
    option.subControls = QStyle::SC_SliderHandle;
    if (isSliderDown())
        option.activeSubControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}
