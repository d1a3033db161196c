// The baseline for start-up: the least a Qt Widgets program with the same window can do. One
// label at 110 pt and one button in a 520×363 client area, centred, nothing else: no icon, no
// resources, no font lookup, no sound.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("baseline");
  window.resize(520, 363);

  auto* label = new QLabel("00:00", &window);
  QFont font = label->font();
  font.setPointSizeF(110);
  label->setFont(font);
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(0, 40, 520, 240);

  auto* button = new QPushButton("开 始", &window);
  button->setGeometry(64, 304, 81, 33);

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    window.move(area.center() - window.rect().center());
  }
  window.show();
  return QApplication::exec();
}
