// The baseline for the running clock's CPU use: the same work as the program's running clock,
// written plainly with Qt Widgets. Three timers: the pointer is read every second, the digits
// count up every second, the colon is shown and hidden every 500 ms. The digits are scaled to
// the window's height as the program scales them (110.25 pt in a 363-pixel-high client area).
//
//   xr-bench-clock-baseline [--cells]
//
// By default the digits are one huge label ("MM  SS") with the colon a second label over the
// gap. With --cells each digit is a label of its own, placed like the program's four cells, so
// that a tick repaints one cell rather than the whole row of digits.
//
// Until it hides them three seconds after the start, as the program hides its chrome when the
// pointer rests, the clock also shows the program's chrome: its captions, in the same face and
// at the same sizes, on three buttons and ten labels. The face's memory depends on which glyphs
// are drawn, so a clock that drew only digits would not be doing the same work.
#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cmath>
#include <cstring>

namespace {

// The program's design in twips: a 7800×5445 client area, digit cells 1215×2295 at y 1440.
constexpr double kClientW = 7800, kClientH = 5445;
constexpr double kCellTop = 1440, kCellW = 1215, kCellH = 2295;
constexpr std::array<double, 4> kCellLeft = {840, 2160, 4440, 5760};
constexpr double kColonLeft = 3360, kColonTop = 1200;
constexpr double kDigitPoints = 110.25;

// The program's chrome: caption, left, top, width, height (twips), points; buttons first.
struct Chrome {
  const char* caption;
  double left, top, width, height, points;
};
constexpr int kChromeButtons = 3;
constexpr std::array<Chrome, 13> kChrome = {{
    {"开 始", 960, 4560, 1215, 495, 15},
    {"重 置", 3240, 4560, 1215, 495, 15},
    {"更多应用", 5520, 4560, 1215, 495, 10.5},
    {"倒计时", 3960, 120, 1815, 465, 21.75},
    {"正计时", 2160, 120, 1815, 465, 21.75},
    {"+", 1080, 960, 735, 495, 27.75},
    {"+", 2400, 960, 735, 495, 27.75},
    {"+", 4680, 960, 735, 495, 27.75},
    {"+", 6000, 960, 735, 495, 27.75},
    {"-", 1080, 3600, 735, 495, 27.75},
    {"-", 2400, 3600, 735, 495, 27.75},
    {"-", 4680, 3600, 735, 495, 27.75},
    {"-", 6000, 3600, 735, 495, 27.75},
}};

class Clock final : public QWidget {
 public:
  explicit Clock(bool cells) : cells_(cells) {
    setWindowTitle(cells ? "baseline clock (cells)" : "baseline clock");
    QFont font;
    font.setFamilies({"AR PL UMing CN"});
    if (cells_) {
      for (auto*& d : digits_) d = MakeLabel("0", font);
    } else {
      row_ = MakeLabel("00  00", font);
    }
    colon_ = MakeLabel(":", font);
    for (std::size_t i = 0; i < kChrome.size(); ++i) {
      const QString caption = QString::fromUtf8(kChrome[i].caption);
      if (i < kChromeButtons) {
        chrome_[i] = new QPushButton(caption, this);
        chrome_[i]->setFont(font);
      } else {
        chrome_[i] = MakeLabel(caption, font);
      }
    }
    QTimer::singleShot(3000, this, [this] {
      for (QWidget* w : chrome_) w->hide();
    });

    connect(&pointerTimer_, &QTimer::timeout, this, [this] {
      const QPoint p = QCursor::pos();
      if (p != lastPointer_) {
        lastPointer_ = p;
        lastMove_ = QDateTime::currentMSecsSinceEpoch();
      }
    });
    connect(&secondTimer_, &QTimer::timeout, this, [this] {
      ++elapsed_;
      const int m = (elapsed_ / 60) % 60, s = elapsed_ % 60;
      if (cells_) {
        const int value[4] = {m / 10, m % 10, s / 10, s % 10};
        for (int i = 0; i < 4; ++i) digits_[i]->setText(QString::number(value[i]));
      } else {
        row_->setText(QStringLiteral("%1  %2").arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0')));
      }
    });
    connect(&colonTimer_, &QTimer::timeout, this,
            [this] { colon_->setVisible(!colon_->isVisible()); });
    pointerTimer_.start(1000);
    secondTimer_.start(1000);
    colonTimer_.start(500);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    const double sx = width() / kClientW, sy = height() / kClientH;
    auto place = [&](QWidget* l, double left, double top, double w, double h,
                     double points = kDigitPoints) {
      l->setGeometry(int(std::lround(left * sx)), int(std::lround(top * sy)),
                     int(std::lround(w * sx)), int(std::lround(h * sy)));
      QFont f = l->font();
      f.setPixelSize(std::max(1, int(std::lround(points * height() / 363.0 * 4.0 / 3.0))));
      l->setFont(f);
    };
    for (std::size_t i = 0; i < kChrome.size(); ++i) {
      const Chrome& c = kChrome[i];
      place(chrome_[i], c.left, c.top, c.width, c.height, c.points);
    }
    if (cells_) {
      for (int i = 0; i < 4; ++i) place(digits_[i], kCellLeft[i], kCellTop, kCellW, kCellH);
    } else {
      place(row_, kCellLeft[0], kCellTop, kCellLeft[3] + kCellW - kCellLeft[0], kCellH);
    }
    place(colon_, kColonLeft, kColonTop, kCellW, kCellH);
  }

 private:
  QLabel* MakeLabel(const QString& text, const QFont& font) {
    auto* l = new QLabel(text, this);
    l->setFont(font);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return l;
  }

  bool cells_;
  std::array<QLabel*, 4> digits_{};
  QLabel* row_ = nullptr;
  QLabel* colon_ = nullptr;
  std::array<QWidget*, kChrome.size()> chrome_{};
  QTimer pointerTimer_, secondTimer_, colonTimer_;
  QPoint lastPointer_;
  qint64 lastMove_ = 0;
  int elapsed_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool cells = argc > 1 && std::strcmp(argv[1], "--cells") == 0;
  Clock clock(cells);
  clock.resize(520, 363);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    clock.move(screen->availableGeometry().center() - clock.rect().center());
  }
  clock.show();
  return QApplication::exec();
}
