#include "PrintDialog.h"

#include "ComparePlot.h"
#include "LineEditWithHistory.h"
#include "LoadedRunListModel.h"
#include "MySettings.h"
#include "OnlineServices.h"
#include "PathSaver.h"
#include "PrivateTempDir.h"
#include "ProjectListFieldId.h"
#include "ReportSources.h"
#include "RunData.h"
#include "lib/Tools.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QToolBar>
#include <QToolButton>

#include <qcustomplot.h>

#include <cmath>

namespace {

RunData* firstLoadedRun()
{
    LoadedRunListModel* runs = ReportSources::loadedRuns();
    return runs && runs->rowCount() > 0 ? runs->runAt(0) : nullptr;
}

// The first run's export name, made safe to be part of a file name.
QString firstRunFileName()
{
    RunData* run = firstLoadedRun();
    if (!run)
        return QString();
    QString name = run->getExportFileString();
    Tools::replaceSpecialCharacters(name);
    return name;
}

} // namespace

PrintDialog::PrintDialog(QPrinter* printer, QWidget* parent)
    : QPrintPreviewDialog(printer, parent)
    , reportPrinter(printer)
{
    QToolBar* toolBar = findChild<QToolBar*>();
    toolButton_saveImage = new QToolButton(this);
    toolButton_saveImage->setIcon(QIcon::fromTheme(QStringLiteral("image-x-generic")));
    toolButton_saveImage->setToolTip(QStringLiteral("Save as image"));
    toolButton_saveImage->setFocusPolicy(Qt::NoFocus);
    connect(toolButton_saveImage, &QToolButton::clicked, this, &PrintDialog::slot_printToImage);
    if (toolBar)
        toolBar->addWidget(toolButton_saveImage);

    OnlineServices* mail = OnlineServices::instance();
    if (mail && mail->isMailSystemConfigured() && toolBar) {
        toolBar->addSeparator();
        toolBar->addWidget(new QLabel(tr("Customer email"), this));
        customerEmail = new LineEditWithHistory(this);
        customerEmail->setObjectName(QStringLiteral("customerEmailHistory"));
        customerEmail->setMinimumWidth(100);
        toolBar->addWidget(customerEmail);
        pushButton_emailCustomer = new QPushButton(tr("Email to customer"), this);
        pushButton_emailCustomer->setFocusPolicy(Qt::NoFocus);
        pushButton_emailCustomer->setEnabled(false);
        connect(pushButton_emailCustomer, &QPushButton::clicked, this, &PrintDialog::slot_sendEmailCustomer);
        toolBar->addWidget(pushButton_emailCustomer);
        pushButton_emailYourself = new QPushButton(tr("Email to yourself"), this);
        pushButton_emailYourself->setFocusPolicy(Qt::NoFocus);
        connect(pushButton_emailYourself, &QPushButton::clicked, this, &PrintDialog::slot_sendEmailYourself);
        toolBar->addWidget(pushButton_emailYourself);
        connect(customerEmail, &QLineEdit::textChanged, this, &PrintDialog::slot_customerEmailChanged);
        theSettings.connectLineEditWithHistory(customerEmail);
        if (RunData* run = firstLoadedRun()) {
            const QString address = run->getProjectInfoValue(ProjectListFields::customerEmail, QVariant()).toString();
            if (!address.isEmpty())
                customerEmail->setText(address);
        }
    }

    editor = new QTextEdit(this);
    editor->setContentsMargins(0, 0, 0, 0);
    editor->hide();
}

PrintDialog::~PrintDialog() = default;

QTextDocument* PrintDialog::document() const
{
    return editor->document();
}

void PrintDialog::insertHtml(const QString& html)
{
    htmlBuffer += html;
}

void PrintDialog::flushHtmlBuffer()
{
    QTextCursor cursor(editor->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertHtml(htmlBuffer);
    htmlBuffer.clear();
}

void PrintDialog::insertPageBreak()
{
    flushHtmlBuffer();
    QTextCursor cursor(editor->document());
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat format;
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    cursor.insertBlock(format);
}

QSize PrintDialog::pixelSize(const QSize& sizeMm, int dpi)
{
    const auto side = [dpi](int mm) {
        const auto dots = static_cast<long long>(static_cast<double>(mm) * dpi);
        return static_cast<int>(std::round(static_cast<double>(dots) / 25.4));
    };
    return QSize(side(sizeMm.width()), side(sizeMm.height()));
}

int PrintDialog::plotScale(int dpi)
{
    // Above 600 dpi the integer factor would be 0 and the picture empty.
    return dpi > 0 ? qMax(1, 600 / dpi) : 1;
}

void PrintDialog::insertImage(const QImage& image, const QSize& sizeMm, int dpi)
{
    const float screenDpi = static_cast<float>(editor->logicalDpiX());
    const QSize pixels = pixelSize(sizeMm, dpi);
    auto* file = new QTemporaryFile(PrivateTempDir::path() + QStringLiteral("/Zembo.XXXXXX.png"), this);
    if (file->open())
        image.save(file, "PNG");
    file->flush();
    ++pictureCount;
    const float ratio = static_cast<float>(dpi) / screenDpi;
    htmlBuffer += QStringLiteral("<img src='%1' width='%2' height='%3'>")
                      .arg(file->fileName())
                      .arg(static_cast<double>(static_cast<float>(pixels.width()) / ratio))
                      .arg(static_cast<double>(static_cast<float>(pixels.height()) / ratio));
}

void PrintDialog::insertPlot(ComparePlot* plot, const QSize& sizeMm, int dpi)
{
    const QSize pixels = pixelSize(sizeMm, dpi);
    const QImage image = plot->toPixmapEnhanced(pixels.width(), pixels.height(), plotScale(dpi)).toImage();
    htmlBuffer += QStringLiteral("<center>");
    insertImage(image, sizeMm, dpi);
    htmlBuffer += QStringLiteral("</center>");
}

void PrintDialog::insertColorMap(QCustomPlot* plot, const QSize& sizeMm, int dpi)
{
    const QSize pixels = pixelSize(sizeMm, dpi);
    const QImage image = plot->toPixmap(pixels.width(), pixels.height(), plotScale(dpi)).toImage();
    htmlBuffer += QStringLiteral("<center>");
    insertImage(image, sizeMm, dpi);
    htmlBuffer += QStringLiteral("</center>");
}

void PrintDialog::insertBackgroundImage(QImage& image, int page)
{
    pageBackgrounds.insert(page, QPixmap::fromImage(image));
}

void PrintDialog::clear()
{
    editor->document()->clear();
    pageBackgrounds.clear();
    htmlBuffer.clear();
}

void PrintDialog::print(QPrinter* printer)
{
    QPainter painter(printer);
    if (!painter.isActive())
        return;
    QTextDocument* doc = editor->document()->clone();
    doc->documentLayout()->setPaintDevice(painter.device());
    const QMarginsF margins = printer->pageLayout().marginsPoints();
    QTextFrameFormat frame = doc->rootFrame()->frameFormat();
    frame.setTopMargin(margins.top());
    frame.setBottomMargin(margins.bottom());
    frame.setLeftMargin(margins.left());
    frame.setRightMargin(margins.right());
    doc->rootFrame()->setFrameFormat(frame);
    const double width = printer->width();
    const double height = printer->height();
    doc->setPageSize(QSizeF(width, height));

    int first = printer->fromPage();
    int last = printer->toPage();
    const int count = doc->pageCount();
    if (first == 0 && last == 0) {
        first = 1;
        last = count;
    } else {
        first = qMax(1, first);
        last = qMin(last, count);
    }
    if (first > last) {
        qDebug() << "Requested to print page out of range";
        delete doc;
        return;
    }
    for (int page = first - 1; page < last; ++page) {
        painter.save();
        painter.translate(0, -page * height);
        const QRectF pageRect(0, page * height, width, height);
        const auto background = pageBackgrounds.constFind(page);
        if (background != pageBackgrounds.constEnd())
            painter.drawPixmap(pageRect.toRect(), background.value());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = pageRect;
        context.cursorPosition = -1;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
        if (page + 1 < last && !printer->newPage())
            break;
    }
    delete doc;
}

QImage PrintDialog::printToImage(int resolution)
{
    QTextDocument* doc = editor->document();
    const int oldResolution = reportPrinter->resolution();
    QPaintDevice* oldDevice = doc->documentLayout()->paintDevice();
    reportPrinter->setResolution(resolution);
    doc->documentLayout()->setPaintDevice(reportPrinter);
    doc->adjustSize();
    QImage image(doc->size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        const auto background = pageBackgrounds.constFind(0);
        if (background != pageBackgrounds.constEnd())
            painter.drawPixmap(QRect(0, 0, reportPrinter->width(), reportPrinter->height()), background.value());
        doc->drawContents(&painter);
    }
    reportPrinter->setResolution(oldResolution);
    doc->documentLayout()->setPaintDevice(oldDevice);
    return image;
}

void PrintDialog::slot_printToImage()
{
    QString name = firstRunFileName();
    if (name.isEmpty())
        name = QStringLiteral("report");
    const QString path =
        thePathSaver.getSaveFileName(Path::saveImage, tr("Save report as image"), name + QStringLiteral(".png"));
    if (path.isEmpty())
        return;
    if (!printToImage(600).save(path))
        Tools::showError(tr("Report image could not be written: ") + path);
}

QString PrintDialog::printToTmpPdf()
{
    QString name = QStringLiteral("Zembo-report");
    const QString run = firstRunFileName();
    if (!run.isEmpty())
        name += QLatin1Char('-') + run;
    name += QStringLiteral(".pdf");
    QFile file(PrivateTempDir::filePath(name));
    if (!PrivateTempDir::openPrivate(file))
        return QString();
    file.close();
    const QString previous = reportPrinter->outputFileName();
    reportPrinter->setOutputFormat(QPrinter::PdfFormat);
    reportPrinter->setOutputFileName(file.fileName());
    print(reportPrinter);
    reportPrinter->setOutputFileName(previous);
    if (QFileInfo(file.fileName()).size() == 0)
        return QString();
    return file.fileName();
}

void PrintDialog::slot_sendEmailCustomer()
{
    customerEmail->saveCurrentTextToHistory();
    const QString pdf = printToTmpPdf();
    if (pdf.isEmpty()) {
        Tools::showError(tr("The report PDF could not be written; nothing was sent."));
        return;
    }
    OnlineServices::instance()->sendReport(customerEmail->text(), pdf);
}

void PrintDialog::slot_sendEmailYourself()
{
    const QString pdf = printToTmpPdf();
    if (pdf.isEmpty()) {
        Tools::showError(tr("The report PDF could not be written; nothing was sent."));
        return;
    }
    OnlineServices::instance()->sendReportToYourself(pdf);
}

void PrintDialog::slot_customerEmailChanged(const QString& email)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\s*([\\w\\.-]+@[\\w\\.-]+\\.[a-zA-Z]{2,})\\s*,\\s*)*([\\w\\.-]+@[\\w\\.-]+\\.[a-zA-Z]{2,})\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    if (pushButton_emailCustomer)
        pushButton_emailCustomer->setEnabled(pattern.match(email).hasMatch());
}

void PrintDialog::closeEvent(QCloseEvent* event)
{
    emit signal_closeEvent();
    event->accept();
}
