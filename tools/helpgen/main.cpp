// Draws the block diagrams of the controller help pages: how the set point,
// the feed-forward path, the PID terms, the absorber and the feedback of each
// control loop fit together. Our own drawings; run this tool after changing
// it and commit the PNG files it writes:
//   helpgen <resources/help folder>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <cmath>

namespace {

// The size of a help page on the SETTINGS tab, so the picture needs no scaling.
constexpr int kWidth = 1000;
constexpr int kHeight = 560;

const QColor kInk(40, 40, 40);
const QColor kSetPoint(210, 232, 250);
const QColor kController(220, 245, 220);
const QColor kPlant(255, 228, 200);
const QColor kFeedback(240, 240, 240);
const QColor kFeedForward(255, 245, 200);

struct Block {
    QRectF rect;
    QString title;
    QString detail;
    QColor fill;
};

struct Diagram {
    QString file;
    QString title;
    Block setPoint;
    Block feedForward;
    QList<Block> forward;  // after the error junction, left to right
    Block absorber;
    Block plant;
    QList<Block> feedback; // right to left under the forward path
    QString note;
};

QFont font(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void drawBlock(QPainter& p, const Block& b)
{
    p.setPen(QPen(kInk, 2));
    p.setBrush(b.fill);
    p.drawRoundedRect(b.rect, 8, 8);
    p.setFont(font(15, true));
    QRectF titleRect = b.rect.adjusted(6, 6, -6, 0);
    titleRect.setHeight(22);
    p.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop, b.title);
    p.setFont(font(12));
    p.drawText(b.rect.adjusted(8, 30, -8, -6), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, b.detail);
}

void arrowHead(QPainter& p, QPointF tip, QPointF from)
{
    const double angle = std::atan2(tip.y() - from.y(), tip.x() - from.x());
    const double size = 11;
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip.x() - size * std::cos(angle - 0.4), tip.y() - size * std::sin(angle - 0.4));
    head.lineTo(tip.x() - size * std::cos(angle + 0.4), tip.y() - size * std::sin(angle + 0.4));
    head.closeSubpath();
    p.setBrush(kInk);
    p.drawPath(head);
}

// A line through the points, with an arrow head at the last one.
void wire(QPainter& p, const QList<QPointF>& points, const QString& label = QString())
{
    p.setPen(QPen(kInk, 2));
    for (int i = 1; i < points.size(); ++i)
        p.drawLine(points[i - 1], points[i]);
    arrowHead(p, points.last(), points[points.size() - 2]);
    if (!label.isEmpty()) {
        p.setFont(font(12));
        const QPointF a = points[points.size() - 2];
        const QPointF b = points.last();
        p.drawText(QRectF((a + b) / 2 - QPointF(80, 22), QSizeF(160, 18)), Qt::AlignCenter, label);
    }
}

void junction(QPainter& p, QPointF c, const QString& lower)
{
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::white);
    p.drawEllipse(c, 14, 14);
    p.setFont(font(16, true));
    p.drawText(QRectF(c.x() - 14, c.y() - 14, 28, 28), Qt::AlignCenter, QStringLiteral("Σ"));
    p.setFont(font(13, true));
    p.drawText(QRectF(c.x() - 26, c.y() - 30, 14, 14), Qt::AlignCenter, QStringLiteral("+"));
    p.drawText(QRectF(c.x() + 2, c.y() + 14, 14, 14), Qt::AlignCenter, lower);
}

QPointF leftMid(const QRectF& r) { return QPointF(r.left(), r.center().y()); }
QPointF rightMid(const QRectF& r) { return QPointF(r.right(), r.center().y()); }

QImage draw(const Diagram& d)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    p.setPen(kInk);
    p.setFont(font(22, true));
    p.drawText(QRectF(20, 12, kWidth - 40, 32), Qt::AlignLeft | Qt::AlignVCenter, d.title);

    drawBlock(p, d.setPoint);
    drawBlock(p, d.feedForward);
    for (const Block& b : d.forward)
        drawBlock(p, b);
    drawBlock(p, d.absorber);
    drawBlock(p, d.plant);
    for (const Block& b : d.feedback)
        drawBlock(p, b);

    const double lineY = d.forward.first().rect.center().y();
    const QPointF error(d.forward.first().rect.left() - 50, lineY);
    const QPointF output(d.absorber.rect.left() - 45, lineY);
    junction(p, error, QStringLiteral("−"));
    junction(p, output, QString());

    // Set point into the error junction and up into the feed-forward path.
    const QPointF spOut = rightMid(d.setPoint.rect);
    const QPointF branch(spOut.x() + 22, lineY);
    wire(p, {spOut, QPointF(branch.x(), spOut.y()), branch, error - QPointF(14, 0)}, QString());
    p.setBrush(kInk);
    p.drawEllipse(QPointF(branch.x(), spOut.y()), 4, 4);
    wire(p, {QPointF(branch.x(), spOut.y()), QPointF(branch.x(), d.feedForward.rect.center().y()),
             leftMid(d.feedForward.rect)});
    wire(p, {rightMid(d.feedForward.rect), QPointF(output.x(), d.feedForward.rect.center().y()),
             output - QPointF(0, 14)});

    // The forward path: error, the controller's blocks, the output junction, the absorber and the plant.
    QPointF from = error + QPointF(14, 0);
    for (const Block& b : d.forward) {
        wire(p, {from, leftMid(b.rect)}, from == error + QPointF(14, 0) ? QStringLiteral("error") : QString());
        from = rightMid(b.rect);
    }
    wire(p, {from, output - QPointF(14, 0)});
    wire(p, {output + QPointF(14, 0), leftMid(d.absorber.rect)});
    wire(p, {rightMid(d.absorber.rect), leftMid(d.plant.rect)});

    // The measured value back, right to left, into the error junction from below.
    const QPointF measured = QPointF(d.plant.rect.center().x(), d.plant.rect.bottom());
    QPointF back = measured;
    for (int i = 0; i < d.feedback.size(); ++i) {
        const QRectF& r = d.feedback[i].rect;
        if (i == 0)
            wire(p, {back, QPointF(back.x(), r.center().y()), rightMid(r)}, QString());
        else
            wire(p, {back, rightMid(r)});
        back = leftMid(r);
    }
    wire(p, {back, QPointF(error.x(), back.y()), error + QPointF(0, 14)}, QString());
    p.setFont(font(12));
    p.drawText(QRectF(error.x() - 120, back.y() - 40, 110, 18), Qt::AlignRight, QStringLiteral("feedback"));

    p.setFont(font(13));
    p.setPen(kInk);
    p.drawText(QRectF(24, kHeight - 92, kWidth - 48, 80), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, d.note);
    return image;
}

QList<Diagram> diagrams()
{
    // Rows: feed-forward at the top, forward path in the middle, feedback below.
    const double ffY = 70, rowY = 190, backY = 340;
    const QRectF setPoint(14, rowY - 20, 168, 130);
    const QRectF feedForward(330, ffY, 220, 70);
    const QRectF a(300, rowY, 170, 90);
    const QRectF b(500, rowY, 170, 90);
    const QRectF absorber(760, rowY - 10, 100, 110);
    const QRectF plant(880, rowY - 10, 100, 110);
    const QRectF fb1(620, backY, 200, 90);
    const QRectF fb2(370, backY, 200, 90);

    QList<Diagram> list;
    list.append({QStringLiteral("ZR5 control systems-Acceleration controller.png"),
                 QStringLiteral("Acceleration controller (one per roller)"),
                 {setPoint, QStringLiteral("Set point"),
                  QStringLiteral("acceleration target\nfrom the RUN tab or a test mode,\nnot below −deceleration limit"),
                  kSetPoint},
                 {feedForward, QStringLiteral("Feed-forward  kFF"),
                  QStringLiteral("output share without error (from RUN setup)"), kFeedForward},
                 {{a, QStringLiteral("PID"), QStringLiteral("kP, kI,\nkD Fast, kD Slow\n(kD filter)"), kController},
                  {b, QStringLiteral("Sensitivity"),
                   QStringLiteral("× speed sensitivity\ncorrection;\nspeed sync. gain"), kController}},
                 {absorber, QStringLiteral("Absorber"), QStringLiteral("torque\ncontroller\nor output"), kPlant},
                 {plant, QStringLiteral("Roller"), QStringLiteral("inertia,\nvehicle"), kPlant},
                 {{fb1, QStringLiteral("Speed sensor"), QStringLiteral("frequency input:\nroller acceleration"),
                   kFeedback},
                  {fb2, QStringLiteral("Input filter"),
                   QStringLiteral("input filter frequency,\nadaptive and fixed\nnotch filters 1 and 2"), kFeedback}},
                 QStringLiteral("The controller runs in the dyno controller. The error is the acceleration target "
                                "minus the filtered roller acceleration; the PID terms act on it and the "
                                "feed-forward adds the target's own share. \"Copy settings from channel\" makes a "
                                "roller use the gains of an earlier roller.")});
    list.append({QStringLiteral("ZR5 control systems-Speed controller.png"),
                 QStringLiteral("Speed controller (one per roller)"),
                 {setPoint, QStringLiteral("Set point"),
                  QStringLiteral("speed target\nfrom the RUN tab or a test mode,\nramped by the\ndeceleration limit"),
                  kSetPoint},
                 {feedForward, QStringLiteral("Feed-forward  kFF"), QStringLiteral("output share without error"),
                  kFeedForward},
                 {{a, QStringLiteral("PID"), QStringLiteral("kP, kI, kD Fast,\nkD Slow, kDD\n(kD, kDD filters)"),
                   kController},
                  {b, QStringLiteral("Limits"),
                   QStringLiteral("× speed sensitivity\ncorrection;\nmax roller speed slip"), kController}},
                 {absorber, QStringLiteral("Absorber"), QStringLiteral("torque\ncontroller\nor output"), kPlant},
                 {plant, QStringLiteral("Roller"), QStringLiteral("inertia,\nvehicle"), kPlant},
                 {{fb1, QStringLiteral("Speed sensor"), QStringLiteral("frequency input:\nroller speed"), kFeedback},
                  {fb2, QStringLiteral("Input filter"),
                   QStringLiteral("input filter frequency,\nadaptive and fixed\nnotch filter 1"), kFeedback}},
                 QStringLiteral("The error is the speed target minus the filtered roller speed. With several "
                                "rollers no controller's target goes below the fastest target × (1 − slip), so "
                                "a braking roller cannot lock the wheel.")});
    list.append({QStringLiteral("ZR5 control systems-Torque controller.png"),
                 QStringLiteral("Torque controller (one per load cell)"),
                 {setPoint, QStringLiteral("Set point"),
                  QStringLiteral("argument or speed / acc.\ncontroller output\n× setpoint range\n− subtrahend"),
                  kSetPoint},
                 {feedForward, QStringLiteral("Feed-forward  kFF"), QStringLiteral("output share without error"),
                  kFeedForward},
                 {{a, QStringLiteral("PID"), QStringLiteral("kP, kI,\nkD Fast, kD Slow\n(kD filter)"), kController},
                  {b, QStringLiteral("Linearization"),
                   QStringLiteral("x^(2/3), sqrt(x), ...\n× speed correction;\nzero output at SP 0"), kController}},
                 {absorber, QStringLiteral("Absorber"), QStringLiteral("PWM or\nanalog\noutput"), kPlant},
                 {plant, QStringLiteral("Brake"), QStringLiteral("absorber\ntorque"), kPlant},
                 {{fb1, QStringLiteral("Load cell"), QStringLiteral("measured torque\n(calibrated)"), kFeedback},
                  {fb2, QStringLiteral("Input filter"),
                   QStringLiteral("input filter frequency;\noff in speed and acc.\nmodes when disabled"), kFeedback}},
                 QStringLiteral("The error is the torque set point minus the filtered load-cell torque. The "
                                "subtrahend lowers the set point by a constant or by another load cell's torque; "
                                "the linearization fits the output to the absorber (x^(2/3) for eddy current "
                                "brakes).")});
    list.append({QStringLiteral("ZR5 control systems-Analog in controller.png"),
                 QStringLiteral("Analog in controller"),
                 {setPoint, QStringLiteral("Set point"),
                  QStringLiteral("argument or torque\ncontroller output,\nscaled to setpoint\nmin .. max voltage"),
                  kSetPoint},
                 {feedForward, QStringLiteral("Feed-forward  kFF"), QStringLiteral("output share without error"),
                  kFeedForward},
                 {{a, QStringLiteral("PID"), QStringLiteral("kP, kI,\nkD Fast, kD Slow\n(kD filter)"), kController},
                  {b, QStringLiteral("Output"), QStringLiteral("0 .. 100 %\nto the PWM or\nanalog output"),
                   kController}},
                 {absorber, QStringLiteral("Actuator"), QStringLiteral("valve,\nthrottle,\nfan ..."), kPlant},
                 {plant, QStringLiteral("Process"), QStringLiteral("pressure,\ntemperature\n..."), kPlant},
                 {{fb1, QStringLiteral("Analog input"), QStringLiteral("sensor voltage"), kFeedback},
                  {fb2, QStringLiteral("Input filter"), QStringLiteral("input filter frequency"), kFeedback}},
                 QStringLiteral("Holds an analog input at its set point voltage: the error is the set point "
                                "minus the filtered input voltage. Select the controller as the source of a PWM "
                                "or analog output to close the loop.")});
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: helpgen <help pictures folder>");
        return 1;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
    bool ok = true;
    for (const Diagram& d : diagrams())
        ok &= draw(d).save(dir.filePath(d.file));
    return ok ? 0 : 1;
}
