#pragma once

#include <QTabWidget>

// A tab widget whose pages carry an access key (dynamic property "acmKey"), by
// which the settings access control locks and unlocks them. It lives here,
// below the main window's layer, because the dyno settings registry builds
// its pages into it.
class ACMTabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit ACMTabWidget(QWidget* parent = nullptr);

    // Adds the page as a tab and gives it the key; the tab's index.
    int addACMTab(QWidget* page, const QString& title, const QString& key);
};
