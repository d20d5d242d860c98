#include "ui/widgets/PropertyPage.h"

#include "ui/widgets/WindowHelpers.h"

#include <QResizeEvent>

PropertyPage::PropertyPage(const QString& title, QWidget* parent)
    : QWidget(parent)
    , title_(title)
{
    setMinimumSize(PageSize());
    resize(PageSize());
}

QSize PropertyPage::PageSize() { return { DialogUnitsX(441), DialogUnitsY(303) }; }

void PropertyPage::showEvent(QShowEvent* event)
{
    if (!initialised_) {
        initialised_ = true;
        pageFont_ = CreatePageFont();
        ApplyFontToChildren(this, pageFont_);
        OnInitDialog();
    }
    QWidget::showEvent(event);
}

void PropertyPage::resizeEvent(QResizeEvent* event)
{
    anchors_.Apply(event->size() - PageSize());
    QWidget::resizeEvent(event);
}
