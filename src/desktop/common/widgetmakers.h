// Buttons and labels with their object names, as every dialog makes them.
#pragma once

class QLabel;
class QPushButton;
class QString;
class QWidget;

namespace parvel {

// A push button showing `caption`, named `name`.
QPushButton* NamedButton(const QString& caption, const QString& name, QWidget* parent);

// A label showing `caption`, named `name`; with a `buddy`, its mnemonic moves to that field.
QLabel* NamedLabel(const QString& caption, const QString& name, QWidget* parent,
                   QWidget* buddy = nullptr);

}  // namespace parvel
