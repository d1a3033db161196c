// The main window as real widgets: its size and title, where every control lands in pixels and
// at what font size, clicks on the adjusters and selectors, the proportional layout under real
// resizes, minimising, and the keyboard.
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <map>

#include "tests/qt/qt_session.h"
#include "timer_face/face.h"

using xr::Control;
using xr::MainForm;
using xr::qttest::Session;
using xr::qttest::TextOf;

namespace {

struct Placed {
  QRect rect;
  int fontPixels;
  bool operator==(const Placed&) const = default;
};

// Every control that has a widget, with its place and font size in pixels.
std::map<QString, Placed> Snapshot(Session& s) {
  std::map<QString, Placed> shot;
  for (const auto& c : s.main().window.Controls()) {
    if (QWidget* w = s.platform().WidgetOf(*c)) {
      shot[QString::fromStdString(c->Name())] = {w->geometry(), w->font().pixelSize()};
    }
  }
  return shot;
}

void ResizeClient(QWidget* form, QSize size) {
  form->resize(size);
  QTRY_COMPARE(form->size(), size);
  QCoreApplication::processEvents();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void opensAtDesignSizeWithItsTitle();
  void designPlacesAndFonts_data();
  void designPlacesAndFonts();
  void onlyLabelsAndButtonsHaveWidgets();
  void faceColours_data();
  void faceColours();
  void adjusterClicks_data();
  void adjusterClicks();
  void selectorClicks_data();
  void selectorClicks();
  void resizeScales_data();
  void resizeScales();
  void doublingDoublesEveryControl();
  void roundTripGivesBackTheDesign_data();
  void roundTripGivesBackTheDesign();
  void minimiseAndRestore();
  void maximiseAndRestore();
  void tabOrderOfTheButtons();
  void labelsNeverTakeTheFocus();
};

void MainWindowTest::opensAtDesignSizeWithItsTitle() {
  Session s;
  s.Start();
  QWidget* form = s.form();
  QVERIFY(form != nullptr);
  QVERIFY(form->isVisible());
  QVERIFY(form->isWindow());
  QCOMPARE(form->size(), QSize(520, 363));
  QCOMPARE(form->windowTitle(), QStringLiteral("岫然计时器"));
  // The icon comes just after the first frame.
  QTRY_VERIFY(!form->windowIcon().isNull());
  QVERIFY(!form->isMaximized());
  QVERIFY(!form->isMinimized());
  // Centred on the screen (the frame may be a pixel or two off: it is unknown before showing).
  const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
  const QPoint centre = form->frameGeometry().center();
  QVERIFY2(std::abs(screen.x() - centre.x()) <= 3 && std::abs(screen.y() - centre.y()) <= 3,
           qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
  // Sizable, with a minimise and a maximise box.
  QVERIFY(form->minimumSize() != form->maximumSize());
  QVERIFY(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  // The model sees the client area in twips.
  QCOMPARE(s.main().window.ScaleWidth(), 7800.0f);
  QCOMPARE(s.main().window.ScaleHeight(), 5445.0f);
  QCOMPARE(s.modelFace(), QStringLiteral("00:00"));
  QCOMPARE(s.shownFace(), QStringLiteral("00:00"));
  QCOMPARE(TextOf(s.widget("mh1")), QStringLiteral(":"));
  QCOMPARE(TextOf(s.widget("开始")), QStringLiteral("开 始"));
  QCOMPARE(TextOf(s.widget("重置")), QStringLiteral("重 置"));
  QCOMPARE(TextOf(s.widget("more")), QStringLiteral("更多应用"));
  QVERIFY(s.sounds.isEmpty());
}

void MainWindowTest::designPlacesAndFonts_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QRect>("rect");
  QTest::addColumn<int>("fontPixels");
  // Twips / 15 and points * 4 / 3, rounded.
  QTest::newRow("more") << "more"
                        << "更多应用" << QRect(368, 304, 81, 33) << 14;
  QTest::newRow("重置") << "重置"
                        << "重 置" << QRect(216, 304, 81, 33) << 20;
  QTest::newRow("开始") << "开始"
                        << "开 始" << QRect(64, 304, 81, 33) << 20;
  QTest::newRow("km0") << "km0"
                       << "-" << QRect(400, 240, 49, 33) << 37;
  QTest::newRow("km1") << "km1"
                       << "-" << QRect(312, 240, 49, 33) << 37;
  QTest::newRow("kf0") << "kf0"
                       << "-" << QRect(160, 240, 49, 33) << 37;
  QTest::newRow("kf1") << "kf1"
                       << "-" << QRect(72, 240, 49, 33) << 37;
  QTest::newRow("jm0") << "jm0"
                       << "+" << QRect(400, 64, 49, 33) << 37;
  QTest::newRow("jm1") << "jm1"
                       << "+" << QRect(312, 64, 49, 33) << 37;
  QTest::newRow("jf0") << "jf0"
                       << "+" << QRect(160, 64, 49, 33) << 37;
  QTest::newRow("jf1") << "jf1"
                       << "+" << QRect(72, 64, 49, 33) << 37;
  QTest::newRow("mh1") << "mh1"
                       << ":" << QRect(224, 80, 81, 153) << 147;
  QTest::newRow("m0") << "m0"
                      << "0" << QRect(384, 96, 81, 153) << 147;
  QTest::newRow("m1") << "m1"
                      << "0" << QRect(296, 96, 81, 153) << 147;
  QTest::newRow("f0") << "f0"
                      << "0" << QRect(144, 96, 81, 153) << 147;
  QTest::newRow("djs") << "djs"
                       << "倒计时" << QRect(264, 8, 121, 31) << 29;
  QTest::newRow("zjs") << "zjs"
                       << "正计时" << QRect(144, 8, 121, 31) << 29;
  QTest::newRow("f1") << "f1"
                      << "0" << QRect(56, 96, 81, 153) << 147;
}

void MainWindowTest::designPlacesAndFonts() {
  QFETCH(QString, control);
  QFETCH(QString, caption);
  QFETCH(QRect, rect);
  QFETCH(int, fontPixels);
  Session s;
  s.Start();
  QWidget* w = s.widget(control.toStdString());
  QVERIFY(w != nullptr);
  QCOMPARE(w->parentWidget(), s.form());
  QVERIFY(w->isVisible());
  QVERIFY(w->isEnabled());
  QCOMPARE(w->geometry(), rect);
  QCOMPARE(w->font().pixelSize(), fontPixels);
  QCOMPARE(TextOf(w), caption);
  QVERIFY(!w->font().bold());
  QVERIFY(!w->font().italic());
  // Whatever face stands in for 宋体 must be able to show the Chinese captions.
  const QString family = QFontInfo(w->font()).family();
  QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese),
           qPrintable(family));
  if (auto* label = qobject_cast<QLabel*>(w)) {
    QVERIFY(label->alignment().testFlag(Qt::AlignHCenter));
    QVERIFY(!label->wordWrap());
  }
}

void MainWindowTest::onlyLabelsAndButtonsHaveWidgets() {
  Session s;
  s.Start();
  const QList<QWidget*> children = s.form()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  QCOMPARE(children.size(), 18);
  int buttons = 0;
  for (QWidget* w : children) {
    QVERIFY(w->isVisible());
    if (qobject_cast<QPushButton*>(w) != nullptr) {
      ++buttons;
    } else {
      QVERIFY2(qobject_cast<QLabel*>(w) != nullptr, w->metaObject()->className());
    }
  }
  QCOMPARE(buttons, 3);
}

void MainWindowTest::faceColours_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<bool>("black");  // otherwise the button-text colour
  QTest::newRow("f1") << "f1" << false;
  QTest::newRow("f0") << "f0" << false;
  QTest::newRow("mh1") << "mh1" << false;
  QTest::newRow("m1") << "m1" << false;
  QTest::newRow("m0 is black") << "m0" << true;
  QTest::newRow("zjs") << "zjs" << false;
  QTest::newRow("jf1") << "jf1" << false;
}

void MainWindowTest::faceColours() {
  QFETCH(QString, control);
  QFETCH(bool, black);
  Session s;
  s.Start();
  QWidget* w = s.widget(control.toStdString());
  QVERIFY(w != nullptr);
  const QColor expected =
      black ? QColor(Qt::black) : QApplication::palette().color(QPalette::ButtonText);
  QCOMPARE(w->palette().color(QPalette::WindowText), expected);
}

void MainWindowTest::adjusterClicks_data() {
  QTest::addColumn<QString>("adjuster");
  QTest::addColumn<int>("clicks");
  QTest::addColumn<QString>("cell");
  QTest::addColumn<QString>("caption");
  // Each adjuster's widget once: the digits' wrap rules are the clock rules' rows.
  QTest::newRow("jf1") << "jf1" << 1 << "f1"
                       << "1";
  QTest::newRow("jf0") << "jf0" << 1 << "f0"
                       << "1";
  QTest::newRow("jm1") << "jm1" << 1 << "m1"
                       << "1";
  QTest::newRow("jm0") << "jm0" << 1 << "m0"
                       << "1";
  QTest::newRow("kf1") << "kf1" << 1 << "f1"
                       << "5";
  QTest::newRow("kf0") << "kf0" << 1 << "f0"
                       << "9";
  QTest::newRow("km1") << "km1" << 1 << "m1"
                       << "5";
  QTest::newRow("km0") << "km0" << 1 << "m0"
                       << "9";
}

void MainWindowTest::adjusterClicks() {
  QFETCH(QString, adjuster);
  QFETCH(int, clicks);
  QFETCH(QString, cell);
  QFETCH(QString, caption);
  Session s;
  s.Start();
  for (int i = 0; i < clicks; ++i) s.Click(adjuster.toStdString());
  QCOMPARE(QString::fromStdString(s.main().window.Get<xr::Label>(cell.toStdString()).Caption()),
           caption);
  QCOMPARE(TextOf(s.widget(cell.toStdString())), caption);
  // The other three cells are untouched: an adjuster never carries.
  int changed = 0;
  for (const char* other : {"f1", "f0", "m1", "m0"}) {
    if (TextOf(s.widget(other)) != "0") ++changed;
  }
  QCOMPARE(changed, caption == "0" ? 0 : 1);
  QCOMPARE(s.modelFace(), s.shownFace());
}

void MainWindowTest::selectorClicks_data() {
  QTest::addColumn<QStringList>("clicks");
  QTest::addColumn<bool>("countdown");
  // Each selector's widget and the design's choice: the rest of the selection rules are the clock
  // rules' rows.
  QTest::newRow("none") << QStringList{} << true;
  QTest::newRow("zjs") << QStringList{"zjs"} << false;
  QTest::newRow("zjs djs") << QStringList{"zjs", "djs"} << true;
}

void MainWindowTest::selectorClicks() {
  QFETCH(QStringList, clicks);
  QFETCH(bool, countdown);
  Session s;
  s.Start();
  for (const QString& c : clicks) s.Click(c.toStdString());
  QCOMPARE(s.main().face.State().mode == xr::Mode::Countdown, countdown);
  const QColor selected(0xE0, 0xE0, 0xE0);
  const QColor white(0xFF, 0xFF, 0xFF);
  QWidget* zjs = s.widget("zjs");
  QWidget* djs = s.widget("djs");
  QVERIFY(zjs->autoFillBackground());
  QVERIFY(djs->autoFillBackground());
  QCOMPARE(zjs->palette().color(QPalette::Window), countdown ? white : selected);
  QCOMPARE(djs->palette().color(QPalette::Window), countdown ? selected : white);
  // The digits are transparent: the window shows through them.
  QVERIFY(!s.widget("f1")->autoFillBackground());
  QVERIFY(!s.widget("jf1")->autoFillBackground());
  QCOMPARE(s.shownFace(), QStringLiteral("00:00"));
}

void MainWindowTest::resizeScales_data() {
  QTest::addColumn<QSize>("client");
  QTest::addColumn<QString>("control");
  QTest::addColumn<QRect>("rect");
  QTest::addColumn<int>("fontPixels");

  const QSize twice(1040, 726);
  QTest::newRow("twice f1") << twice << "f1" << QRect(112, 192, 162, 306) << 294;
  QTest::newRow("twice mh1") << twice << "mh1" << QRect(448, 160, 162, 306) << 294;
  QTest::newRow("twice djs") << twice << "djs" << QRect(528, 16, 242, 62) << 58;
  QTest::newRow("twice km0") << twice << "km0" << QRect(800, 480, 98, 66) << 74;
  QTest::newRow("twice 开始") << twice << "开始" << QRect(128, 608, 162, 66) << 40;
  QTest::newRow("twice more") << twice << "more" << QRect(736, 608, 162, 66) << 28;

  // Wider only: places and widths follow, heights and font sizes stay.
  const QSize wider(1040, 363);
  QTest::newRow("wider f1") << wider << "f1" << QRect(112, 96, 162, 153) << 147;
  QTest::newRow("wider mh1") << wider << "mh1" << QRect(448, 80, 162, 153) << 147;
  QTest::newRow("wider djs") << wider << "djs" << QRect(528, 8, 242, 31) << 29;
  QTest::newRow("wider jm0") << wider << "jm0" << QRect(800, 64, 98, 33) << 37;
  QTest::newRow("wider more") << wider << "more" << QRect(736, 304, 162, 33) << 14;

  // Lower only: two thirds of the height; the font sizes follow the height.
  const QSize lower(520, 242);
  QTest::newRow("lower f1") << lower << "f1" << QRect(56, 64, 81, 102) << 98;
  QTest::newRow("lower mh1") << lower << "mh1" << QRect(224, 53, 81, 102) << 98;
  QTest::newRow("lower zjs") << lower << "zjs" << QRect(144, 5, 121, 21) << 19;
  QTest::newRow("lower jf1") << lower << "jf1" << QRect(72, 43, 49, 22) << 25;
  QTest::newRow("lower kf1") << lower << "kf1" << QRect(72, 160, 49, 22) << 25;
  QTest::newRow("lower 开始") << lower << "开始" << QRect(64, 203, 81, 22) << 13;
  QTest::newRow("lower more") << lower << "more" << QRect(368, 203, 81, 22) << 9;
}

void MainWindowTest::resizeScales() {
  QFETCH(QSize, client);
  QFETCH(QString, control);
  QFETCH(QRect, rect);
  QFETCH(int, fontPixels);
  Session s;
  s.Start();
  ResizeClient(s.form(), client);
  QCOMPARE(s.main().window.ScaleWidth(), client.width() * 15.0f);
  QCOMPARE(s.main().window.ScaleHeight(), client.height() * 15.0f);
  QWidget* w = s.widget(control.toStdString());
  QCOMPARE(w->geometry(), rect);
  QCOMPARE(w->font().pixelSize(), fontPixels);
}

void MainWindowTest::doublingDoublesEveryControl() {
  Session s;
  s.Start();
  const auto design = Snapshot(s);
  QCOMPARE(design.size(), std::size_t{18});
  ResizeClient(s.form(), QSize(1040, 726));
  const auto doubled = Snapshot(s);
  for (const auto& [name, at] : design) {
    const Placed& now = doubled.at(name);
    const QRect want(at.rect.x() * 2, at.rect.y() * 2, at.rect.width() * 2, at.rect.height() * 2);
    QVERIFY2(now.rect == want, qPrintable(name));
    QVERIFY2(now.fontPixels == at.fontPixels * 2, qPrintable(name));
  }
}

void MainWindowTest::roundTripGivesBackTheDesign_data() {
  QTest::addColumn<QSize>("through");
  QTest::newRow("larger") << QSize(1040, 726);
  QTest::newRow("odd size") << QSize(777, 411);
  QTest::newRow("tiny") << QSize(40, 30);
  QTest::newRow("narrow and tall") << QSize(300, 700);
}

void MainWindowTest::roundTripGivesBackTheDesign() {
  QFETCH(QSize, through);
  Session s;
  s.Start();
  const auto design = Snapshot(s);
  ResizeClient(s.form(), through);
  QVERIFY(Snapshot(s) != design || through == QSize(520, 363));
  ResizeClient(s.form(), QSize(520, 363));
  const auto back = Snapshot(s);
  for (const auto& [name, at] : design) {
    QVERIFY2(back.at(name).rect == at.rect, qPrintable(name));
    QVERIFY2(back.at(name).fontPixels == at.fontPixels, qPrintable(name));
  }
}

void MainWindowTest::minimiseAndRestore() {
  Session s;
  s.Start();
  const auto design = Snapshot(s);
  QWidget* form = s.form();
  form->showMinimized();
  QCoreApplication::processEvents();
  QVERIFY(form->isMinimized());
  // A minimised window has no client area: the layout is applied at zero size, and the font
  // sizes, which cannot be zero, stay as they were.
  QCOMPARE(s.main().window.ScaleWidth(), 0.0f);
  QCOMPARE(s.main().window.ScaleHeight(), 0.0f);
  QCOMPARE(s.widget("f1")->geometry(), QRect(0, 0, 0, 0));
  QCOMPARE(s.widget("f1")->font().pixelSize(), 147);
  form->showNormal();
  QCoreApplication::processEvents();
  QVERIFY(!form->isMinimized());
  QCOMPARE(form->size(), QSize(520, 363));
  const auto back = Snapshot(s);
  for (const auto& [name, at] : design) {
    QVERIFY2(back.at(name).rect == at.rect, qPrintable(name));
    QVERIFY2(back.at(name).fontPixels == at.fontPixels, qPrintable(name));
  }
}

void MainWindowTest::maximiseAndRestore() {
  Session s;
  s.Start();
  const auto design = Snapshot(s);
  QWidget* form = s.form();
  form->showMaximized();
  QTRY_VERIFY(form->isMaximized());
  QTRY_VERIFY(form->size() != QSize(520, 363));
  QCoreApplication::processEvents();
  const QSize big = form->size();
  // The face follows the height of the client area, or the width in one narrower than 5:4.
  const double scale = std::min(big.height() / 363.0, big.width() / 1.25 / 363.0);
  QCOMPARE(s.widget("f1")->font().pixelSize(),
           static_cast<int>(std::lround(110.25 * scale * 4 / 3)));
  form->showNormal();
  QTRY_COMPARE(form->size(), QSize(520, 363));
  QCoreApplication::processEvents();
  const auto back = Snapshot(s);
  for (const auto& [name, at] : design) {
    QVERIFY2(back.at(name).rect == at.rect, qPrintable(name));
    QVERIFY2(back.at(name).fontPixels == at.fontPixels, qPrintable(name));
  }
}

void MainWindowTest::tabOrderOfTheButtons() {
  Session s;
  s.Start();
  QWidget* form = s.form();
  QTRY_VERIFY(!form->windowIcon().isNull());  // the first frame: the labels join the order
  QVERIFY(xr::qttest::Activate(form));
  QCOMPARE(QApplication::focusWidget(), s.widget("开始"));
  const char* order[] = {"重置", "more", "zjs", "djs", "jf1", "jf0",  "jm1",
                         "jm0",  "kf1",  "kf0", "km1", "km0", "开始", "重置"};
  for (const char* next : order) {
    xr::qttest::PressKey(form, Qt::Key_Tab);
    QVERIFY2(QApplication::focusWidget() == s.widget(next), next);
  }
  // Backwards as well.
  xr::qttest::PressKey(form, Qt::Key_Backtab);
  QCOMPARE(QApplication::focusWidget(), s.widget("开始"));
  xr::qttest::PressKey(form, Qt::Key_Backtab);
  QCOMPARE(QApplication::focusWidget(), s.widget("km0"));
}

void MainWindowTest::labelsNeverTakeTheFocus() {
  Session s;
  s.Start();
  QTRY_VERIFY(!s.form()->windowIcon().isNull());
  QVERIFY(xr::qttest::Activate(s.form()));
  // The face is read, never pressed: a click on it leaves the focus where it was.
  xr::qttest::PressKey(s.form(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), s.widget("重置"));
  for (const char* label : {"f1", "f0", "mh1", "m1", "m0"}) {
    QVERIFY2(s.widget(label)->focusPolicy() == Qt::NoFocus, label);
    s.Click(label);
    QVERIFY2(QApplication::focusWidget() == s.widget("重置"), label);
  }
}

QTEST_MAIN(MainWindowTest)
#include "qt_main_window_test.moc"
