#include "RMdiImage.h"

#include "PathSaver.h"
#include "lib/DialogAnswerer.h"

#include <QDomDocument>
#include <QDomElement>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

RMdiImage::RMdiImage(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    label = new QLabel(this);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFrameShape(QFrame::Box);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::gray);
    label->setPalette(pal);
    // Never wider than the widget: the label's size is what pictures are scaled to.
    label->setMinimumSize(1, 1);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(label);

    swapTimer = new QTimer(this);
    swapTimer->setInterval(2000);
    connect(swapTimer, &QTimer::timeout, this, [this] { slot_swapTick(true); });
    rescaleTimer = new QTimer(this);
    rescaleTimer->setSingleShot(true);
    connect(rescaleTimer, &QTimer::timeout, this, [this] { slot_swapTick(false); });

    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setMinimumSize(100, 40);
    activateStandardMdiItemContextMenu(Menu_configureWidget);
    slot_swapTick(true);
    // Before the widget is first shown the step above is skipped.
    label->setText(tr("Select images"));
}

QSize RMdiImage::pictureLimit()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    QSize size = screen ? screen->size() * screen->devicePixelRatio() : QSize();
    if (size.width() < 640 || size.height() < 480)
        size = QSize(1920, 1080);
    return size;
}

QPixmap RMdiImage::loadPicture(const QString& path, const QSize& limit)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > limit.width() || size.height() > limit.height()))
        reader.setScaledSize(size.scaled(limit, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return QPixmap();
    return QPixmap::fromImage(image);
}

void RMdiImage::updatePixmaps()
{
    pictures.clear();
    const QSize limit = pictureLimit();
    for (const QString& path : std::as_const(imagePaths))
        pictures.append(loadPicture(path, limit));
}

void RMdiImage::slot_swapTick(bool advance)
{
    if (!isVisible())
        return;
    if (pictures.isEmpty()) {
        label->setText(tr("Select images"));
        return;
    }
    if (advance) {
        ++currentIndex;
        if (currentIndex >= pictures.size())
            currentIndex = 0;
    }
    if (currentIndex >= pictures.size())
        currentIndex = 0;
    const QPixmap& picture = pictures.at(currentIndex);
    if (picture.isNull())
        label->setText(tr("Invalid image"));
    else
        label->setPixmap(picture.scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    if (imagePaths.size() < 2)
        swapTimer->stop();
}

void RMdiImage::resizeEvent(QResizeEvent* event)
{
    rescaleTimer->start(50);
    AbstractRMdiWidget::resizeEvent(event);
}

void RMdiImage::showEvent(QShowEvent* event)
{
    AbstractRMdiWidget::showEvent(event);
    slot_swapTick(false);
}

void RMdiImage::onCreateConfiguration()
{
    configureWidget();
}

void RMdiImage::configureWidget()
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Widget Configuration"));
    dialog.setMinimumSize(600, 400);
    auto* form = new QFormLayout(&dialog);
    form->setLabelAlignment(Qt::AlignRight);
    auto* add = new QPushButton(tr("Add images"), &dialog);
    auto* paths = new QTextEdit(&dialog);
    paths->setAcceptRichText(false);
    paths->setPlainText(imagePaths.join(QLatin1Char('\n')));
    auto* interval = new QDoubleSpinBox(&dialog);
    interval->setDecimals(1);
    interval->setRange(0.5, 2147483.647);
    interval->setSingleStep(0.1);
    interval->setSuffix(QStringLiteral("s"));
    interval->setValue(swapTimer->interval() / 1000.0);
    form->addRow(add);
    form->addRow(paths);
    form->addRow(tr("Change image every"), interval);
    connect(add, &QPushButton::clicked, &dialog, [paths] {
        const QList<QString> files = thePathSaver.getOpenFileNames(Paths::openImage, tr("Select images"));
        for (const QString& f : files)
            paths->append(f);
    });
    DialogAnswerer::exec(&dialog);
    imagePaths = paths->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    updatePixmaps();
    swapTimer->start(int(interval->value() * 1000.0));
    slot_swapTick(true);
    // The desktop keeps the new pictures only if it saves.
    emit signal_requestSetupSave();
}

void RMdiImage::parseDomElement(const QDomElement* element)
{
    imagePaths.clear();
    for (QDomElement child = element->firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        if (child.tagName() == QLatin1String("image"))
            imagePaths.append(child.attribute(QStringLiteral("src")));
    }
    updatePixmaps();
    bool ok = false;
    const int swap = element->attribute(QStringLiteral("swapTime")).toInt(&ok);
    swapTimer->start(ok && swap > 500 ? swap : 500);
    slot_swapTick(true);
}

void RMdiImage::writeToDomElement(QDomElement* element)
{
    QDomDocument doc = element->ownerDocument();
    for (const QString& path : std::as_const(imagePaths)) {
        QDomElement image = doc.createElement(QStringLiteral("image"));
        image.setAttribute(QStringLiteral("src"), path);
        element->appendChild(image);
    }
    element->setAttribute(QStringLiteral("swapTime"), swapTimer->interval());
}
