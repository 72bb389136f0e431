#include "ReportEditor.h"

#include "AMdiColorMap.h"
#include "AMdiMainGraph.h"
#include "AMdiResultTable.h"
#include "AMdiUserGraph.h"
#include "AMdiXYTable.h"
#include "ComparePlot.h"
#include "CustomSqlTableModel.h"
#include "LoadedRunListModel.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "PrintDialog.h"
#include "ProjectListFieldId.h"
#include "ReportFragments.h"
#include "ReportRunTable.h"
#include "ReportSources.h"
#include "ReportTags.h"
#include "RunData.h"
#include "RunDataHooks.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QDebug>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QInputDialog>
#include <QMenu>
#include <QMetaObject>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTextStream>
#include <QVBoxLayout>

#include <qcustomplot.h>

namespace {

const QStringList stockTemplates = {QStringLiteral("graph"), QStringLiteral("table"), QStringLiteral("certificate")};
const QStringList stockPictures = {QStringLiteral("your logo.png"), QStringLiteral("certificate_background_0.jpg"),
                                   QStringLiteral("certificate_background_1.jpg")};

void setProgress(float fraction)
{
    if (RunDataHooks::instance().taskProgress)
        RunDataHooks::instance().taskProgress(fraction);
}

QString readTextResource(const QString& path, bool* ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? QString::fromUtf8(file.readAll()) : QString();
}

QString chooseItem(QWidget* parent, const QString& title, const QString& label, const QStringList& items)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    if (!items.isEmpty())
        dialog.setTextValue(items.first());
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

bool askInt(QWidget* parent, const QString& title, const QString& label, int value, int minimum, int* out)
{
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setIntRange(minimum, 2147483647);
    dialog.setIntStep(1);
    dialog.setIntValue(value);
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return false;
    *out = dialog.intValue();
    return true;
}

// An HTML fragment a table widget offers by name (its report table).
QString widgetFragment(QObject* widget, const char* method)
{
    QString html;
    if (!ReportFragments::table(widget, method, &html))
        qDebug() << "Report fragment not offered by widget:" << method;
    return html;
}

} // namespace

ReportEditor::ReportEditor(QWidget* parent)
    : QWidget(parent)
{
    reportDir = theSettings.settingsDir;
    if (!reportDir.cd(QStringLiteral("report"))) {
        if (!reportDir.mkdir(QStringLiteral("report")) || !reportDir.cd(QStringLiteral("report")))
            qFatal("Cant enter or create 'report' directory");
        QStringList files;
        for (const QString& name : stockTemplates)
            files << filePath_portrait(name) << filePath_landscape(name);
        copyResources(files + stockPictures);
    }
    copyResources(stockPictures);

    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    comboBox_settings_printTemplate = new QComboBox(this);
    comboBox_settings_printTemplate->setObjectName(QStringLiteral("comboBox_settings_printTemplate"));
    comboBox_settings_printTemplate->addItems(listReportTemplates());
    theSettings.connectComboBox(comboBox_settings_printTemplate);
    connect(comboBox_settings_printTemplate, &QComboBox::currentIndexChanged, this,
            &ReportEditor::slot_updateEditorContent);
    row->addWidget(comboBox_settings_printTemplate);
    comboBox_settings_printOrientation = new QComboBox(this);
    comboBox_settings_printOrientation->setObjectName(QStringLiteral("comboBox_settings_printOrientation"));
    comboBox_settings_printOrientation->addItems({tr("Portrait"), tr("Landscape")});
    theSettings.connectComboBox(comboBox_settings_printOrientation);
    connect(comboBox_settings_printOrientation, &QComboBox::currentIndexChanged, this,
            &ReportEditor::slot_updateEditorContent);
    row->addWidget(comboBox_settings_printOrientation);

    auto button = [this, row](const QString& text, void (ReportEditor::*slot)()) {
        auto* b = new QPushButton(text, this);
        connect(b, &QPushButton::clicked, this, slot);
        row->addWidget(b);
        return b;
    };
    pushButton_save = button(tr("Save"), &ReportEditor::slot_save);
    pushButton_add = button(tr("Add template"), &ReportEditor::slot_addNew);
    pushButton_rename = button(tr("Rename template"), &ReportEditor::slot_rename);
    pushButton_delete = button(tr("Delete template"), &ReportEditor::slot_delete);
    pushButton_loadDefault = button(tr("Load default"), &ReportEditor::slot_loadDefault);
    pushButton_insertItem = button(tr("Insert item"), &ReportEditor::slot_insertItem);
    pushButton_preview = button(tr("Preview"), &ReportEditor::slot_preview);

    editor = new QTextEdit(this);
    editor->setAcceptRichText(false);
    layout->addWidget(editor);
    slot_updateEditorContent();
    connect(editor, &QTextEdit::textChanged, this, [this] {
        Tools::setButtonBackgroundColorWithPalette(pushButton_save, QColor(77, 255, 77));
    });
}

ReportEditor::~ReportEditor() = default;

QString ReportEditor::filePath_portrait(const QString& name) const
{
    return QStringLiteral("report_") + name + QStringLiteral("_portrait.html");
}

QString ReportEditor::filePath_landscape(const QString& name) const
{
    return QStringLiteral("report_") + name + QStringLiteral("_landscape.html");
}

QString ReportEditor::getCurrentTemplateName() const
{
    return QStringLiteral("report_") + comboBox_settings_printTemplate->currentText()
        + (comboBox_settings_printOrientation->currentIndex() != 0 ? QStringLiteral("_landscape")
                                                                   : QStringLiteral("_portrait"))
        + QStringLiteral(".html");
}

bool ReportEditor::isStockTemplate() const
{
    return stockTemplates.contains(comboBox_settings_printTemplate->currentText());
}

void ReportEditor::copyResources(const QList<QString>& files)
{
    for (const QString& name : files) {
        const QString target = reportDir.filePath(name);
        if (QFile::exists(target))
            continue;
        QFile::copy(QStringLiteral(":/resources/report/") + name, target);
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                          | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
}

QStringList ReportEditor::listReportTemplates() const
{
    QStringList names;
    for (QString entry : reportDir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        entry.remove(QStringLiteral("report_"));
        entry.remove(QStringLiteral("_portrait.html"));
        entry.remove(QStringLiteral("_landscape.html"));
        if (!names.contains(entry))
            names.append(entry);
    }
    QStringList complete;
    for (const QString& name : std::as_const(names))
        if (reportDir.exists(filePath_portrait(name)) && reportDir.exists(filePath_landscape(name)))
            complete.append(name);
    return complete;
}

void ReportEditor::populateMenu(QMenu* menu)
{
    for (const QString& name : listReportTemplates())
        menu->addAction(name);
}

void ReportEditor::slot_updateEditorContent()
{
    const bool selected = comboBox_settings_printTemplate->count() > 0;
    if (!selected) {
        editor->clear();
        editor->setEnabled(false);
    } else {
        QFile file(reportDir.filePath(getCurrentTemplateName()));
        if (file.open(QIODevice::ReadOnly)) {
            const QSignalBlocker blocker(editor);
            editor->setPlainText(QString::fromUtf8(file.readAll()));
        } else {
            qDebug() << "error opening report file" << file.fileName();
        }
        editor->setEnabled(true);
    }
    pushButton_save->setPalette(QPalette());
    for (QPushButton* b : {pushButton_save, pushButton_rename, pushButton_delete, pushButton_insertItem,
                           pushButton_preview})
        b->setEnabled(selected);
    pushButton_loadDefault->setEnabled(selected && isStockTemplate());
}

void ReportEditor::slot_save()
{
    QFile file(reportDir.filePath(getCurrentTemplateName()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qDebug() << "error opening report file" << file.fileName();
        return;
    }
    QTextStream stream(&file);
    stream << editor->toPlainText();
    stream.flush();
    file.close();
    pushButton_save->setPalette(QPalette());
}

void ReportEditor::slot_addNew()
{
    if (comboBox_settings_printTemplate->count() == 0) {
        copyResources({filePath_portrait(QStringLiteral("graph")), filePath_landscape(QStringLiteral("graph"))});
        comboBox_settings_printTemplate->addItems(listReportTemplates());
        slot_updateEditorContent();
        return;
    }
    const QString current = comboBox_settings_printTemplate->currentText();
    const QString name = Tools::generateUniqueName(listReportTemplates(), current);
    QFile::copy(reportDir.filePath(filePath_portrait(current)), reportDir.filePath(filePath_portrait(name)));
    QFile::copy(reportDir.filePath(filePath_landscape(current)), reportDir.filePath(filePath_landscape(name)));
    comboBox_settings_printTemplate->addItem(name);
    comboBox_settings_printTemplate->setCurrentText(name);
}

void ReportEditor::slot_rename()
{
    const QString current = comboBox_settings_printTemplate->currentText();
    QInputDialog dialog(this);
    dialog.setWindowTitle(tr("Enter new name"));
    dialog.setLabelText(tr("New name"));
    dialog.setTextValue(current);
    if (DialogAnswerer::exec(&dialog) != QDialog::Accepted)
        return;
    QString name = dialog.textValue();
    if (name.isEmpty() || name == current)
        return;
    Tools::replaceSpecialCharacters(name);
    QStringList others = listReportTemplates();
    others.removeAll(current);
    name = Tools::generateUniqueName(others, name);
    reportDir.rename(filePath_portrait(current), filePath_portrait(name));
    reportDir.rename(filePath_landscape(current), filePath_landscape(name));
    comboBox_settings_printTemplate->removeItem(comboBox_settings_printTemplate->currentIndex());
    comboBox_settings_printTemplate->addItem(name);
    comboBox_settings_printTemplate->setCurrentText(name);
}

void ReportEditor::slot_delete()
{
    const QString current = comboBox_settings_printTemplate->currentText();
    reportDir.remove(filePath_portrait(current));
    reportDir.remove(filePath_landscape(current));
    comboBox_settings_printTemplate->removeItem(comboBox_settings_printTemplate->currentIndex());
}

void ReportEditor::slot_loadDefault()
{
    bool ok = false;
    const QString resource = QStringLiteral(":/resources/report/") + getCurrentTemplateName();
    const QString text = readTextResource(resource, &ok);
    if (!ok) {
        Tools::showError(tr("No default report file available: ") + resource);
        return;
    }
    editor->setPlainText(text);
}

void ReportEditor::slot_insertItem()
{
    const QStringList items = {QStringLiteral("background_image"), QStringLiteral("img"), QStringLiteral("main_graph"),
                               QStringLiteral("user_graph"), QStringLiteral("main_graph_legend"),
                               QStringLiteral("user_graph_legend"), QStringLiteral("color_map"),
                               QStringLiteral("page_break"), QStringLiteral("run_info"),
                               QStringLiteral("project_info"), QStringLiteral("run_table"),
                               QStringLiteral("result_table"), QStringLiteral("xy_table"),
                               QStringLiteral("result_table_transposed"), QStringLiteral("project_picture")};
    const QString item = chooseItem(this, tr("Select item"), tr("Select item"), items);
    if (item.isEmpty())
        return;
    const QString printIdLabel = tr("Print ID (starts from 0).\nCan be checked with right click on widget in ANALYZE.");
    auto size = [this](int* w, int* h) {
        return askInt(this, tr("Width"), tr("Width") + QStringLiteral(" [mm]"), 50, 1, w)
            && askInt(this, tr("Height"), tr("Height") + QStringLiteral(" [mm]"), 50, 1, h);
    };
    QString text;
    int a = 0, b = 0, c = 0, d = 0;
    if (item == QLatin1String("background_image") || item == QLatin1String("img")) {
        const QString path = thePathSaver.getOpenFileName(Path::openBranding, tr("Image path"));
        if (path.isEmpty())
            return;
        if (item == QLatin1String("img")) {
            if (!size(&a, &b))
                return;
            text = QStringLiteral("${img \"%1\" %2,%3}").arg(path).arg(a).arg(b);
        } else {
            if (!askInt(this, tr("Page number"), tr("Page number (starts from 0)"), 0, 0, &a))
                return;
            text = QStringLiteral("${background_image \"%1\" %2}").arg(path).arg(a);
        }
    } else if (item == QLatin1String("project_picture")) {
        if (!askInt(this, tr("Run number"), tr("Run number in table (starts from 0)"), 0, 0, &a) || !size(&b, &c))
            return;
        text = QStringLiteral("${project_picture %1 %2,%3}").arg(a).arg(b).arg(c);
    } else if (item == QLatin1String("main_graph") || item == QLatin1String("user_graph")
               || item == QLatin1String("color_map")) {
        if (!size(&a, &b) || !askInt(this, tr("DPI"), tr("DPI"), 120, 1, &c)
            || !askInt(this, tr("Print ID"), printIdLabel, 0, 0, &d))
            return;
        text = QStringLiteral("${%1 %2,%3 %4 %5}").arg(item).arg(a).arg(b).arg(c).arg(d);
    } else if (item == QLatin1String("run_info") || item == QLatin1String("project_info")) {
        if (!askInt(this, tr("Run number"), tr("Run number in table (starts from 0)"), 0, 0, &a))
            return;
        const bool run = item == QLatin1String("run_info");
        CustomSqlTableModel* table = ReportTags::tableFor(item);
        const QString key = chooseItem(this, run ? tr("Run property") : tr("Project property"),
                                       run ? tr("Select run property") : tr("Select project property"),
                                       table ? table->getKeysForTemplates() : QStringList());
        if (key.isEmpty())
            return;
        text = QStringLiteral("${%1 %2 %3}").arg(item).arg(a).arg(key);
    } else if (item == QLatin1String("page_break") || item == QLatin1String("run_table")) {
        text = QStringLiteral("${") + item + QLatin1Char('}');
    } else {
        if (!askInt(this, tr("Print ID"), printIdLabel, 0, 0, &a))
            return;
        text = QStringLiteral("${%1 %2}").arg(item).arg(a);
    }
    editor->insertPlainText(text);
}

void ReportEditor::slot_preview()
{
    slot_save();
    slot_print();
}

void ReportEditor::slot_print()
{
    ++printCount;
    QPrinter printer(QPrinter::HighResolution);
    theSettings.getPrinterSettings(printer);
    printer.setPageOrientation(static_cast<QPageLayout::Orientation>(comboBox_settings_printOrientation->currentIndex()));
    PrintDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &ReportEditor::slot_fillPrinterDialog);
    dialog.show();
    if (QScreen* screen = dialog.screen()) {
        const QRect available = screen->availableGeometry();
        dialog.resize(static_cast<int>(available.width() * 0.8), static_cast<int>(available.height() * 0.8));
    }
    DialogAnswerer::exec(&dialog);
    comboBox_settings_printOrientation->setCurrentIndex(static_cast<int>(printer.pageLayout().orientation()));
    theSettings.savePrinterSettings(printer);
}

void ReportEditor::slot_fillPrinterDialog(QPrinter* printer)
{
    if (auto* dialog = qobject_cast<PrintDialog*>(sender()))
        fillReport(dialog, printer);
}

template<class T> T* ReportEditor::getWidgetForPrint(int printId, const QString& command)
{
    LoadedRunListModel* runs = ReportSources::loadedRuns();
    if (runs && runs->desktopManager) {
        for (T* widget : runs->desktopManager->findChildren<T*>())
            if (widget->printId == printId)
                return widget;
    }
    Tools::showError(tr("Widget not found with requested Print ID: ") + command + QLatin1Char(' ')
                     + QString::number(printId)
                     + tr("Remove it from report template or add it to a desktop in ANALYZE tab."));
    return nullptr;
}

void ReportEditor::fillReport(PrintDialog* dialog, QPrinter* printer)
{
    dialog->clear();
    const bool landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
    const QString name = QStringLiteral("report_") + comboBox_settings_printTemplate->currentText()
        + (landscape ? QStringLiteral("_landscape") : QStringLiteral("_portrait")) + QStringLiteral(".html");
    QFile file(reportDir.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        Tools::showError(tr("Error opening report template ") + file.fileName());
        return;
    }
    const QString text = QString::fromUtf8(file.readAll());
    file.close();

    LoadedRunListModel* runs = ReportSources::loadedRuns();
    const int runCount = runs ? runs->rowCount() : 0;
    const QPageLayout::Orientation orientation = printer->pageLayout().orientation();
    auto validRun = [runCount](const QString& word, int* row) {
        bool ok = false;
        *row = word.toInt(&ok, 10);
        return ok && *row >= 0 && *row < runCount;
    };
    auto loadImage = [this](const QString& path) {
        const QString local = ReportTags::localPaths(path);
        QImage image(QDir::isAbsolutePath(local) ? local : reportDir.filePath(local));
        return image;
    };
    auto printIdOf = [](const QStringList& words, int index) {
        bool ok = false;
        const int id = words.value(index).toInt(&ok, 10);
        return ok && id > 0 ? id : 0;
    };
    auto stop = [](const QString& message) {
        Tools::showError(message);
        setProgress(1.0f);
    };

    const qsizetype length = text.size();
    qsizetype pos = 0;
    while (pos < length) {
        setProgress(static_cast<float>(pos) / static_cast<float>(length));
        const qsizetype start = text.indexOf(QStringLiteral("${"), pos);
        if (start < 0) {
            dialog->insertHtml(ReportTags::localPaths(text.mid(pos)));
            break;
        }
        if (start > pos) {
            dialog->insertHtml(ReportTags::localPaths(text.mid(pos, start - pos)));
            pos = start;
            continue;
        }
        const qsizetype end = text.indexOf(QLatin1Char('}'), pos);
        if (end < 0) {
            stop(QString::number(pos) + QStringLiteral(" Error parsing file"));
            return;
        }
        const QString offset = QString::number(pos + 2);
        const QStringList words = ReportTags::splitWords(text.mid(pos + 2, end - pos - 2));
        const QString& cmd = words.first();
        const int n = words.size();
        pos = end + 1;

        if (cmd == QLatin1String("background_image")) {
            if (n < 2) {
                stop(offset + QStringLiteral(" background_image syntax error. Usage: ${background_image path page}"));
                return;
            }
            QImage image = loadImage(words.at(1));
            if (image.isNull()) {
                qDebug() << "image not found" << words.at(1);
                continue;
            }
            dialog->insertBackgroundImage(image, printIdOf(words, 2));
        } else if (cmd == QLatin1String("img") || cmd == QLatin1String("project_picture")) {
            const bool picture = cmd == QLatin1String("project_picture");
            if (n < 3) {
                stop(offset + (picture ? QStringLiteral(" project_picture syntax error. Usage: ${project_picture runNumber width,height}")
                                       : QStringLiteral(" img syntax error. Usage: ${img path width,height}")));
                return;
            }
            QImage image;
            if (picture) {
                int row = 0;
                if (validRun(words.at(1), &row)) {
                    const int id = runs->runAt(row)->getProjectInfoValue(ProjectListFields::id, QVariant()).toInt();
                    image = QImage(theSettings.mediaDir.filePath(QStringLiteral("%1.jpg").arg(id)));
                }
                if (image.isNull())
                    image = QImage(QStringLiteral(":/resources/no-image.png"));
            } else {
                image = loadImage(words.at(1));
                if (image.isNull()) {
                    qDebug() << "image not found" << words.at(1);
                    continue;
                }
            }
            const float ratio = image.width() > 0 ? static_cast<float>(image.height()) / static_cast<float>(image.width()) : 1.0f;
            const QSize size = Tools::parseSizeString(words.at(2), ratio);
            if (size.width() < 0 || size.height() < 0) {
                // A picture at a negative size shows nothing useful: told and left out.
                Tools::showError((picture ? QStringLiteral("invalid image size ") : QStringLiteral("invalid image size"))
                                 + words.at(2));
                continue;
            }
            dialog->insertImage(image, size, 300);
        } else if (cmd == QLatin1String("main_graph") || cmd == QLatin1String("user_graph")
                   || cmd == QLatin1String("color_map")) {
            const QString usage = QStringLiteral(" Usage: ${") + cmd + QStringLiteral(" width,height dpi printID}");
            if (n < 2) {
                stop(offset + QLatin1Char(' ') + cmd + QStringLiteral(" syntax error.") + usage);
                return;
            }
            const QSize size = Tools::parseSizeString(words.at(1), 0.0f);
            if (size.width() < 0 || size.height() < 0) {
                stop(offset + QLatin1Char(' ') + cmd + QStringLiteral(" size syntax error.") + usage);
                return;
            }
            bool ok = false;
            int dpi = words.value(2).toInt(&ok, 10);
            if (!ok || dpi <= 0)
                dpi = 96;
            const int id = printIdOf(words, 3);
            QWidget* widget = nullptr;
            if (cmd == QLatin1String("main_graph"))
                widget = getWidgetForPrint<AMdiMainGraph>(id, cmd);
            else if (cmd == QLatin1String("user_graph"))
                widget = getWidgetForPrint<AMdiUserGraph>(id, cmd);
            else
                widget = getWidgetForPrint<AMdiColorMap>(id, cmd);
            if (!widget)
                continue;
            if (cmd == QLatin1String("color_map")) {
                if (auto* plot = widget->findChild<QCustomPlot*>())
                    dialog->insertColorMap(plot, size, dpi);
            } else if (auto* plot = widget->findChild<ComparePlot*>()) {
                dialog->insertPlot(plot, size, dpi);
            }
        } else if (cmd == QLatin1String("main_graph_legend") || cmd == QLatin1String("user_graph_legend")) {
            const bool mainGraph = cmd == QLatin1String("main_graph_legend");
            QWidget* widget = mainGraph ? static_cast<QWidget*>(getWidgetForPrint<AMdiMainGraph>(printIdOf(words, 1), cmd))
                                        : static_cast<QWidget*>(getWidgetForPrint<AMdiUserGraph>(printIdOf(words, 1), cmd));
            if (widget && runs) {
                ComparePlot* plot = widget->findChild<ComparePlot*>();
                QString html;
                if (!ReportFragments::legend(runs, mainGraph, orientation, plot, &html)) {
                    qDebug() << "Legend not offered by the loaded-run list, the report's own is used";
                    html = ReportRunTable::generateLegend(*runs, mainGraph, orientation, plot);
                }
                dialog->insertHtml(html);
            }
        } else if (cmd == QLatin1String("page_break")) {
            dialog->insertPageBreak();
        } else if (cmd == QLatin1String("run_info") || cmd == QLatin1String("project_info")) {
            if (n < 3) {
                stop(offset + QLatin1Char(' ') + cmd + QStringLiteral(" syntax error. Usage: ${") + cmd
                     + QStringLiteral(" runNumber keyName unitOverride}"));
                return;
            }
            int row = 0;
            if (!validRun(words.at(1), &row)) {
                dialog->insertHtml(QStringLiteral("[]"));
                continue;
            }
            CustomSqlTableModel* table = ReportTags::tableFor(cmd);
            const int field = table ? table->fieldDescriptorIdByDatabaseKey(words.at(2)) : -1;
            if (field < 0) {
                stop(offset + QLatin1Char(' ') + cmd + QStringLiteral(" key not found ") + words.at(2));
                return;
            }
            dialog->insertHtml(ReportTags::escapeHtml(ReportTags::runValue(runs->runAt(row), cmd, field, words.value(3))));
        } else if (cmd == QLatin1String("run_table")) {
            if (runs) {
                QString html;
                if (!ReportFragments::runTable(runs, orientation, &html)) {
                    qDebug() << "Run table not offered by the loaded-run list, the report's own is used";
                    html = ReportRunTable::generateRunTable(*runs, orientation);
                }
                dialog->insertHtml(html);
            }
        } else if (cmd == QLatin1String("result_table") || cmd == QLatin1String("result_table_transposed")) {
            if (auto* table = getWidgetForPrint<AMdiResultTable>(printIdOf(words, 1), cmd))
                dialog->insertHtml(widgetFragment(table, cmd == QLatin1String("result_table")
                                                             ? "generateReportTable"
                                                             : "generateReportTableTransposed"));
        } else if (cmd == QLatin1String("xy_table")) {
            if (auto* table = getWidgetForPrint<AMdiXYTable>(printIdOf(words, 1), cmd))
                dialog->insertHtml(widgetFragment(table, "generateReportTable"));
        } else {
            qDebug() << "Unknown command" << words;
        }
    }
    dialog->flushHtmlBuffer();
    setProgress(1.0f);
    dialog->print(printer);
}
