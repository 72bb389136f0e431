#include "PathSaver.h"

#include "MySettings.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

PathSaver thePathSaver;

namespace {

struct PurposeRow {
    Path path;
    const char* name;
    const char* defaultFolder;
};

const PurposeRow kPurposes[] = {
    {Path::openRun, "openRun", ".zembo/runs"},
    {Path::openMidi, "openMidi", "Desktop"},
    {Path::openXml, "openXml", "Desktop"},
    {Path::openCanx, "openCanx", "Desktop"},
    {Path::openDbc, "openDbc", "Desktop"},
    {Path::openTrace, "openTrace", "Desktop"},
    {Path::openBin, "openBin", "Desktop"},
    {Path::openBranding, "openBranding", "Desktop"},
    {Path::openImage, "openImage", "Desktop"},
    {Path::openDriveCycle, "openDriveCycle", "Desktop"},
    {Path::openPointVectorCsv, "openPointVectorCsv", "Desktop"},
    {Path::openVectorCsv, "openVectorCsv", "Desktop"},
    {Path::saveCsv, "saveCsv", ".zembo/saved"},
    {Path::saveImage, "saveImage", ".zembo/saved"},
    {Path::saveVideoFrame, "saveVideoFrame", "Desktop"},
    {Path::saveAudio, "saveAudio", "Desktop"},
    {Path::savePdf, "savePdf", ".zembo/saved"},
    {Path::saveXml, "saveXml", ".zembo/saved"},
    {Path::saveBin, "saveBin", "Desktop"},
    {Path::savePointVectorCsv, "savePointVectorCsv", "Desktop"},
    {Path::saveTxt, "saveTxt", "Desktop"},
    {Path::saveDbc, "saveDbc", "Desktop"},
};

QString settingsKey(const PathDescriptor& descriptor)
{
    return QStringLiteral("path/") + descriptor.name;
}

} // namespace

PathSaver::PathSaver()
{
    for (const PurposeRow& row : kPurposes)
        registerPath(row.path, QString::fromLatin1(row.name), QString::fromLatin1(row.defaultFolder));
}

void PathSaver::registerPath(Path path, const QString& name, const QString& defaultFolder)
{
    paths.insert(path, PathDescriptor{name, QDir::home().absolutePath() + QLatin1Char('/') + defaultFolder});
}

QString PathSaver::getPath(Path path) const
{
    const PathDescriptor descriptor = paths.value(path);
    return theSettings.value(settingsKey(descriptor), descriptor.defaultFolder).toString();
}

void PathSaver::savePath(Path path, const QString& file)
{
    theSettings.setValue(settingsKey(paths.value(path)), QFileInfo(file).absolutePath());
}

QString PathSaver::getPathFilter(Path path) const
{
    switch (path) {
    case Path::openRun:
        return tr("Run files") + QStringLiteral(" (*.h5)");
    case Path::openMidi:
        return tr("MIDI files") + QStringLiteral(" (*.mid)");
    case Path::openXml:
    case Path::saveXml:
        return tr("XML files") + QStringLiteral(" (*.xml)");
    case Path::openCanx:
        return tr("CANX files") + QStringLiteral(" (*.canx)");
    case Path::openDbc:
    case Path::saveDbc:
        return tr("DBC files") + QStringLiteral(" (*.dbc)");
    case Path::openTrace:
        return tr("Trace files") + QStringLiteral(" (*.trace)");
    case Path::openBin:
    case Path::saveBin:
        return tr("BIN files") + QStringLiteral(" (*.bin)");
    case Path::openBranding:
        return tr("Images") + QStringLiteral(" (*.bmp *.gif *.jpg *.jpeg *.png)");
    case Path::openImage:
    case Path::saveImage:
    case Path::saveVideoFrame:
        return tr("Images") + QStringLiteral(" (*.bmp *.jpg *.jpeg *.png)");
    case Path::openDriveCycle:
        return tr("Drive cycles") + QStringLiteral(" (*.txt)");
    case Path::openPointVectorCsv:
    case Path::openVectorCsv:
    case Path::saveCsv:
    case Path::savePointVectorCsv:
        return tr("CSV Files") + QStringLiteral(" (*.csv)");
    case Path::saveAudio:
        return tr("Audio") + QStringLiteral(" (*.wav)");
    case Path::savePdf:
        return tr("PDF files") + QStringLiteral(" (*.pdf)");
    case Path::saveTxt:
        return tr("TXT files") + QStringLiteral(" (*.txt)");
    }
    qFatal("Unhandled new path");
}

QString PathSaver::proposeUniqueName(const QString& folder, const QString& proposedName)
{
    const QFileInfo proposed(proposedName);
    const QString suffix = proposed.suffix();
    const QString base = proposed.fileName().section(QLatin1Char('.'), 0, 0);
    const QString pattern = suffix.isEmpty() ? QStringLiteral("*") : QStringLiteral("*.") + suffix;
    const QStringList entries = QDir(folder).entryList(
        QStringList{pattern}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QList<QString> taken;
    taken.reserve(entries.size());
    for (const QString& entry : entries)
        taken.append(suffix.isEmpty() ? entry : entry.left(entry.size() - suffix.size() - 1));
    const QString unique = Tools::generateUniqueName(taken, base);
    return suffix.isEmpty() ? unique : unique + QLatin1Char('.') + suffix;
}

void PathSaver::createDefaultFolder(Path path) const
{
    // Only the folder of first use: a remembered folder that is gone (a removed
    // memory stick) must not be created again on the board's own storage.
    const PathDescriptor descriptor = paths.value(path);
    if (descriptor.defaultFolder.isEmpty() || theSettings.contains(settingsKey(descriptor)))
        return;
    QDir().mkpath(descriptor.defaultFolder);
}

QString PathSaver::askSaveFileName(Path path, const QString& caption, const QString& proposedName, bool remember)
{
    createDefaultFolder(path);
    const QString folder = getPath(path);
    QFileDialog dialog(nullptr, caption, folder, getPathFilter(path));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowFlags(Qt::Dialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(folder + QLatin1Char('/') + proposeUniqueName(folder, proposedName));
    const QStringList files = DialogAnswerer::execFileDialog(&dialog);
    if (files.isEmpty())
        return QString();
    if (remember)
        savePath(path, files.first());
    return files.first();
}

QStringList PathSaver::askOpenFileNames(Path path, const QString& caption, bool several)
{
    QFileDialog dialog(nullptr, caption, getPath(path), getPathFilter(path));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowFlags(Qt::Dialog);
    dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    const QStringList files = DialogAnswerer::execFileDialog(&dialog);
    if (!files.isEmpty())
        savePath(path, files.first());
    return files;
}

QString PathSaver::getSaveFileName(Path path, const QString& caption, const QString& proposedName)
{
    return askSaveFileName(path, caption, proposedName, true);
}

QString PathSaver::getOpenFileName(Path path, const QString& caption)
{
    return askOpenFileNames(path, caption, false).value(0);
}

QList<QString> PathSaver::getOpenFileNames(Path path, const QString& caption)
{
    return askOpenFileNames(path, caption, true);
}

void PathSaver::savePrint(QWidget* widget, QString name)
{
    if (name.isEmpty())
        name = QStringLiteral("print");
    createDefaultFolder(Path::savePdf);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(getPath(Path::savePdf) + QLatin1Char('/') + name + QStringLiteral(".pdf"));
    printer.setColorMode(QPrinter::Color);
    printer.setPageSize(QPageSize(QPageSize::A2));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setResolution(150);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPrinterName(QString());

    QPrintDialog dialog(&printer, widget);
    dialog.setWindowTitle(tr("Print Document"));
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return;

    const QString target = printer.outputFileName();
    const QString shownTarget = target.isEmpty() ? printer.printerName() : QDir::toNativeSeparators(target);
    QPainter painter;
    if (!painter.begin(&printer)) {
        Tools::showError(tr("Cannot print to %1").arg(shownTarget));
        return;
    }
    const QSize previousSize = widget->size();
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    widget->resize(qRound(page.width()), qRound(page.height()));
    widget->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    widget->resize(previousSize);
    const bool written = painter.end();

    if (!written || (!target.isEmpty() && !QFileInfo::exists(target))) {
        Tools::showError(tr("Cannot print to %1").arg(shownTarget));
        return;
    }
    // A physical printer leaves no file whose folder could be remembered.
    if (!target.isEmpty())
        savePath(Path::savePdf, target);
}

void PathSaver::saveWidgetAsImage(QWidget* widget, QString name)
{
    if (name.isEmpty())
        name = QStringLiteral("image");
    const QString file = askSaveFileName(Path::saveImage, tr("Save image"), name + QStringLiteral(".png"), false);
    if (file.isEmpty())
        return;
    if (!widget->grab().save(file)) {
        Tools::showError(tr("Cannot save the image to %1").arg(QDir::toNativeSeparators(file)));
        return;
    }
    savePath(Path::saveImage, file);
}
