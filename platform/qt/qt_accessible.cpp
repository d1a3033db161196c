#include "platform/qt/qt_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QTimer>
#include <vector>

#include "platform/qt/qt_window_view.h"

namespace xr::qt {

namespace {

QAccessible::Role ToQt(Role role) {
  switch (role) {
    case Role::Button:
      return QAccessible::Button;
    case Role::RadioButton:
      return QAccessible::RadioButton;
    case Role::Image:
      return QAccessible::Graphic;
    default:  // a clock too: AT-SPI knows Qt's clock role only as "unknown", which readers skip
      return QAccessible::StaticText;
  }
}

bool Folded(const QWidget* w) {
  const auto* label = dynamic_cast<const ControlLabel*>(w);
  return label != nullptr && label->Model() != nullptr && label->Model()->access.partOf != nullptr;
}

// A window: a frame named by its caption (Qt names a window by its title), whose children are
// its controls less those folded into another control's element.
class FormAccessible final : public QAccessibleWidget {
 public:
  explicit FormAccessible(FormWidget* form) : QAccessibleWidget(form, QAccessible::Window) {}

  int childCount() const override { return static_cast<int>(Children().size()); }
  QAccessibleInterface* child(int index) const override {
    const std::vector<QWidget*> children = Children();
    if (index < 0 || index >= static_cast<int>(children.size())) return nullptr;
    return QAccessible::queryAccessibleInterface(children[static_cast<std::size_t>(index)]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    const std::vector<QWidget*> children = Children();
    for (std::size_t i = 0; i < children.size(); ++i) {
      if (children[i] == child->object()) return static_cast<int>(i);
    }
    return -1;
  }

 private:
  std::vector<QWidget*> Children() const {
    std::vector<QWidget*> out;
    for (QObject* o : widget()->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w != nullptr && !w->isWindow() && !Folded(w)) out.push_back(w);
    }
    return out;
  }
};

// A label or picture of the model, read from its control: an adjuster is a button and a
// selector a radio button, each pressed as a click; the face's element spans its parts.
class LabelAccessible final : public QAccessibleWidget {
 public:
  explicit LabelAccessible(ControlLabel* label)
      : QAccessibleWidget(label, QAccessible::StaticText) {}

  QAccessible::Role role() const override {
    const Control* c = Model();
    return c != nullptr ? ToQt(c->AccessibleRole()) : QAccessible::StaticText;
  }
  QString text(QAccessible::Text t) const override {
    const Control* c = Model();
    if (c == nullptr) return {};
    switch (t) {
      case QAccessible::Name:
        return QString::fromStdString(c->AccessibleName());
      case QAccessible::Description:
        return QString::fromStdString(c->access.description);
      default:
        return QAccessibleWidget::text(t);
    }
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    const Control* c = Model();
    if (c != nullptr && c->AccessibleRole() == Role::RadioButton) {
      s.checkable = true;
      s.checked = c->Checked();
    }
    return s;
  }
  QRect rect() const override {
    QRect r = QAccessibleWidget::rect();
    const Control* c = Model();
    const QtWindow* view = Label()->View();
    if (c == nullptr || view == nullptr) return r;
    for (const auto& [control, w] : view->Widgets()) {
      if (control->access.partOf == c) r |= QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    }
    return r;
  }

  QStringList actionNames() const override {
    return Pressable() ? QStringList{pressAction()} : QStringList{};
  }
  void doAction(const QString& name) override {
    if (name != pressAction() || !Pressable()) return;
    // After the reader's call has had its answer, as a mouse click arrives: a handler that waits
    // in a modal box must not hold the reader up.
    QPointer<ControlLabel> label = Label();
    QTimer::singleShot(0, label, [label] {
      if (label) label->Activate();
    });
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  ControlLabel* Label() const { return static_cast<ControlLabel*>(widget()); }
  const Control* Model() const { return Label()->Model(); }
  bool Pressable() const {
    const Control* c = Model();
    return c != nullptr &&
           (c->AccessibleRole() == Role::Button || c->AccessibleRole() == Role::RadioButton);
  }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* form = dynamic_cast<FormWidget*>(object)) return new FormAccessible(form);
  if (auto* label = dynamic_cast<ControlLabel*>(object)) return new LabelAccessible(label);
  return nullptr;
}

}  // namespace

void InstallAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void AnnounceName(QWidget* widget) {
  QAccessibleEvent event(widget, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

void AnnounceChecked(QWidget* widget) {
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(widget, changed);
  QAccessible::updateAccessibility(&event);
}

}  // namespace xr::qt
