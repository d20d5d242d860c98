#include "ui/CPropertyPage.h"

#include "ui/WindowHelpers.h"

CPropertyPage::CPropertyPage(const QString& title, QWidget* parent)
    : QWidget(parent)
    , title_(title)
{
    setFixedSize(PageSize());
}

QSize CPropertyPage::PageSize() { return { DialogUnitsX(441), DialogUnitsY(303) }; }

void CPropertyPage::showEvent(QShowEvent* event)
{
    if (!initialised_) {
        initialised_ = true;
        pageFont_ = CreatePageFont();
        ApplyFontToChildren(this, pageFont_);
        OnInitDialog();
    }
    QWidget::showEvent(event);
}
