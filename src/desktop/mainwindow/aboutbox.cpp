#include "desktop/mainwindow/aboutbox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/common/qtinteraction.h"
#include "desktop/common/widgetmakers.h"
#include "model/datadir.h"
#include "model/paths.h"
#include "platform/filesystem.h"
#include "templates/htmleditor.h"

namespace parvel {
namespace {

// A link the user clicks; the desktop opens it through the Interaction.
QPushButton* LinkButton(const QString& text, const QString& name, QWidget* parent) {
  auto* button = NamedButton(text, name, parent);
  button->setFlat(true);
  // Drawn as a link: no frame, no padding, so that it lines up with the labels above it.
  button->setStyleSheet("QPushButton { border: none; padding: 0; text-align: left; }");
  button->setCursor(Qt::PointingHandCursor);
  QFont font = button->font();
  font.setUnderline(true);
  button->setFont(font);
  QPalette palette = button->palette();
  palette.setColor(QPalette::ButtonText, palette.color(QPalette::Link));
  button->setPalette(palette);
  return button;
}

}  // namespace

std::string AppIconPath() {
  return DataDirectory() + "icons/parvel.png";
}

AboutBox::AboutBox(ViewContext context, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName("AboutBox");
  setWindowTitle(QString("About ") + kProductName);

  auto* icon = new QLabel(this);
  icon->setObjectName("imgIcon");
  const QPixmap pixmap(QString::fromStdString(AppIconPath()));
  if (!pixmap.isNull()) {
    const int side = fontMetrics().height() * 4;
    icon->setPixmap(pixmap.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  } else {
    icon->hide();
  }
  auto* product = NamedLabel(kProductName, "lblProductName", this);
  QFont big = product->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.5);
  product->setFont(big);
  auto* version = NamedLabel(QString("Version ") + kProductVersion, "lblVersion", this);
  auto* mail = LinkButton("Write to our sales team", "lnkSalesMail", this);
  auto* web = LinkButton("Visit the Parvel Pro web site", "lnkWebPage", this);
  connect(mail, &QPushButton::clicked, this,
          [this] { context_.ui.OpenPage("mailto:" + std::string(kMakerSalesMail)); });
  connect(web, &QPushButton::clicked, this,
          [this] { context_.ui.OpenPage(std::string(kMakerWebAddress)); });

  auto* close = NamedButton("&Close", "btnClose", this);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* text = new QVBoxLayout;
  text->addWidget(product);
  text->addWidget(version);
  text->addSpacing(fontMetrics().height());
  text->addWidget(mail, 0, Qt::AlignLeft);
  text->addWidget(web, 0, Qt::AlignLeft);
  text->addSpacing(fontMetrics().height());
  auto* top = new QHBoxLayout;
  top->setContentsMargins(fontMetrics().averageCharWidth() * 2, 0,
                          fontMetrics().averageCharWidth() * 6, 0);
  top->addWidget(icon, 0, Qt::AlignTop);
  if (!pixmap.isNull()) top->addSpacing(fontMetrics().averageCharWidth() * 2);
  top->addLayout(text);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace parvel
