#include "desktop/common/widgetmakers.h"

#include <QLabel>
#include <QPushButton>

namespace parvel {

QPushButton* NamedButton(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QLabel* NamedLabel(const QString& caption, const QString& name, QWidget* parent, QWidget* buddy) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  if (buddy) label->setBuddy(buddy);
  return label;
}

}  // namespace parvel
