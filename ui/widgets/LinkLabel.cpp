#include "ui/widgets/LinkLabel.h"

#include "platform/desktop/ShellOpen.h"
#include "ui/widgets/MessageBox.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

LinkLabel::LinkLabel(const QString& text, QWidget* parent, const std::string& target)
    : QLabel(text, parent)
    , target_(target)
{
    if (target_.empty())
        target_ = text.toStdString();
    if (text.isEmpty())
        setText(QString::fromStdString(target_));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    setToolTip(QString::fromStdString(target_));
    hoverTimer_.setInterval(100);
    connect(&hoverTimer_, &QTimer::timeout, this, &LinkLabel::CheckMouseLeft);
}

void LinkLabel::SetUrl(const std::string& target)
{
    target_ = target;
    FitToText();
    setToolTip(QString::fromStdString(target_));
}

void LinkLabel::SetUnderlineMode(int mode)
{
    if (mode == underlineMode_)
        return;
    underlineMode_ = mode;
    update();
}

QFont LinkLabel::UnderlineFont() const
{
    QFont underlined = font();
    underlined.setUnderline(true);
    return underlined;
}

void LinkLabel::FitToText()
{
    if (!fitToText_)
        return;
    const QFontMetrics metrics(UnderlineFont());
    const QSize textSize = metrics.size(Qt::TextSingleLine, text());
    const int frame = 2 * frameWidth();
    const int width = textSize.width() + frame;
    const int height = textSize.height() + frame;
    QRect area = geometry();
    if (alignment() & Qt::AlignVCenter) {
        const int centre = area.center().y();
        area.setTop(centre - height / 2);
    }
    area.setHeight(height);
    if (alignment() & Qt::AlignHCenter) {
        const int centre = area.left() + area.width() / 2;
        area.setLeft(centre - width / 2);
        area.setWidth(width);
    } else if (alignment() & Qt::AlignRight) {
        const int right = area.left() + area.width();
        area.setLeft(right - width);
        area.setWidth(width);
    } else {
        area.setWidth(width);
    }
    setGeometry(area);
}

QColor LinkLabel::TextColor() const
{
    if (hovering_)
        return hoverColor;
    return visited_ ? visitedColor : linkColor;
}

bool LinkLabel::IsUnderlined() const
{
    return underlineMode_ == kUnderlineAlways || (underlineMode_ == kUnderlineWhileHovering && hovering_);
}

void LinkLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(IsUnderlined() ? UnderlineFont() : font());
    painter.setPen(TextColor());
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void LinkLabel::StartHover()
{
    if (hovering_)
        return;
    hovering_ = true;
    update();
    hoverTimer_.start();
}

void LinkLabel::EndHover()
{
    if (!hovering_)
        return;
    hovering_ = false;
    hoverTimer_.stop();
    update();
}

void LinkLabel::CheckMouseLeft()
{
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        EndHover();
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    StartHover();
    QLabel::mouseMoveEvent(event);
}

void LinkLabel::enterEvent(QEnterEvent* event)
{
    StartHover();
    QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event)
{
    EndHover();
    QLabel::leaveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Open();
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Open();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::Open()
{
    EndHover();
    const int result = ShellOpen(target_);
    if (result > 32) {
        visited_ = true;
        update();
        return;
    }
    QApplication::beep();
    ReportOpenError(result);
}

QString LinkLabel::OpenErrorText(int code)
{
    switch (code) {
    case 0:
        return "The operating system is out\nof memory or resources.";
    case 2:
        return "The specified file was not found.";
    case 3:
        return "The specified path was not found.";
    case 5:
        return "The operating system denied\naccess to the specified file.";
    case 8:
        return "There was not enough memory to complete the operation.";
    case 11:
        return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26:
        return "A sharing violation occurred. ";
    case 27:
        return "The filename association is\nincomplete or invalid.";
    case 28:
        return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29:
        return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31:
        return "There is no application associated\nwith the given filename extension.";
    case 32:
        return "The specified dynamic-link library was not found.";
    default:
        return QString("Unknown Error (%1) occurred.").arg(code);
    }
}

void LinkLabel::ReportOpenError(int code)
{
    ShowMessageBox(window(), "Unable to open hyperlink:\n\n" + OpenErrorText(code), MessageIcon::Exclamation);
}
