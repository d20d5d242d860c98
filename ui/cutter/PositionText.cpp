#include "ui/cutter/PositionText.h"

#include <QStringList>
#include <limits>

std::optional<int32_t> ParsePositionText(const QString& text)
{
    const QStringList fields = text.trimmed().split(':');
    if (fields.size() > 3)
        return std::nullopt;
    // Whole hours and minutes before the seconds; the seconds may carry decimals.
    int64_t wholeMinutes = 0;
    for (qsizetype i = 0; i + 1 < fields.size(); ++i) {
        const QString& field = fields[i];
        if (field.isEmpty() || field.size() > 9)
            return std::nullopt;
        for (const QChar c : field)
            if (!c.isDigit())
                return std::nullopt;
        const int64_t value = field.toLongLong();
        // Minutes after hours are below 60, as the page writes them.
        if (i > 0 && value >= 60)
            return std::nullopt;
        wholeMinutes = wholeMinutes * 60 + value;
    }
    const QString& secondsText = fields.back();
    const qsizetype point = secondsText.indexOf('.');
    const QString whole = point < 0 ? secondsText : secondsText.left(point);
    const QString decimals = point < 0 ? QString() : secondsText.mid(point + 1);
    if (whole.isEmpty() || whole.size() > 9 || (point >= 0 && decimals.isEmpty()) || decimals.size() > 9)
        return std::nullopt;
    for (const QString& part : { whole, decimals })
        for (const QChar c : part)
            if (!c.isDigit())
                return std::nullopt;
    const int64_t seconds = whole.toLongLong();
    if (fields.size() > 1 && seconds >= 60)
        return std::nullopt;
    // Tenths, rounded half up by the second decimal.
    int64_t tenths = (wholeMinutes * 60 + seconds) * 10;
    if (!decimals.isEmpty())
        tenths += decimals[0].digitValue() + (decimals.size() > 1 && decimals[1].digitValue() >= 5 ? 1 : 0);
    if (tenths > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(tenths);
}
