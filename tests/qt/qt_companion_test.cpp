// The more-apps and contact windows as real widgets: opened from the main window's buttons, one
// instance each, built anew after closing, their links handed to the browser one target per
// button, their keyboard focus and their fixed texts.
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include "companion_windows/catalogue.h"
#include "companion_windows/companion_forms.h"
#include "platform/qt/qt_window_view.h"
#include "tests/qt/qt_session.h"

using xr::qttest::Session;
using xr::qttest::TextOf;
using xr::qttest::VisibleTopLevels;

namespace {

const QString kMoreTitle = QStringLiteral("应用列表");
const QString kContactTitle = QStringLiteral("联系作者");

// Stands in for the browser: every address the program opens lands here.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QStringList urls;

 public slots:
  void open(const QUrl& url) { urls << url.toString(QUrl::FullyEncoded); }
};

QWidget* OpenMoreApps(Session& s) {
  s.Click("more");
  xr::MoreAppsForm* m = s.program().MoreApps();
  return m == nullptr ? nullptr : s.form(m->window);
}

QWidget* OpenContact(Session& s) {
  xr::MoreAppsForm* m = s.program().MoreApps();
  if (m == nullptr) return nullptr;
  s.Click(m->window, "lianxi");
  xr::ContactForm* c = s.program().Contact();
  return c == nullptr ? nullptr : s.form(c->window);
}

QWidget* MoreWidget(Session& s, const char* name) {
  xr::MoreAppsForm* m = s.program().MoreApps();
  return m == nullptr ? nullptr : s.widget(m->window, name);
}

QWidget* ContactWidget(Session& s, const char* name) {
  xr::ContactForm* c = s.program().Contact();
  return c == nullptr ? nullptr : s.widget(c->window, name);
}

// How far the window's frame is from the middle of the screen, in pixels.
int OffCentre(const QWidget* form) {
  const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
  const QPoint frame = form->frameGeometry().center();
  return std::max(std::abs(screen.x() - frame.x()), std::abs(screen.y() - frame.y()));
}

QSize BackgroundSize(QWidget* form) {
  auto* f = dynamic_cast<xr::qt::FormWidget*>(form);
  return f == nullptr ? QSize() : f->background.size();
}

}  // namespace

class CompanionTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();

  void moreAppsWindowAsDesigned();
  void moreAppsControls_data();
  void moreAppsControls();
  void eachButtonOpensItsOwnTarget_data();
  void eachButtonOpensItsOwnTarget();
  void moreTwiceGivesOneWindow();
  void closingDestroysAndReopeningRebuilds_data();
  void closingDestroysAndReopeningRebuilds();
  void moreAppsTabOrder();
  void spaceRightAfterOpening_data();
  void spaceRightAfterOpening();
  void contactWindowAsDesigned();
  void contactControls_data();
  void contactControls();
  void contactTwiceGivesOneWindow();
  void contactClosingDestroysAndReopeningRebuilds_data();
  void contactClosingDestroysAndReopeningRebuilds();
  void contactOutlivesTheMoreAppsWindow();
  void mainWindowWorksWhileCompanionsAreOpen();
  void windowsGoWithTheProgramInEitherOrder_data();
  void windowsGoWithTheProgramInEitherOrder();
  // Ends the program, after which no nested event loop runs: keep it last.
  void closingTheMainWindowClosesTheCompanions();

 private:
  UrlRecorder browser_;
};

void CompanionTest::initTestCase() {
  QDesktopServices::setUrlHandler("https", &browser_, "open");
  QDesktopServices::setUrlHandler("http", &browser_, "open");
}

void CompanionTest::cleanupTestCase() {
  QDesktopServices::unsetUrlHandler("https");
  QDesktopServices::unsetUrlHandler("http");
}

void CompanionTest::init() { browser_.urls.clear(); }

void CompanionTest::moreAppsWindowAsDesigned() {
  Session s;
  s.Start();
  QWidget* form = OpenMoreApps(s);
  QVERIFY(form != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(form));
  QVERIFY(form != s.form());
  QCOMPARE(form->windowTitle(), kMoreTitle);
  QCOMPARE(form->size(), QSize(531, 366));
  // Fixed size: the user cannot make it larger or smaller.
  QCOMPARE(form->minimumSize(), QSize(531, 366));
  QCOMPARE(form->maximumSize(), QSize(531, 366));
  form->resize(700, 500);
  QCoreApplication::processEvents();
  QCOMPARE(form->size(), QSize(531, 366));
  QVERIFY(!form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  // Not modal and not owned by the main window.
  QCOMPARE(form->parentWidget(), nullptr);
  QCOMPARE(form->windowModality(), Qt::NonModal);
  // The icon comes just after the first frame.
  QTRY_VERIFY(!form->windowIcon().isNull());
  QCOMPARE(BackgroundSize(form), QSize(533, 367));
  QVERIFY2(OffCentre(form) <= 3, qPrintable(QString::number(OffCentre(form))));
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  QVERIFY(browser_.urls.isEmpty());
}

void CompanionTest::moreAppsControls_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QRect>("rect");
  QTest::addColumn<int>("fontPixels");
  const xr::Catalogue& cat = xr::TheCatalogue();
  auto link = [&](int n) { return QString::fromStdString(cat.links[n - 1].caption); };
  QTest::newRow("Label1") << "Label1"
                          << "岫然应用程序" << QRect(80, 32, 385, 33) << 29;
  QTest::newRow("link1") << "link1" << link(1) << QRect(28, 80, 145, 33) << 19;
  QTest::newRow("link2") << "link2" << link(2) << QRect(192, 80, 145, 33) << 19;
  QTest::newRow("link3") << "link3" << link(3) << QRect(359, 80, 145, 33) << 19;
  QTest::newRow("link4") << "link4" << link(4) << QRect(28, 132, 145, 33) << 19;
  QTest::newRow("link5") << "link5" << link(5) << QRect(192, 132, 145, 33) << 19;
  QTest::newRow("link6") << "link6" << link(6) << QRect(359, 132, 145, 33) << 19;
  QTest::newRow("link7") << "link7" << link(7) << QRect(28, 183, 145, 33) << 19;
  QTest::newRow("link8") << "link8" << link(8) << QRect(192, 183, 145, 33) << 19;
  QTest::newRow("link9") << "link9" << link(9) << QRect(360, 184, 145, 33) << 19;
  QTest::newRow("link10") << "link10" << link(10) << QRect(192, 232, 145, 33) << 19;
  QTest::newRow("softdown") << "softdown"
                            << "软件下载网站" << QRect(28, 232, 145, 33) << 19;
  QTest::newRow("close") << "close"
                         << "关  闭" << QRect(104, 304, 137, 33) << 24;
  QTest::newRow("lianxi") << "lianxi"
                          << "联系作者" << QRect(312, 304, 129, 33) << 24;
}

void CompanionTest::moreAppsControls() {
  QFETCH(QString, control);
  QFETCH(QString, caption);
  QFETCH(QRect, rect);
  QFETCH(int, fontPixels);
  Session s;
  s.Start();
  QWidget* form = OpenMoreApps(s);
  QVERIFY(form != nullptr);
  QWidget* w = MoreWidget(s, control.toUtf8().constData());
  QVERIFY(w != nullptr);
  QCOMPARE(w->parentWidget(), form);
  QVERIFY(w->isVisible());
  QCOMPARE(w->geometry(), rect);
  QCOMPARE(TextOf(w), caption);
  QCOMPARE(w->font().pixelSize(), fontPixels);
  QVERIFY(!w->font().bold());
  if (auto* label = qobject_cast<QLabel*>(w)) {
    QVERIFY(label->alignment().testFlag(Qt::AlignHCenter));
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    QVERIFY(!label->autoFillBackground());
  } else {
    QVERIFY(w->focusPolicy() != Qt::NoFocus);
  }
}

void CompanionTest::eachButtonOpensItsOwnTarget_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("target");
  const xr::Catalogue& cat = xr::TheCatalogue();
  for (int i = 0; i < 10; ++i) {
    const QByteArray name = "link" + QByteArray::number(i + 1);
    QTest::newRow(name.constData())
        << QString::fromLatin1(name) << QString::fromStdString(cat.links[i].target);
  }
  QTest::newRow("softdown") << "softdown" << QString::fromStdString(cat.softdownTarget);
}

void CompanionTest::eachButtonOpensItsOwnTarget() {
  QFETCH(QString, button);
  QFETCH(QString, target);
  Session s;
  s.Start();
  QWidget* form = OpenMoreApps(s);
  QVERIFY(form != nullptr);
  const QList<QWidget*> before = VisibleTopLevels();
  QCOMPARE(before.size(), 2);
  QVERIFY(browser_.urls.isEmpty());
  s.Click(s.program().MoreApps()->window, button.toStdString());
  QCoreApplication::processEvents();
  QCOMPARE(browser_.urls, QStringList{target});
  // Nothing to see: no box, no new window, and the more-apps window stays as it was.
  QCOMPARE(VisibleTopLevels(), before);
  QCOMPARE(QApplication::activeModalWidget(), nullptr);
  QCOMPARE(s.form(s.program().MoreApps()->window), form);
  QCOMPARE(s.program().Contact(), nullptr);
  QCOMPARE(s.shownFace(), QStringLiteral("00:00"));
}

void CompanionTest::moreTwiceGivesOneWindow() {
  Session s;
  s.Start();
  QWidget* first = OpenMoreApps(s);
  QVERIFY(first != nullptr);
  xr::MoreAppsForm* model = s.program().MoreApps();
  // Back to the main window, then "更多应用" once more: the open window comes forward.
  QVERIFY(xr::qttest::Activate(s.form()));
  QWidget* second = OpenMoreApps(s);
  QCOMPARE(second, first);
  QCOMPARE(s.program().MoreApps(), model);
  QCOMPARE(VisibleTopLevels(kMoreTitle).size(), 1);
  QTRY_COMPARE(QApplication::activeWindow(), first);
  QCOMPARE(VisibleTopLevels().size(), 2);
}

void CompanionTest::closingDestroysAndReopeningRebuilds_data() {
  QTest::addColumn<bool>("closeBox");
  QTest::newRow("关  闭 button") << false;
  QTest::newRow("close box") << true;
}

void CompanionTest::closingDestroysAndReopeningRebuilds() {
  QFETCH(bool, closeBox);
  Session s;
  s.Start();
  QWidget* form = OpenMoreApps(s);
  QVERIFY(form != nullptr);
  const QPoint opened = form->frameGeometry().topLeft();
  // Leave it changed: moved, with the focus further on.
  QVERIFY(xr::qttest::Activate(form));
  for (int i = 0; i < 4; ++i) xr::qttest::PressKey(form, Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), MoreWidget(s, "link5"));
  form->move(5, 5);
  QTRY_COMPARE(form->frameGeometry().topLeft(), QPoint(5, 5));

  QPointer<QWidget> old(form);
  if (closeBox) {
    QVERIFY(form->close());
  } else {
    s.Click(s.program().MoreApps()->window, "close");
  }
  QCOMPARE(s.program().MoreApps(), nullptr);
  QVERIFY(VisibleTopLevels(kMoreTitle).isEmpty());
  xr::qttest::FlushDeletes();
  QVERIFY(old.isNull());
  QVERIFY(s.form()->isVisible());
  QVERIFY(!s.host().Ending());

  QWidget* again = OpenMoreApps(s);
  QVERIFY(again != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(again));
  QCOMPARE(VisibleTopLevels(kMoreTitle).size(), 1);
  QCOMPARE(again->frameGeometry().topLeft(), opened);
  QCOMPARE(again->size(), QSize(531, 366));
  QCOMPARE(MoreWidget(s, "link9")->geometry(), QRect(360, 184, 145, 33));
  QCOMPARE(MoreWidget(s, "close")->geometry(), QRect(104, 304, 137, 33));
  QVERIFY(xr::qttest::Activate(again));
  QCOMPARE(QApplication::focusWidget(), MoreWidget(s, "link1"));
  QVERIFY(browser_.urls.isEmpty());
}

void CompanionTest::moreAppsTabOrder() {
  Session s;
  s.Start();
  QWidget* form = OpenMoreApps(s);
  QVERIFY(xr::qttest::Activate(form));
  QCOMPARE(QApplication::focusWidget(), MoreWidget(s, "link1"));
  const char* order[] = {"link2", "link3",    "link4",  "link5",  "link6", "link7", "link8",
                         "close", "softdown", "link10", "lianxi", "link9", "link1"};
  for (const char* next : order) {
    xr::qttest::PressKey(form, Qt::Key_Tab);
    QVERIFY2(QApplication::focusWidget() == MoreWidget(s, next), next);
  }
  QVERIFY(browser_.urls.isEmpty());
}

void CompanionTest::spaceRightAfterOpening_data() {
  QTest::addColumn<bool>("contact");
  QTest::newRow("more-apps: link button 1") << false;
  QTest::newRow("contact: 关  闭") << true;
}

void CompanionTest::spaceRightAfterOpening() {
  QFETCH(bool, contact);
  Session s;
  s.Start();
  QWidget* more = OpenMoreApps(s);
  QVERIFY(more != nullptr);
  if (!contact) {
    QVERIFY(xr::qttest::Activate(more));
    xr::qttest::PressKey(more, Qt::Key_Space);
    QCOMPARE(browser_.urls,
             QStringList{QString::fromStdString(xr::TheCatalogue().links[0].target)});
    QCOMPARE(VisibleTopLevels().size(), 2);
    return;
  }
  QWidget* form = OpenContact(s);
  QVERIFY(form != nullptr);
  QVERIFY(xr::qttest::Activate(form));
  QCOMPARE(QApplication::focusWidget(), ContactWidget(s, "goback"));
  xr::qttest::PressKey(form, Qt::Key_Space);
  QCOMPARE(s.program().Contact(), nullptr);
  QVERIFY(VisibleTopLevels(kContactTitle).isEmpty());
  QCOMPARE(VisibleTopLevels(kMoreTitle).size(), 1);
  QVERIFY(browser_.urls.isEmpty());
}

void CompanionTest::contactWindowAsDesigned() {
  Session s;
  s.Start();
  OpenMoreApps(s);
  QWidget* form = OpenContact(s);
  QVERIFY(form != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(form));
  QCOMPARE(form->windowTitle(), kContactTitle);
  QCOMPARE(form->size(), QSize(720, 404));
  QCOMPARE(form->parentWidget(), nullptr);
  QCOMPARE(form->windowModality(), Qt::NonModal);
  QVERIFY(!form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  QCOMPARE(BackgroundSize(form), QSize(726, 506));
  QVERIFY2(OffCentre(form) <= 3, qPrintable(QString::number(OffCentre(form))));
  // An icon of its own, not the program's.
  // The icon comes just after the first frame.
  QTRY_VERIFY(!form->windowIcon().isNull());
  const QImage own = form->windowIcon().pixmap(QSize(32, 32)).toImage();
  const QImage app = s.form()->windowIcon().pixmap(QSize(32, 32)).toImage();
  QVERIFY(own != app);
  // Only the button takes the focus.
  int focusable = 0;
  for (QWidget* w : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w->focusPolicy() != Qt::NoFocus) ++focusable;
  }
  QCOMPARE(focusable, 1);
  // Sizable: a larger window keeps every control where it was.
  const QRect goback = ContactWidget(s, "goback")->geometry();
  form->resize(900, 560);
  QTRY_COMPARE(form->size(), QSize(900, 560));
  QCOMPARE(ContactWidget(s, "goback")->geometry(), goback);
  QCOMPARE(ContactWidget(s, "Label1")->geometry(), QRect(16, 64, 681, 41));
}

void CompanionTest::contactControls_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("text");  // empty for a picture
  QTest::addColumn<QRect>("rect");
  QTest::addColumn<int>("fontPixels");  // 0 for a picture
  QTest::addColumn<bool>("bold");
  QTest::addColumn<bool>("centred");
  const QString notice = QStringLiteral(
      "    "
      "本软件为免费软件，如果觉得好用，请分享给你的亲朋好友；如发现有问题或是意见和建议，请联系作"
      "者，感谢你的支持！");
  QTest::newRow("Label2") << "Label2"
                          << "常用办公助手软件" << QRect(168, 16, 369, 33) << 29 << true << true;
  QTest::newRow("Label1") << "Label1" << notice << QRect(16, 64, 681, 41) << 19 << false << false;
  QTest::newRow("Label6") << "Label6" << QString::fromStdString(xr::InvitationText())
                          << QRect(16, 112, 689, 33) << 19 << false << false;
  QTest::newRow("Image1") << "Image1"
                          << "" << QRect(16, 160, 153, 153) << 0 << false << false;
  QTest::newRow("Image2") << "Image2"
                          << "" << QRect(189, 160, 153, 153) << 0 << false << false;
  QTest::newRow("Image3") << "Image3"
                          << "" << QRect(362, 160, 153, 153) << 0 << false << false;
  QTest::newRow("Image4") << "Image4"
                          << "" << QRect(536, 160, 153, 153) << 0 << false << false;
  QTest::newRow("Label7") << "Label7" << QString::fromStdString(xr::WeChatLabel())
                          << QRect(24, 320, 153, 25) << 16 << false << false;
  QTest::newRow("Label8") << "Label8" << QString::fromStdString(xr::QQLabel())
                          << QRect(212, 320, 129, 25) << 16 << false << false;
  QTest::newRow("Label9") << "Label9"
                          << "微信公众号" << QRect(400, 320, 113, 25) << 16 << false << false;
  QTest::newRow("Label10") << "Label10"
                           << "分享软件" << QRect(549, 320, 137, 25) << 16 << false << true;
  QTest::newRow("goback") << "goback"
                          << "关  闭" << QRect(280, 352, 137, 33) << 21 << false << true;
}

void CompanionTest::contactControls() {
  QFETCH(QString, control);
  QFETCH(QString, text);
  QFETCH(QRect, rect);
  QFETCH(int, fontPixels);
  QFETCH(bool, bold);
  QFETCH(bool, centred);
  Session s;
  s.Start();
  OpenMoreApps(s);
  QWidget* form = OpenContact(s);
  QVERIFY(form != nullptr);
  QWidget* w = ContactWidget(s, control.toUtf8().constData());
  QVERIFY(w != nullptr);
  QCOMPARE(w->parentWidget(), form);
  QVERIFY(w->isVisible());
  QCOMPARE(w->geometry(), rect);
  auto* label = qobject_cast<QLabel*>(w);
  if (fontPixels == 0) {
    // A picture fills its box whatever the picture's own size.
    QVERIFY(label != nullptr);
    QVERIFY(label->hasScaledContents());
    QVERIFY(!label->pixmap().isNull());
    return;
  }
  QCOMPARE(TextOf(w), text);
  QCOMPARE(w->font().pixelSize(), fontPixels);
  QCOMPARE(w->font().bold(), bold);
  if (label != nullptr) {
    QVERIFY(label->wordWrap());
    QVERIFY(!label->autoFillBackground());
    QCOMPARE(label->alignment().testFlag(Qt::AlignHCenter), centred);
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
  }
}

void CompanionTest::contactTwiceGivesOneWindow() {
  Session s;
  s.Start();
  OpenMoreApps(s);
  QWidget* first = OpenContact(s);
  QVERIFY(first != nullptr);
  QWidget* second = OpenContact(s);
  QCOMPARE(second, first);
  QCOMPARE(VisibleTopLevels(kContactTitle).size(), 1);
  QCOMPARE(VisibleTopLevels(kMoreTitle).size(), 1);
  QCOMPARE(VisibleTopLevels().size(), 3);
}

void CompanionTest::contactClosingDestroysAndReopeningRebuilds_data() {
  QTest::addColumn<bool>("closeBox");
  QTest::newRow("关  闭 button") << false;
  QTest::newRow("close box") << true;
}

void CompanionTest::contactClosingDestroysAndReopeningRebuilds() {
  QFETCH(bool, closeBox);
  Session s;
  s.Start();
  OpenMoreApps(s);
  QWidget* form = OpenContact(s);
  QVERIFY(form != nullptr);
  form->resize(900, 560);
  QTRY_COMPARE(form->size(), QSize(900, 560));
  QPointer<QWidget> old(form);
  if (closeBox) {
    QVERIFY(form->close());
  } else {
    s.Click(s.program().Contact()->window, "goback");
  }
  QCOMPARE(s.program().Contact(), nullptr);
  QVERIFY(VisibleTopLevels(kContactTitle).isEmpty());
  xr::qttest::FlushDeletes();
  QVERIFY(old.isNull());
  QCOMPARE(VisibleTopLevels(kMoreTitle).size(), 1);

  QWidget* again = OpenContact(s);
  QVERIFY(again != nullptr);
  QCOMPARE(again->size(), QSize(720, 404));
  QCOMPARE(VisibleTopLevels(kContactTitle).size(), 1);
  QVERIFY(xr::qttest::Activate(again));
  QCOMPARE(QApplication::focusWidget(), ContactWidget(s, "goback"));
}

void CompanionTest::contactOutlivesTheMoreAppsWindow() {
  Session s;
  s.Start();
  OpenMoreApps(s);
  QWidget* contact = OpenContact(s);
  QVERIFY(contact != nullptr);
  s.Click(s.program().MoreApps()->window, "close");
  QVERIFY(VisibleTopLevels(kMoreTitle).isEmpty());
  QVERIFY(contact->isVisible());
  QCOMPARE(s.form(s.program().Contact()->window), contact);
  // Still working: its button closes it.
  s.Click(s.program().Contact()->window, "goback");
  QVERIFY(VisibleTopLevels(kContactTitle).isEmpty());
  QCOMPARE(VisibleTopLevels(), QList<QWidget*>{s.form()});
}

void CompanionTest::mainWindowWorksWhileCompanionsAreOpen() {
  Session s;
  s.Start();
  QWidget* more = OpenMoreApps(s);
  QWidget* contact = OpenContact(s);
  QVERIFY(more != nullptr && contact != nullptr);
  QTRY_COMPARE(QApplication::activeWindow(), contact);
  // The main window still takes clicks, and its clock runs behind the companions.
  s.Click("jf0");
  QCOMPARE(s.shownFace(), QStringLiteral("01:00"));
  s.Click("zjs");
  s.Click("开始");
  QCOMPARE(TextOf(s.widget("开始")), QStringLiteral("暂 停"));
  QStringList faces{s.shownFace()};
  QElapsedTimer guard;
  guard.start();
  while (faces.last() != "01:01" && guard.elapsed() < 4000) {
    QTest::qWait(20);
    if (s.shownFace() != faces.last()) faces << s.shownFace();
  }
  QCOMPARE(faces, (QStringList{"01:00", "01:01"}));
  QVERIFY(more->isVisible());
  QVERIFY(contact->isVisible());
  QCOMPARE(VisibleTopLevels().size(), 3);
}

void CompanionTest::windowsGoWithTheProgramInEitherOrder_data() {
  QTest::addColumn<bool>("programFirst");
  QTest::newRow("program first, as declared in main") << true;
  QTest::newRow("host first") << false;
}

void CompanionTest::windowsGoWithTheProgramInEitherOrder() {
  QFETCH(bool, programFirst);
  auto platform = std::make_unique<xr::qt::QtPlatform>();
  auto host = std::make_unique<xr::WindowHost>(*platform);
  auto program = std::make_unique<xr::Program>(*platform, *host);
  program->Start();
  QTest::mouseClick(platform->WidgetOf(program->Main().moreAppsButton), Qt::LeftButton);
  QVERIFY(program->MoreApps() != nullptr);
  QTest::mouseClick(platform->WidgetOf(program->MoreApps()->contactButton), Qt::LeftButton);
  QVERIFY(program->Contact() != nullptr);
  QList<QPointer<QWidget>> forms;
  for (QWidget* w : VisibleTopLevels()) forms << w;
  QCOMPARE(forms.size(), 3);
  if (programFirst) {
    program.reset();
    QVERIFY(VisibleTopLevels().isEmpty());
    host.reset();
  } else {
    host.reset();
    QVERIFY(VisibleTopLevels().isEmpty());
    program.reset();
  }
  platform.reset();
  xr::qttest::FlushDeletes();
  for (const QPointer<QWidget>& f : forms) QVERIFY(f.isNull());
}

void CompanionTest::closingTheMainWindowClosesTheCompanions() {
  Session s;
  s.Start();
  OpenMoreApps(s);
  QVERIFY(OpenContact(s) != nullptr);
  QCOMPARE(VisibleTopLevels().size(), 3);
  QCOMPARE(xr::qttest::CloseInsideEventLoop(s.form()), 0);
  QVERIFY(s.host().Ending());
  QVERIFY(VisibleTopLevels().isEmpty());
  QVERIFY(browser_.urls.isEmpty());
}

QTEST_MAIN(CompanionTest)
#include "qt_companion_test.moc"
