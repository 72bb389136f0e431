#pragma once

#include "AbstractMdiWidget.h"

#include <QStringList>

class LoadedRunListModel;
class MyMenu;
class QFrame;
class QItemSelectionModel;
class QTimer;
class QVBoxLayout;

// Base of every analysis widget: bound to the loaded-run list, rebuilt by a
// queued recalculation that runs only while the widget is visible, and
// addressed by report tags through its print id (unique per type across the
// ANALYZE desktops when the desktop assigns it). The setup element carries
// "printId"; everything else in it belongs to the subclass.
class AbstractAMdiWidget : public AbstractMdiWidget
{
    Q_OBJECT
public:
    explicit AbstractAMdiWidget(AbstractMdi* desktop);

    virtual void recalculate() = 0;
    virtual void init(LoadedRunListModel* runs, QItemSelectionModel* selection);
    virtual QStringList listChannelKeys() = 0;
    virtual void parseDomElementChild(const QDomElement* setup) = 0;
    virtual void writeToDomElementChild(QDomElement* setup) = 0;

    void parseDomElement(const QDomElement* setup) override;
    void writeToDomElement(QDomElement* setup) override;
    void addPrintIdChangeAction(MyMenu* menu);
    // Asks for a recalculation: one at the next pass of the event loop,
    // however often it was asked, or when the widget is next shown.
    void slot_queueRecalculation();
    void slot_maybeRecalculate();

    int printId = 0;
    bool recalculationPending = false;
    // Recalculations run so far, and whether the widget was painted since the
    // last one: what shows that queued requests cost one pass, before the paint.
    int recalculationCount = 0;
    bool paintedSinceRecalculation = false;
    QTimer* recalculationTimer = nullptr;
    QFrame* contentFrame = nullptr;
    QVBoxLayout* contentLayout = nullptr;

public Q_SLOTS:
    void slot_changePrintId();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runRecalculation();
};
