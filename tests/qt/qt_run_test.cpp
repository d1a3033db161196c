// Running the clock on the real Qt layer: the keyboard start, the refusal box of an empty
// countdown, the face ticking and the colon blinking on real timers, a countdown running out
// with its cue, the pointer placed at the window centre, and the pointer's display count.
#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "main_window/main_form.h"
#include "tests/qt/qt_session.h"
#include "timer_face/face.h"

using xr::MainForm;
using xr::qttest::Session;
using xr::qttest::TextOf;

namespace {

constexpr const char* kChrome[] = {"开始", "重置", "more", "zjs", "djs", "jf1", "jf0",
                                   "jm1",  "jm0",  "kf1",  "kf0", "km1", "km0"};

int VisibleChrome(Session& s) {
  int shown = 0;
  for (const char* name : kChrome) {
    if (s.widget(name)->isVisibleTo(s.form())) ++shown;
  }
  return shown;
}

bool PointerBlank() {
  const QCursor* c = QGuiApplication::overrideCursor();
  return c != nullptr && c->shape() == Qt::BlankCursor;
}

// What a modal message box showed, read while it was up.
struct BoxSeen {
  QString text;
  QString title;
  int buttons = 0;
  QMessageBox::StandardButtons standard;
  QString okText;
  QMessageBox::Icon icon = QMessageBox::Information;
  bool pixmapless = false;
  bool timer1Enabled = false;
  bool timer2Enabled = true;
};

// Watches for modal message boxes, notes what each showed and presses its OK button, so that
// a handler waiting in one can go on. A box that never comes leaves the test to go on too.
class BoxCloser : public QObject {
 public:
  explicit BoxCloser(MainForm& form) : form_(form) {
    poll_.setInterval(20);
    QObject::connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
    poll_.start();
  }
  QList<BoxSeen> seen;

 private:
  void Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    BoxSeen b;
    b.text = box->text();
    b.title = box->windowTitle();
    b.buttons = static_cast<int>(box->buttons().size());
    b.standard = box->standardButtons();
    b.icon = box->icon();
    b.pixmapless = box->iconPixmap().isNull();
    b.timer1Enabled = form_.idleTimer.Enabled();
    b.timer2Enabled = form_.tickTimer.Enabled();
    QAbstractButton* ok = box->button(QMessageBox::Ok);
    if (ok != nullptr) b.okText = ok->text();
    seen << b;
    if (ok != nullptr) {
      QTest::mouseClick(ok, Qt::LeftButton);
    } else {
      box->reject();
    }
  }
  MainForm& form_;
  QTimer poll_;
};

// Samples the face until it reads `until` or the guard runs out, noting every distinct face in
// the order seen.
QStringList FacesUntil(Session& s, const QString& until, int guardMs,
                       const std::function<void()>& eachSample = {}) {
  QStringList faces{s.shownFace()};
  QElapsedTimer guard;
  guard.start();
  while (faces.last() != until && guard.elapsed() < guardMs) {
    QTest::qWait(20);
    if (eachSample) eachSample();
    const QString now = s.shownFace();
    if (now != faces.last()) faces << now;
  }
  return faces;
}

}  // namespace

class RunTest : public QObject {
  Q_OBJECT

 private slots:
  void keysOnTheFocusedStartButton_data();
  void keysOnTheFocusedStartButton();
  void emptyCountdownIsRefusedWithABox_data();
  void emptyCountdownIsRefusedWithABox();
  void faceTicksAndColonBlinks();
  void countdownRunsOutWithItsCue();
  void modelFrameIsTheRealFrame_data();
  void modelFrameIsTheRealFrame();
  void startCentresThePointer_data();
  void startCentresThePointer();
  void restingPointerHidesAndMovingBringsItBack();
  void displayCount_data();
  void displayCount();
  // Ends the program, after which no nested event loop runs: keep it last.
  void closingTheMainWindowEndsEverything();
};

void RunTest::keysOnTheFocusedStartButton_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("starts");
  QTest::newRow("space") << static_cast<int>(Qt::Key_Space) << true;
  QTest::newRow("letter") << static_cast<int>(Qt::Key_A) << false;
  QTest::newRow("digit") << static_cast<int>(Qt::Key_5) << false;
  QTest::newRow("escape") << static_cast<int>(Qt::Key_Escape) << false;
}

void RunTest::keysOnTheFocusedStartButton() {
  QFETCH(int, key);
  QFETCH(bool, starts);
  Session s;
  s.Start();
  s.Click("zjs");  // count-up: a start from 00:00 needs no time set
  QVERIFY(xr::qttest::Activate(s.form()));
  QCOMPARE(QApplication::focusWidget(), s.widget("开始"));
  xr::qttest::PressKey(s.form(), static_cast<Qt::Key>(key));
  QCOMPARE(QApplication::activeModalWidget(), nullptr);
  const QString caption = starts ? QStringLiteral("暂 停") : QStringLiteral("开 始");
  QCOMPARE(QString::fromStdString(s.main().startButton.Caption()), caption);
  QCOMPARE(TextOf(s.widget("开始")), caption);
  QCOMPARE(VisibleChrome(s), starts ? 0 : 13);
  QCOMPARE(s.main().tickTimer.Enabled(), starts);
  QCOMPARE(s.main().blinkTimer.Enabled(), starts);
  QVERIFY(s.form()->isVisible());
  if (!starts) return;
  // The run hid the focused button: the next key only brings the chrome back, with the focus on
  // 暂 停, and the one after it pauses.
  xr::qttest::PressKey(s.form(), static_cast<Qt::Key>(key));
  QCOMPARE(VisibleChrome(s), 13);
  QVERIFY(s.main().tickTimer.Enabled());
  QCOMPARE(QApplication::focusWidget(), s.widget("开始"));
  xr::qttest::PressKey(s.form(), static_cast<Qt::Key>(key));
  QVERIFY(!s.main().tickTimer.Enabled());
}

void RunTest::emptyCountdownIsRefusedWithABox_data() {
  QTest::addColumn<bool>("byKey");
  QTest::addColumn<bool>("redFirst");  // a finished countdown left the face red
  QTest::newRow("click") << false << false;
  QTest::newRow("space") << true << false;
  QTest::newRow("click on a red face") << false << true;
}

void RunTest::emptyCountdownIsRefusedWithABox() {
  QFETCH(bool, byKey);
  QFETCH(bool, redFirst);
  Session s;
  s.Start();
  MainForm& f = s.main();
  if (redFirst) {
    xr::ClockState red = f.face.State();
    red.alert = true;
    f.face.Preset(red);
  }
  BoxCloser closer(f);
  if (byKey) {
    QVERIFY(xr::qttest::Activate(s.form()));
    xr::qttest::PressKey(s.form(), Qt::Key_Space);
  } else {
    s.Click("开始");
  }
  QCOMPARE(closer.seen.size(), 1);
  const BoxSeen& box = closer.seen.first();
  QCOMPARE(box.text, QStringLiteral("请先设置倒记时时间！"));
  QCOMPARE(box.title, QStringLiteral("岫然计时器"));
  QCOMPARE(box.buttons, 1);
  QCOMPARE(box.standard, QMessageBox::StandardButtons(QMessageBox::Ok));
  QCOMPARE(box.okText, QStringLiteral("确定"));
  // Only the box: Qt's own words, its diagnostics among them, stay as Qt wrote them.
  QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("OK"));
  QCOMPARE(box.icon, QMessageBox::NoIcon);
  QVERIFY(box.pixmapless);
  // The timers are switched off only once the box has been closed.
  QVERIFY(box.timer1Enabled);
  QVERIFY(!box.timer2Enabled);

  QCOMPARE(QApplication::activeModalWidget(), nullptr);
  QVERIFY(!f.idleTimer.Enabled());
  QVERIFY(!f.tickTimer.Enabled());
  QVERIFY(!f.blinkTimer.Enabled());
  QCOMPARE(QString::fromStdString(f.startButton.Caption()), QStringLiteral("开 始"));
  QCOMPARE(TextOf(s.widget("开始")), QStringLiteral("开 始"));
  QVERIFY(f.colon.Visible());
  QVERIFY(s.widget("mh1")->isVisibleTo(s.form()));
  QCOMPARE(VisibleChrome(s), 13);
  QCOMPARE(s.shownFace(), QStringLiteral("00:00"));
  // The click put the face back to its normal colour before it refused.
  const QColor normal = QApplication::palette().color(QPalette::ButtonText);
  for (const char* cell : {"f1", "f0", "mh1", "m1", "m0"}) {
    QVERIFY2(s.widget(cell)->palette().color(QPalette::WindowText) == normal, cell);
  }
  // Nothing ticks afterwards.
  QTest::qWait(1200);
  QCOMPARE(s.shownFace(), QStringLiteral("00:00"));
  QCOMPARE(closer.seen.size(), 1);
}

void RunTest::faceTicksAndColonBlinks() {
  Session s;
  s.Start();
  s.Click("zjs");
  s.Click("开始");
  QCOMPARE(TextOf(s.widget("开始")), QStringLiteral("暂 停"));
  QWidget* colon = s.widget("mh1");
  QList<bool> colonStates{colon->isVisibleTo(s.form())};
  int mismatches = 0;
  const QStringList faces = FacesUntil(s, "00:02", 6000, [&] {
    const bool shown = colon->isVisibleTo(s.form());
    if (shown != s.main().colon.Visible()) ++mismatches;
    if (s.modelFace() != s.shownFace()) ++mismatches;
    if (shown != colonStates.last()) colonStates << shown;
  });
  QCOMPARE(faces, (QStringList{"00:00", "00:01", "00:02"}));
  QCOMPARE(mismatches, 0);
  // Every half second the colon goes off or on: in two seconds it has changed several times.
  QVERIFY2(colonStates.size() >= 3, qPrintable(QString::number(colonStates.size())));
  QVERIFY(colonStates.contains(false));

  // A pause stops both and leaves the colon shown.
  // A pixel of movement brings the button back for the click.
  QCOMPARE(VisibleChrome(s), 0);
  QCursor::setPos(QCursor::pos() + QPoint(1, 1));
  QTRY_COMPARE_WITH_TIMEOUT(VisibleChrome(s), 13, 3000);
  s.Click("开始");
  QCOMPARE(TextOf(s.widget("开始")), QStringLiteral("开 始"));
  QVERIFY(colon->isVisibleTo(s.form()));
  const QString paused = s.shownFace();
  QTest::qWait(1200);
  QCOMPARE(s.shownFace(), paused);
  QVERIFY(colon->isVisibleTo(s.form()));
  s.Click("开始");
  QTest::qWait(50);
  // A count-up has no cue: its runs never ready the sound player.
  QCOMPARE(s.soundPreparations, 0);
}

void RunTest::countdownRunsOutWithItsCue() {
  Session s;
  s.Start();
  for (int i = 0; i < 4; ++i) s.Click("jm0");
  QCOMPARE(s.shownFace(), QStringLiteral("00:04"));
  QTest::qWait(50);
  QCOMPARE(s.soundPreparations, 0);
  s.Click("开始");
  // Readied after the click that started the countdown has been handled, and only once.
  QCOMPARE(s.soundPreparations, 0);
  QTRY_COMPARE(s.soundPreparations, 1);
  QCOMPARE(TextOf(s.widget("开始")), QStringLiteral("暂 停"));
  const QColor red(255, 0, 0);
  bool redAtThree = false;
  int soundsAtThree = -1;
  const QStringList faces = FacesUntil(s, "00:00", 9000, [&] {
    if (s.shownFace() == "00:03" && soundsAtThree < 0) {
      redAtThree = s.widget("m0")->palette().color(QPalette::WindowText) == red;
      soundsAtThree = static_cast<int>(s.sounds.size());
    }
  });
  QCOMPARE(faces, (QStringList{"00:04", "00:03", "00:02", "00:01", "00:00"}));
  QVERIFY(redAtThree);
  QCOMPARE(soundsAtThree, 1);
  QCOMPARE(s.soundPreparations, 1);
  QCoreApplication::processEvents();

  // Stopped: the button reads start again, the chrome and the pointer are back.
  QTRY_COMPARE(TextOf(s.widget("开始")), QStringLiteral("开 始"));
  QCOMPARE(VisibleChrome(s), 13);
  QVERIFY(!PointerBlank());
  QVERIFY(!s.main().idleTimer.Enabled());
  QVERIFY(!s.main().tickTimer.Enabled());
  QVERIFY(!s.main().blinkTimer.Enabled());
  QVERIFY(s.widget("mh1")->isVisibleTo(s.form()));
  for (const char* cell : {"f1", "f0", "mh1", "m1", "m0"}) {
    QVERIFY2(s.widget(cell)->palette().color(QPalette::WindowText) == red, cell);
  }

  // The cue went to the player once, from the file written at start-up.
  QCOMPARE(s.sounds.size(), 1);
  const QString cue = s.sounds.first();
  QVERIFY2(cue.endsWith("/xiuran-timer/3sdjs.wav"), qPrintable(cue));
  const QByteArray cache = qgetenv("XDG_CACHE_HOME");
  if (!cache.isEmpty()) QCOMPARE(cue, QString::fromLocal8Bit(cache) + "/xiuran-timer/3sdjs.wav");
  QCOMPARE(QFileInfo(cue).size(), qint64{824912});

  // The face stays red until the next click of start, which then refuses the empty countdown.
  QTest::qWait(1200);
  QCOMPARE(s.shownFace(), QStringLiteral("00:00"));
  BoxCloser closer(s.main());
  s.Click("开始");
  QCOMPARE(closer.seen.size(), 1);
  const QColor normal = QApplication::palette().color(QPalette::ButtonText);
  QCOMPARE(s.widget("f1")->palette().color(QPalette::WindowText), normal);
  QCOMPARE(s.sounds.size(), 1);
}

void RunTest::modelFrameIsTheRealFrame_data() {
  QTest::addColumn<int>("change");
  QTest::newRow("as opened") << 0;
  QTest::newRow("moved") << 1;
  QTest::newRow("resized") << 2;
  QTest::newRow("maximised") << 3;
}

// The centre of a start is computed from the outer frame the model holds: it must be the frame
// on screen, in twips.
void RunTest::modelFrameIsTheRealFrame() {
  QFETCH(int, change);
  Session s;
  s.Start();
  QWidget* form = s.form();
  if (change == 1) {
    form->move(31, 17);
    QTRY_COMPARE(form->frameGeometry().topLeft(), QPoint(31, 17));
  } else if (change == 2) {
    form->resize(333, 222);
    QTRY_COMPARE(form->size(), QSize(333, 222));
  } else if (change == 3) {
    form->showMaximized();
    QTRY_VERIFY(form->isMaximized());
  }
  QTest::qWait(50);
  const QRect frame = form->frameGeometry();
  const xr::Window& w = s.main().window;
  const QRect model(static_cast<int>(w.Left() / 15), static_cast<int>(w.Top() / 15),
                    static_cast<int>(w.Width() / 15), static_cast<int>(w.Height() / 15));
  QCOMPARE(model, frame);
}

void RunTest::startCentresThePointer_data() {
  QTest::addColumn<bool>("move");
  QTest::addColumn<QPoint>("topLeft");  // of the frame, logical pixels
  QTest::addColumn<QSize>("client");
  QTest::newRow("as opened") << false << QPoint() << QSize(520, 363);
  QTest::newRow("top left corner") << true << QPoint(0, 0) << QSize(520, 363);
  QTest::newRow("odd place") << true << QPoint(37, 23) << QSize(520, 363);
  QTest::newRow("odd size") << true << QPoint(12, 40) << QSize(301, 203);
  QTest::newRow("partly off the left edge") << true << QPoint(-100, 30) << QSize(520, 363);
}

void RunTest::startCentresThePointer() {
  QFETCH(bool, move);
  QFETCH(QPoint, topLeft);
  QFETCH(QSize, client);
  Session s;
  s.Start();
  QWidget* form = s.form();
  if (client != form->size()) {
    form->resize(client);
    QTRY_COMPARE(form->size(), client);
  }
  if (move) {
    form->move(topLeft);
    QTRY_COMPARE(form->frameGeometry().topLeft(), topLeft);
  }
  QCoreApplication::processEvents();
  QCursor::setPos(1, 1);
  s.Click("zjs");
  s.Click("开始");
  QCOMPARE(TextOf(s.widget("开始")), QStringLiteral("暂 停"));

  // The pointer lands in the middle of the window's outer frame...
  const QRect frame = form->frameGeometry();
  const QPoint centre = frame.center();
  const QPoint at = QCursor::pos();
  QVERIFY2(std::abs(at.x() - centre.x()) <= 1 && std::abs(at.y() - centre.y()) <= 1,
           qPrintable(QStringLiteral("pointer %1,%2 frame centre %3,%4")
                          .arg(at.x())
                          .arg(at.y())
                          .arg(centre.x())
                          .arg(centre.y())));
  // ...exactly where fifteen twips to the pixel put it: Left div 15 + Width div 30, each
  // division truncated on its own.
  const int x = (frame.x() * 15) / 15 + (frame.width() * 15) / 30;
  const int y = (frame.y() * 15) / 15 + (frame.height() * 15) / 30;
  QCOMPARE(at, QPoint(x, y));
  const MainForm& f = s.main();
  QCOMPARE(static_cast<int>(f.pointerX), x);
  QCOMPARE(static_cast<int>(f.pointerY), y);
  QCOMPARE(static_cast<int>(f.restX), x);
  QCOMPARE(static_cast<int>(f.restY), y);
  QCOMPARE(static_cast<int>(f.idleLimit), 3);
}

void RunTest::restingPointerHidesAndMovingBringsItBack() {
  Session s;
  s.Start();
  s.Click("zjs");
  s.Click("开始");
  QCOMPARE(VisibleChrome(s), 0);
  QVERIFY(!PointerBlank());
  const QPoint rest = QCursor::pos();
  // Left alone, the pointer goes three or four ticks after the start.
  QTRY_VERIFY_WITH_TIMEOUT(PointerBlank(), 7000);
  QCOMPARE(s.platform().DisplayCount(), -1);
  QCOMPARE(VisibleChrome(s), 0);
  QCOMPARE(QCursor::pos(), rest);

  // One pixel of movement brings back the pointer and all thirteen controls at the next tick.
  QCursor::setPos(rest + QPoint(1, 0));
  QTRY_VERIFY_WITH_TIMEOUT(!PointerBlank(), 3000);
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  QCOMPARE(s.platform().DisplayCount(), 0);
  QCOMPARE(VisibleChrome(s), 13);
  QCOMPARE(TextOf(s.widget("开始")), QStringLiteral("暂 停"));
  QCOMPARE(static_cast<int>(s.main().restX), rest.x() + 1);

  // Resting again hides both again.
  QTRY_VERIFY_WITH_TIMEOUT(PointerBlank(), 7000);
  QCOMPARE(VisibleChrome(s), 0);
}

void RunTest::displayCount_data() {
  QTest::addColumn<QString>("calls");  // '+' shows, '-' hides
  QTest::addColumn<QList<int>>("counts");
  QTest::addColumn<bool>("blank");
  QTest::newRow("hide") << "-" << QList<int>{-1} << true;
  QTest::newRow("hide show") << "-+" << QList<int>{-1, 0} << false;
  QTest::newRow("hide twice show once") << "--+" << QList<int>{-1, -2, -1} << true;
  QTest::newRow("hide twice show twice") << "--++" << QList<int>{-1, -2, -1, 0} << false;
  QTest::newRow("show") << "+" << QList<int>{1} << false;
  QTest::newRow("show hide") << "+-" << QList<int>{1, 0} << false;
  QTest::newRow("show hide hide") << "+--" << QList<int>{1, 0, -1} << true;
  QTest::newRow("alternating") << "-+-+-" << QList<int>{-1, 0, -1, 0, -1} << true;
  QTest::newRow("deep and back") << "-----+++++"
                                 << QList<int>{-1, -2, -3, -4, -5, -4, -3, -2, -1, 0} << false;
  QTest::newRow("high then low") << "+++----" << QList<int>{1, 2, 3, 2, 1, 0, -1} << true;
}

void RunTest::displayCount() {
  QFETCH(QString, calls);
  QFETCH(QList<int>, counts);
  QFETCH(bool, blank);
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  {
    xr::qt::QtPlatform platform;
    QList<int> got;
    for (QChar c : calls) got << platform.ShowCursor(c == '+');
    QCOMPARE(got, counts);
    QCOMPARE(platform.DisplayCount(), counts.last());
    QCOMPARE(PointerBlank(), blank);
    if (!blank) QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    // One blank cursor at most, however deep the count: a single restore removes it.
    if (blank) {
      QGuiApplication::restoreOverrideCursor();
      QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
      QGuiApplication::setOverrideCursor(Qt::BlankCursor);
    }
  }
  // A platform that goes away with the pointer hidden gives it back.
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void RunTest::closingTheMainWindowEndsEverything() {
  Session s;
  s.Start();
  s.Click("zjs");
  s.Click("开始");
  s.main().CursorOff();
  QVERIFY(PointerBlank());
  QCOMPARE(xr::qttest::CloseInsideEventLoop(s.form()), 0);
  QVERIFY(s.host().Ending());
  QVERIFY(!PointerBlank());
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  QVERIFY(xr::qttest::VisibleTopLevels().isEmpty());
  // No handler runs any more: the face stands still.
  const QString face = s.modelFace();
  QTest::qWait(1500);
  QCOMPARE(s.modelFace(), face);
}

QTEST_MAIN(RunTest)
#include "qt_run_test.moc"
