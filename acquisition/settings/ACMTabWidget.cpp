#include "ACMTabWidget.h"

#include <QVariant>

ACMTabWidget::ACMTabWidget(QWidget* parent)
    : QTabWidget(parent)
{
}

int ACMTabWidget::addACMTab(QWidget* page, const QString& title, const QString& key)
{
    page->setProperty("acmKey", key);
    return addTab(page, title);
}
