#pragma once

#include <QTabWidget>

class QPoint;

// A tab widget whose pages carry an access key (dynamic property "acmKey"), by
// which the settings access control locks and unlocks them. It lives here,
// below the main window's layer, because the dyno settings registry builds
// its pages into it. Pages added with the plain addTab are never disabled.
class ACMTabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit ACMTabWidget(QWidget* parent = nullptr);

    // Adds the page as a tab and gives it the key; the tab's index.
    int addACMTab(QWidget* page, const QString& title, const QString& key);

    // What the tab's context menu offers ("Protect" or "Unprotect"), empty
    // for a page without a key; and that choice carried out.
    QString protectionChoice(int index) const;
    void toggleProtection(int index);

public Q_SLOTS:
    // Protected pages get the error icon and are disabled.
    void slot_manufacturerModeEnabled();
    // Every page enabled; from now on a tab's context menu protects or unprotects it.
    void slot_unlock();
    void slot_tabContextMenu(const QPoint& pos);

private:
    QString keyOfTab(int index) const;
};
