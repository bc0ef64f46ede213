// Times a key on the full-screen Floor view to the new call painted, beside a
// bare full-screen QLabel changing its text to the same lines in the same font,
// on the same display in the same run. Prints "name|ratio|bound|what was compared", as bench_calls does.
//   DISPLAY=:93 QT_QPA_PLATFORM=xcb bench_floor [runs]
#include "ui/kit/Form.h"
#include "ui/kit/Message.h"
#include "ui/calls/CallForm.h"
#include "ui/calls/Floor.h"
#include "ui/kit/FitLabel.h"
#include "core/data/CallDatabase.h"
#include "core/data/dataCall.h"
#include "ui/main/frmMain.h"
#include "core/calls/CallsSession.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
// Counts the paints of one widget.
class PaintCount : public QObject
{
public:
    explicit PaintCount(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Microseconds from what() to the label showing a text other than before,
// painted and flushed; negative when what() brought no new text.
double untilPainted(QLabel *label, PaintCount &count, const std::function<bool()> &what)
{
    const QString before = label->text();
    QElapsedTimer clock;
    clock.start();
    if (!what())
        return -1;
    for (;;) {
        const int paints = count.paints;
        QCoreApplication::processEvents();
        if (label->text() != before && count.paints > paints)
            break;
        if (clock.elapsed() > 5000)
            qFatal("no new text painted");
    }
    return double(clock.nsecsElapsed()) / 1000.0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Message::setObserver([](const QString &) {});
    const QStringList args = QCoreApplication::arguments().mid(1);
    const int runs = args.isEmpty() ? 101 : std::max(3, args[0].toInt());

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CallDatabase::setPath(dir.filePath(CallDatabase::FileName));
    QFile file(QStringLiteral(VORLET_SOURCE_DIR "/data/default_calls.txt"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the default calls");
    QString error;
    QList<CallDatabase::CallList> lists = CallDatabase::parse(QString::fromUtf8(file.readAll()), &error);
    QStringList names;
    for (const CallDatabase::CallList &l : std::as_const(lists))
        names += l.calls;
    if (!CallDatabase::create(CallDatabase::path(), lists, &error))
        qFatal("%s", qPrintable(error));

    frmMain::instance().show();
    CallForm::instance().show();
    CallForm::instance().ui().Timer1->stop();
    Floor &floor = Floor::instance();
    floor.show();
    QWidget *w = floor.window();
    w->showFullScreen();
    // With no window manager full screen is the window's state alone: the size is set here.
    w->setGeometry(w->screen()->geometry());
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("the Floor view was not shown");
    QTest::qWait(300);

    QLabel bare;
    bare.setAlignment(Qt::AlignCenter);
    bare.setText(names.first());
    bare.showFullScreen();
    bare.setGeometry(w->screen()->geometry());
    if (!QTest::qWaitForWindowExposed(&bare))
        qFatal("the bare label was not shown");
    QTest::qWait(300);

    PaintCount floorPaints(floor.ui().lblCall);
    PaintCount barePaints(&bare);
    // The key draws at random: the same call again shows nothing new and is not counted.
    auto press = [w] {
        const QString before = CallsSession::instance().state().listCall;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"));
        QApplication::sendEvent(w, &key);
        return CallsSession::instance().state().listCall != before;
    };
    std::vector<double> vorlet, plain;
    for (int i = 0; int(vorlet.size()) < runs; ++i) {
        const double t = untilPainted(floor.ui().lblCall, floorPaints, press);
        if (t < 0) {
            QCoreApplication::processEvents();
            continue;
        }
        vorlet.push_back(t);
        // The same letters at the same size: what the Floor adds to Qt's own painting of them.
        const FitLabel::Fit &shown = floor.ui().lblCall->fit();
        bare.setFont(shown.font);
        bare.setText(QString());
        QCoreApplication::processEvents();
        const QString next = shown.lines.join(QLatin1Char('\n'));
        plain.push_back(untilPainted(&bare, barePaints, [&] {
            bare.setText(next);
            return true;
        }));
    }
    const double v = median(vorlet);
    const double b = median(plain);
    std::printf("Floor key to call on screen, %dx%d|%.2f|%.2f|%.2f ms against %.2f ms, medians of %d\n", w->width(),
                w->height(), v / b, 1.3, v / 1000, b / 1000, runs);
    std::fflush(stdout);
    Form::destroyAll();
    dataCall::destroy();
    return 0;
}
