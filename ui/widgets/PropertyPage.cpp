#include "ui/widgets/PropertyPage.h"

#include "ui/widgets/WindowHelpers.h"

PropertyPage::PropertyPage(const QString& title, QWidget* parent)
    : QWidget(parent)
    , title_(title)
{
    setFixedSize(PageSize());
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
