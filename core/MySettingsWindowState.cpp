// The main window's place, size and tab from one start to the next, the
// closing saves, and the printer choices of reports.

#include "MySettings.h"

#include "PathSaver.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>

namespace {

std::function<int()>& activeProjectIdProvider()
{
    static std::function<int()> provider;
    return provider;
}

std::function<QString()>& printNameProvider()
{
    static std::function<QString()> provider;
    return provider;
}

// The widgets that the window state reads, found by their object names so that
// the store needs nothing of the main window but its QMainWindow.
QTabWidget* mainTabWidget(QMainWindow* window)
{
    return window->findChild<QTabWidget*>(QStringLiteral("tabWidget_main"));
}

void removeClosedDesktops(const QDir& folder)
{
    const QStringList files = folder.entryList(QStringList{QStringLiteral("*.xml")}, QDir::Files | QDir::Hidden);
    for (const QString& file : files)
        QFile::remove(folder.filePath(file));
}

} // namespace

void MySettings::setActiveProjectIdProvider(std::function<int()> provider)
{
    activeProjectIdProvider() = std::move(provider);
}

void MySettings::setPrintNameProvider(std::function<QString()> provider)
{
    printNameProvider() = std::move(provider);
}

void MySettings::initUI(QMainWindow* window)
{
    QPoint pos = value(QStringLiteral("UISettings/windowPosition")).toPoint();

    QScreen* screen = QGuiApplication::screenAt(pos);
    if (!screen) {
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (screens.isEmpty())
            qFatal("No screen available");
        screen = screens.first();
    }
    const QRect area = screen->availableGeometry();

    // Stored as 1 or 0; anything that is no number reads as not maximised.
    if (value(QStringLiteral("UISettings/windowFullscreen")).toInt() != 0) {
        window->showMaximized();
    } else {
        const QSize size = value(QStringLiteral("UISettings/windowSize")).toSize();
        if (size.isValid())
            window->resize(size.boundedTo(area.size()));
    }

    const int w = window->width();
    const int h = window->height();
    if (pos.x() + w > area.right())
        pos.setX(area.right() - w);
    if (pos.y() + h > area.bottom())
        pos.setY(area.bottom() - h);
    if (pos.x() < 0)
        pos.setX(0);
    if (pos.y() < area.top())
        pos.setY(2 * area.top());
    window->move(pos);

    if (QTabWidget* tabs = mainTabWidget(window)) {
        // The pages react to tab changes; this restore must not run them yet.
        const QSignalBlocker blocker(tabs);
        const auto* projectsFirst =
            window->findChild<QCheckBox*>(QStringLiteral("checkBox_settings_alwaysStartInProjectsTab"));
        if (projectsFirst && projectsFirst->isChecked())
            tabs->setCurrentIndex(0);
        else
            tabs->setCurrentIndex(value(QStringLiteral("UISettings/tabMain")).toInt());
    }

    setValue(QStringLiteral("appVersion"), version.versionText);
    qDebug() << "App version" << version.versionText;
}

void MySettings::closingProcedure(QMainWindow* window)
{
    setValue(QStringLiteral("saveDate"),
             QDateTime::currentDateTime().toString(QStringLiteral("yy-MM-dd hh:mm:ss")));
    setValue(QStringLiteral("UISettings/windowPosition"), window->pos());
    setValue(QStringLiteral("UISettings/windowSize"), window->size());
    setValue(QStringLiteral("UISettings/windowFullscreen"), window->isMaximized() ? 1 : 0);
    if (QTabWidget* tabs = mainTabWidget(window))
        setValue(QStringLiteral("UISettings/tabMain"), tabs->currentIndex());
    setValue(QStringLiteral("UISettings/lastProjectId"),
             activeProjectIdProvider() ? activeProjectIdProvider()() : -1);
    sync();
    removeClosedDesktops(closedDesktopsDir);
    removeClosedDesktops(closedDesktopsAnalyzeDir);
}

void MySettings::getPrinterSettings(QPrinter& printer)
{
    QString baseName = printNameProvider() ? printNameProvider()() : QString();
    if (baseName.isEmpty())
        baseName = QStringLiteral("print");

    printer.setFullPage(true);
    printer.setOutputFormat(QPrinter::PdfFormat);
    // Only the two modes and orientations exist; another stored number must
    // not reach the printer as an undefined enumerator.
    if (contains(QStringLiteral("Printer/ColorMode")))
        printer.setColorMode(value(QStringLiteral("Printer/ColorMode")).toInt() == QPrinter::Color
                                 ? QPrinter::Color
                                 : QPrinter::GrayScale);
    if (contains(QStringLiteral("Printer/Orientation")))
        printer.setPageOrientation(value(QStringLiteral("Printer/Orientation")).toInt() == QPageLayout::Landscape
                                       ? QPageLayout::Landscape
                                       : QPageLayout::Portrait);

    QPageLayout layout = printer.pageLayout();
    layout.setMode(QPageLayout::FullPageMode);
    layout.setMinimumMargins(QMarginsF(0, 0, 0, 0));
    if (contains(QStringLiteral("Printer/Margins"))) {
        layout.setUnits(QPageLayout::Millimeter);
        layout.setMargins(value(QStringLiteral("Printer/Margins")).value<QMarginsF>());
    }
    if (contains(QStringLiteral("Printer/PageSize"))) {
        const QSizeF size = value(QStringLiteral("Printer/PageSize")).toSizeF();
        layout.setPageSize(QPageSize(size, QPageSize::Millimeter), QMarginsF(0, 0, 0, 0));
    }
    printer.setPageLayout(layout);

    printer.setOutputFileName(thePathSaver.getPath(Path::savePdf) + QLatin1Char('/') + baseName
                              + QStringLiteral(".pdf"));
}

void MySettings::savePrinterSettings(const QPrinter& printer)
{
    const QPageLayout layout = printer.pageLayout();
    setValue(QStringLiteral("Printer/PageSize"), layout.pageSize().size(QPageSize::Millimeter));
    setValue(QStringLiteral("Printer/ColorMode"), static_cast<int>(printer.colorMode()));
    setValue(QStringLiteral("Printer/Orientation"), static_cast<int>(layout.orientation()));
    setValue(QStringLiteral("Printer/Margins"), QVariant::fromValue(layout.margins(QPageLayout::Millimeter)));
    // Only a file that exists names a folder worth remembering: a physical
    // printer has no output file, and a failed print wrote none.
    const QString output = printer.outputFileName();
    if (!output.isEmpty() && QFileInfo::exists(output))
        thePathSaver.savePath(Path::savePdf, output);
}
