#include "desktop/compliance/compliancedialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "desktop/common/dialogbuttons.h"
#include "desktop/common/text.h"
#include "desktop/common/widgetmakers.h"
#include "platform/interaction.h"

namespace parvel {
namespace {

QLabel* PlainLabel(std::string_view text, const QString& name, QWidget* parent) {
  auto* label = NamedLabel(ToQ(text), name, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QListWidget* LinesList(const std::vector<std::string>& lines, const QString& name, int rows,
                       QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::NoSelection);
  for (const auto& line : lines) list->addItem(ToQ(line));
  list->setMinimumHeight(list->fontMetrics().height() * rows);
  return list;
}

}  // namespace

ComplianceDialog::ComplianceDialog(ViewContext context, ComplianceResult result, QWidget* parent)
    : QDialog(parent), context_(context), result_(std::move(result)) {
  setObjectName("dlgStyle");
  setWindowTitle(ToQ(kComplianceTitle));
  const int chars = fontMetrics().averageCharWidth();

  auto* file_label = NamedLabel("HTML File:", "lblFile", this);
  auto* file = new QLineEdit(ToQ(result_.template_path), this);
  file->setObjectName("edtFile");
  file->setReadOnly(true);
  file->setMinimumWidth(chars * 80);
  file->setCursorPosition(0);
  file_label->setBuddy(file);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(file_label);
  file_row->addWidget(file, 1);

  auto* markers = new QGroupBox("Insert Text", this);
  markers->setObjectName("grpMarkers");
  auto* grid = new QGridLayout(markers);
  struct Row {
    std::string_view marker;
    bool found;
    const char* name;
  };
  const Row rows[] = {{kContentMarker, result_.found.content, "Content"},
                      {kIndexMarker, result_.found.index, "Index"},
                      {kFooterMarker, result_.found.footer, "Footer"},
                      {kHeaderMarker, result_.found.header, "Header"}};
  int row = 0;
  for (const Row& r : rows) {
    grid->addWidget(PlainLabel(r.marker, QString("lbl") + r.name, markers), row, 0);
    // An unreadable template has no marker results.
    const std::string_view found = result_.loaded ? FoundText(r.found) : std::string_view();
    grid->addWidget(PlainLabel(found, QString("lbl") + r.name + "Found", markers), row, 1);
    ++row;
  }
  auto* explanation = PlainLabel(result_.explanation, "lblExplanation", markers);
  explanation->setWordWrap(true);
  grid->addWidget(explanation, row, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  auto* files = new QGroupBox("Required Files", this);
  files->setObjectName("grpRequiredFiles");
  auto* files_layout = new QVBoxLayout(files);
  auto* files_line = PlainLabel(kRequiredFilesLine, "lblRequiredFiles", files);
  files_line->setWordWrap(true);
  files_layout->addWidget(files_line);
  files_layout->addWidget(LinesList(result_.required_files, "lbxRequiredFiles", 5, files));

  auto* warnings = new QGroupBox("Warnings", this);
  warnings->setObjectName("grpWarnings");
  auto* warnings_layout = new QVBoxLayout(warnings);
  // Warnings name whole paths: they wrap rather than run off to the side.
  auto* warning_lines = new QPlainTextEdit(warnings);
  warning_lines->setObjectName("memWarnings");
  warning_lines->setReadOnly(true);
  warning_lines->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  QString text;
  for (const auto& line : result_.warnings) text += ToQ(line) + "\n";
  warning_lines->setPlainText(text.trimmed());
  // Tall enough for every warning as it wraps (at least six lines), within a third of the
  // screen, beyond which it scrolls.
  QTextDocument measure;
  measure.setDefaultFont(warning_lines->font());
  measure.setDocumentMargin(warning_lines->document()->documentMargin());
  measure.setPlainText(warning_lines->toPlainText());
  measure.setTextWidth(chars * 80 - style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  const int lowest = warning_lines->fontMetrics().height() * 6;
  const QScreen* shown_on = screen();
  const int highest = shown_on ? shown_on->availableGeometry().height() / 3 : lowest;
  const int wanted =
      static_cast<int>(std::ceil(measure.size().height())) + 2 * warning_lines->frameWidth() + 2;
  warning_lines->setMinimumHeight(std::clamp(wanted, lowest, std::max(lowest, highest)));
  warnings_layout->addWidget(warning_lines);

  auto* buttons = OkCancelHelpButtons(this);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(file_row);
  layout->addWidget(markers);
  layout->addWidget(files);
  layout->addWidget(warnings);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &ComplianceDialog::AcceptIfConfirmed);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this,
          [this] { context_.ui.ShowHelp(kHelpTopic); });
}

void ComplianceDialog::AcceptIfConfirmed() {
  if (ConfirmCompliance(context_.ui, result_)) accept();
}

bool ShowCompliance(ViewContext context, const std::string& path, bool for_thumbnail_pages,
                    TemplateMarkers& markers, QWidget* parent) {
  ComplianceDialog dialog(
      context,
      TestCompliancy(path, for_thumbnail_pages ? PageKind::Thumbnail : PageKind::Image, markers),
      parent);
  return context.dialogs.Run(dialog) == QDialog::Accepted;
}

}  // namespace parvel
