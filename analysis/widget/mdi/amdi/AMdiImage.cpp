#include "AMdiImage.h"

#include "DialogAnswerer.h"
#include "MyMenu.h"
#include "PathSaver.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QDomDocument>
#include <QDomElement>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kMinimumSwapTime = 500;

} // namespace

AMdiImage::AMdiImage(AbstractMdi* desktop)
    : AbstractAMdiWidget(desktop)
{
    swapTimer = new QTimer(this);
    swapTimer->setInterval(2000);
    resizeTimer = new QTimer(this);
    resizeTimer->setSingleShot(true);
    label = new QLabel(contentFrame);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    contentLayout->addWidget(label);
    setMinimumSize(100, 40);
    connect(swapTimer, &QTimer::timeout, this, [this] { slot_swapTick(true); });
    connect(resizeTimer, &QTimer::timeout, this, [this] { slot_swapTick(false); });
    slot_swapTick(true);
}

void AMdiImage::onCreateConfiguration()
{
    slot_configureWidget();
}

void AMdiImage::recalculate()
{
}

QStringList AMdiImage::listChannelKeys()
{
    return {};
}

void AMdiImage::slot_swapTick()
{
    slot_swapTick(true);
}

void AMdiImage::slot_swapTick(bool incrementId)
{
    if (!isVisible())
        return;
    if (pixmaps.isEmpty()) {
        label->setText(tr("Select images"));
    } else {
        if (incrementId)
            ++currentIndex;
        if (currentIndex >= pixmaps.size() || currentIndex < 0)
            currentIndex = 0;
        const QPixmap& picture = pixmaps.at(currentIndex);
        if (picture.isNull())
            label->setText(tr("Invalid image"));
        else
            label->setPixmap(picture.scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    if (fileNames.size() < 2)
        swapTimer->stop();
}

QPixmap AMdiImage::loadPicture(const QString& fileName, const QSize& limit)
{
    QImageReader reader(fileName);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && limit.isValid() && (size.width() > limit.width() || size.height() > limit.height()))
        reader.setScaledSize(size.scaled(limit, Qt::KeepAspectRatio));
    return QPixmap::fromImage(reader.read());
}

void AMdiImage::updatePixmaps()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize limit = screen ? screen->size() : QSize(1920, 1080);
    pixmaps.clear();
    for (const QString& file : fileNames)
        pixmaps.append(loadPicture(file, limit));
}

void AMdiImage::slot_configureWidget()
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Widget Configuration"));
    dialog.setMinimumSize(600, 400);
    auto* form = new QFormLayout(&dialog);
    form->setLabelAlignment(Qt::AlignRight);
    auto* add = new QPushButton(tr("Add images"), &dialog);
    auto* text = new QPlainTextEdit(&dialog);
    text->setPlainText(fileNames.join(QLatin1Char('\n')));
    auto* interval = new QDoubleSpinBox(&dialog);
    interval->setDecimals(1);
    interval->setRange(0.5, 2147483.647);
    interval->setSingleStep(0.1);
    interval->setSuffix(QStringLiteral("s"));
    interval->setValue(swapTimer->interval() / 1000.0);
    form->addRow(add);
    form->addRow(text);
    form->addRow(tr("Change image every"), interval);
    connect(add, &QPushButton::clicked, &dialog, [text] {
        const QStringList files = thePathSaver.getOpenFileNames(Path::openImage, tr("Select images"));
        if (!files.isEmpty())
            text->appendPlainText(files.join(QLatin1Char('\n')));
    });
    DialogAnswerer::exec(&dialog);
    fileNames.clear();
    for (const QString& line : text->toPlainText().split(QLatin1Char('\n'))) {
        if (!line.isEmpty())
            fileNames.append(line);
    }
    updatePixmaps();
    swapTimer->start(int(interval->value() * 1000.0));
    slot_swapTick(true);
}

void AMdiImage::resizeEvent(QResizeEvent* event)
{
    resizeTimer->start(50);
    AbstractAMdiWidget::resizeEvent(event);
}

void AMdiImage::contextMenuEvent(QContextMenuEvent* event)
{
    if (selected) {
        selectedContextMenu(event->globalPos());
        return;
    }
    MyMenu menu(this);
    QAction* configure = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-system")), tr("Configure widget"));
    if (copyAction)
        menu.addAction(copyAction);
    menu.addSeparator();
    if (closeAction)
        menu.addAction(closeAction);
    if (DialogAnswerer::execMenu(&menu, event->globalPos()) == configure)
        slot_configureWidget();
}

void AMdiImage::parseDomElementChild(const QDomElement* setup)
{
    for (QDomElement child = setup->firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        if (child.tagName() == QLatin1String("image"))
            fileNames.append(child.attribute(QStringLiteral("src")));
    }
    updatePixmaps();
    bool ok = false;
    const int swapTime = setup->attribute(QStringLiteral("swapTime")).toInt(&ok, 10);
    swapTimer->start(ok && swapTime > kMinimumSwapTime ? swapTime : kMinimumSwapTime);
    slot_swapTick(true);
}

void AMdiImage::writeToDomElementChild(QDomElement* setup)
{
    QDomDocument document = setup->ownerDocument();
    for (const QString& file : fileNames) {
        QDomElement image = document.createElement(QStringLiteral("image"));
        image.setAttribute(QStringLiteral("src"), file);
        setup->appendChild(image);
    }
    setup->setAttribute(QStringLiteral("swapTime"), swapTimer->interval());
}
