#include "PickerFilter.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>

void PickerFilter::apply(QSortFilterProxyModel* proxy, QTableView* view, const QString& pattern)
{
    QString expression = QStringLiteral("(?=.*") + pattern + QStringLiteral(")");
    expression.replace(QLatin1Char(' '), QStringLiteral(")(?=.*"));
    const QRegularExpression regularExpression(expression, QRegularExpression::CaseInsensitiveOption);
    if (regularExpression.isValid()) {
        proxy->setFilterRegularExpression(regularExpression);
        if (proxy->rowCount() > 0 && !view->currentIndex().isValid())
            view->setCurrentIndex(proxy->index(0, 0));
    } else {
        proxy->setFilterRegularExpression(QRegularExpression(QString(42, QLatin1Char('x'))));
    }
}

bool PickerFilter::handleFilterLineEvent(QLineEdit* filter, QTableView* view, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        int step = 0;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
            step = -1;
            break;
        case Qt::Key_Down:
            step = 1;
            break;
        case Qt::Key_PageUp:
            step = -5;
            break;
        case Qt::Key_PageDown:
            step = 5;
            break;
        default:
            return false;
        }
        const QModelIndex current = view->currentIndex();
        QAbstractItemModel* model = view->model();
        if (current.isValid() && model) {
            const int row = qBound(0, current.row() + step, model->rowCount() - 1);
            const QModelIndex next = model->index(row, current.column());
            if (next.isValid())
                view->setCurrentIndex(next);
        }
        return true;
    }
    if (event->type() == QEvent::FocusIn && static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason)
        filter->selectAll();
    return false;
}
