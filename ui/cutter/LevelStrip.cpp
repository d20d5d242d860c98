#include "ui/cutter/LevelStrip.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kRulerHeight = 14;
constexpr int kMarkerGrip = 4; // pixels either side of a marker that pick it up
constexpr double kWheelZoom = 1.25; // per notch of the wheel

// A tick step for the ruler, in ms: the smallest of 1-2-5 steps that leaves room for labels.
double TickStep(double msPerPixel)
{
    const double wanted = msPerPixel * 70;
    for (double step = 10;; step *= 10) {
        for (const double m : { 1.0, 2.0, 5.0 })
            if (step * m >= wanted)
                return step * m;
    }
}

QString RulerText(double ms, double step)
{
    const auto total = static_cast<int64_t>(std::llround(ms));
    const int64_t minutes = total / 60000;
    const double seconds = static_cast<double>(total % 60000) / 1000.0;
    const int decimals = step >= 1000 ? 0 : step >= 100 ? 1 : 2;
    return QString("%1:%2").arg(minutes).arg(seconds, decimals == 0 ? 2 : 3 + decimals, 'f', decimals, QChar('0'));
}

} // namespace

LevelStrip::LevelStrip(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
}

void LevelStrip::SetSource(int32_t durationTenths, int sampleRate, int samplesPerFrame)
{
    levels_.clear();
    duration_ = std::max(0, durationTenths);
    durationMs_ = duration_ * 100.0;
    frameMs_ = sampleRate > 0 ? 1000.0 * samplesPerFrame / sampleRate : 26.12;
    positionMs_ = 0;
    selectionStart_ = selectionEnd_ = 0;
    boundaries_.clear();
    dragging_ = -1;
    ShowWholeFile();
}

void LevelStrip::Clear() { SetSource(0, 0, 0); }

void LevelStrip::SetLevels(std::vector<float> levels)
{
    levels_ = std::move(levels);
    update();
}

void LevelStrip::SetPosition(int32_t tenths)
{
    // A finer position inside that tenth (a nudge, a dragged marker) stays where it is.
    if (std::llround(positionMs_ / 100.0) != tenths)
        SetPositionMs(tenths * 100.0);
}

void LevelStrip::SetPositionMs(double ms)
{
    positionMs_ = ms;
    KeepPositionInView();
    update();
}

void LevelStrip::SetSelection(int32_t start, int32_t end) { SetSelectionMs(start * 100.0, end * 100.0); }

void LevelStrip::SetSelectionMs(double start, double end)
{
    selectionStart_ = start;
    selectionEnd_ = end;
    update();
}

void LevelStrip::SetBoundaries(std::vector<double> boundaries)
{
    boundaries_ = std::move(boundaries);
    update();
}

double LevelStrip::MinimumSpanMs() const { return std::min(std::max(durationMs_, 1.0), 8 * frameMs_); }

void LevelStrip::SetView(double start, double end)
{
    const double span = std::clamp(end - start, MinimumSpanMs(), std::max(durationMs_, MinimumSpanMs()));
    start = std::clamp(start, 0.0, std::max(0.0, durationMs_ - span));
    viewStart_ = start;
    viewEnd_ = start + span;
    update();
}

void LevelStrip::ZoomAround(double factor, double x)
{
    const double anchor = MsAtPixel(x);
    const double span = (viewEnd_ - viewStart_) / factor;
    const double share = width() > 0 ? std::clamp(x / width(), 0.0, 1.0) : 0.5;
    SetView(anchor - share * span, anchor - share * span + span);
}

void LevelStrip::ZoomAroundPosition(double factor)
{
    const double x = PixelOfMs(positionMs_);
    ZoomAround(factor, x >= 0 && x <= width() ? x : width() / 2.0);
    KeepPositionInView();
}

void LevelStrip::ShowWholeFile() { SetView(0, std::max(durationMs_, MinimumSpanMs())); }

void LevelStrip::ScrollBy(double share)
{
    const double shift = share * (viewEnd_ - viewStart_);
    SetView(viewStart_ + shift, viewEnd_ + shift);
}

void LevelStrip::KeepPositionInView()
{
    const double at = positionMs_;
    const double span = viewEnd_ - viewStart_;
    if (at < viewStart_ || at > viewEnd_)
        SetView(at - span / 2, at + span / 2);
}

double LevelStrip::PixelOfMs(double ms) const
{
    const double span = viewEnd_ - viewStart_;
    return span > 0 ? (ms - viewStart_) / span * width() : 0.0;
}

double LevelStrip::MsAtPixel(double x) const
{
    const double span = viewEnd_ - viewStart_;
    return width() > 0 ? viewStart_ + x / width() * span : viewStart_;
}

double LevelStrip::MsInFileAtPixel(double x) const { return std::clamp(MsAtPixel(x), 0.0, durationMs_); }

int LevelStrip::MarkerNear(double x) const
{
    int nearest = -1;
    double best = kMarkerGrip + 1;
    for (size_t i = 0; i < boundaries_.size(); ++i) {
        const double distance = std::abs(PixelOfMs(boundaries_[i]) - x);
        if (distance <= kMarkerGrip && distance < best) {
            best = distance;
            nearest = static_cast<int>(i);
        }
    }
    return nearest;
}

void LevelStrip::PaintRuler(QPainter& painter, const QRect& area) const
{
    painter.fillRect(area, palette().window());
    painter.setPen(palette().windowText().color());
    const double msPerPixel = width() > 0 ? (viewEnd_ - viewStart_) / width() : 1.0;
    const double step = TickStep(msPerPixel);
    const double minor = step / 5;
    for (double t = std::floor(viewStart_ / minor) * minor; t <= viewEnd_; t += minor) {
        const int x = static_cast<int>(std::lround(PixelOfMs(t)));
        const bool major = std::fmod(std::round(t / minor), 5.0) == 0.0;
        painter.drawLine(x, area.bottom(), x, area.bottom() - (major ? 5 : 2));
        // A label the right edge would cut is left out: its tick says enough.
        const QString label = major ? RulerText(t, step) : QString();
        if (major && x + 2 + painter.fontMetrics().horizontalAdvance(label) <= area.right())
            painter.drawText(
                QRect(x + 2, area.top(), 80, area.height() - 3), Qt::AlignLeft | Qt::AlignVCenter, label);
    }
    painter.drawLine(area.left(), area.bottom(), area.right(), area.bottom());
}

double LevelStrip::EnvelopeShare(double db)
{
    return std::clamp((db - kFloorDb) / (kTopDb - kFloorDb), 0.0, 1.0);
}

void LevelStrip::PaintEnvelope(QPainter& painter, const QRect& body) const
{
    // Per column the loudest window under it, mirrored about the middle. Anything above the floor
    // is at least a pixel either side, so a faint passage never looks like silence.
    const double middle = body.top() + body.height() / 2.0;
    const double half = body.height() / 2.0 - 1;
    QPainterPath upper;
    std::vector<QPointF> lower;
    for (int x = 0; x < width(); ++x) {
        const double from = MsAtPixel(x) / kLevelWindowMs;
        const double to = MsAtPixel(x + 1) / kLevelWindowMs;
        auto first = static_cast<size_t>(std::max(0.0, std::floor(from)));
        auto last = static_cast<size_t>(std::max(0.0, std::ceil(to)));
        last = std::min(std::max(last, first + 1), levels_.size());
        double db = kFloorDb;
        for (size_t k = first; k < last; ++k)
            db = std::max<double>(db, levels_[k]);
        double extent = EnvelopeShare(db) * half;
        if (db > kFloorDb)
            extent = std::max(extent, 1.0);
        const QPointF top(x, middle - extent);
        if (x == 0)
            upper.moveTo(top);
        else
            upper.lineTo(top);
        lower.emplace_back(x, middle + extent);
    }
    for (auto it = lower.rbegin(); it != lower.rend(); ++it)
        upper.lineTo(*it);
    upper.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillPath(upper, QColor(110, 200, 130));
}

void LevelStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    const QRect ruler(0, 0, width(), kRulerHeight);
    const QRect body(0, kRulerHeight, width(), height() - kRulerHeight);
    painter.fillRect(body, QColor(24, 28, 36));
    if (duration_ <= 0) {
        PaintRuler(painter, ruler);
        return;
    }

    // The selected piece.
    if (selectionEnd_ > selectionStart_) {
        const double left = std::max(0.0, PixelOfMs(selectionStart_));
        const double right = std::min<double>(width(), PixelOfMs(selectionEnd_));
        if (right > left)
            painter.fillRect(QRectF(left, body.top(), right - left, body.height()), QColor(60, 90, 150));
    }

    if (!levels_.empty()) {
        PaintEnvelope(painter, body);
    } else {
        painter.setPen(QColor(150, 150, 150));
        painter.drawText(body, Qt::AlignCenter, tr("Reading levels..."));
    }

    // Boundaries and the position.
    painter.setPen(QPen(QColor(255, 210, 80), 1));
    for (size_t i = 0; i < boundaries_.size(); ++i) {
        const double at = static_cast<int>(i) == dragging_ ? dragTo_ : boundaries_[i];
        const double x = std::round(PixelOfMs(at));
        if (x < -kMarkerGrip || x > width() + kMarkerGrip)
            continue;
        painter.drawLine(QPointF(x, body.top()), QPointF(x, body.bottom()));
        const QPointF grip[] = { { x - 4, double(body.top()) }, { x + 4, double(body.top()) }, { x, body.top() + 6.0 } };
        painter.setBrush(QColor(255, 210, 80));
        painter.drawPolygon(grip, 3);
    }
    const double p = std::round(PixelOfMs(positionMs_));
    painter.setPen(QPen(QColor(255, 80, 80), 1));
    painter.drawLine(QPointF(p, body.top()), QPointF(p, body.bottom()));
    PaintRuler(painter, ruler);
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void LevelStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || duration_ <= 0 || !isEnabled())
        return QWidget::mousePressEvent(event);
    const double x = event->position().x();
    dragging_ = MarkerNear(x);
    if (dragging_ >= 0) {
        dragFromX_ = x;
        dragTo_ = boundaries_[static_cast<size_t>(dragging_)];
        return;
    }
    Q_EMIT PositionClicked(MsInFileAtPixel(x));
}

void LevelStrip::mouseMoveEvent(QMouseEvent* event)
{
    const double x = event->position().x();
    if (dragging_ >= 0) {
        dragTo_ = x == dragFromX_ ? boundaries_[static_cast<size_t>(dragging_)] : MsInFileAtPixel(x);
        update();
        return;
    }
    setCursor(MarkerNear(x) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void LevelStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (dragging_ < 0 || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const int index = dragging_;
    const double x = event->position().x();
    dragging_ = -1;
    update();
    // The boundary goes exactly to the time under the pointer, not to the pixel's nearest tenth.
    if (x != dragFromX_)
        Q_EMIT BoundaryDragged(index, MsInFileAtPixel(x));
}

void LevelStrip::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 || duration_ <= 0)
        return QWidget::wheelEvent(event);
    if (event->modifiers() & Qt::ControlModifier)
        ZoomAround(std::pow(kWheelZoom, notches), event->position().x());
    else
        ScrollBy(-0.1 * notches);
    event->accept();
}

void LevelStrip::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomAroundPosition(2.0);
        return;
    case Qt::Key_Minus:
        ZoomAroundPosition(0.5);
        return;
    case Qt::Key_0:
        ShowWholeFile();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
