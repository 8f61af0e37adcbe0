#include "app/seams.h"

#include <QDialog>

#include "templates/style.h"

namespace parvel {

int DialogFactory::Run(QDialog& dialog) {
  return dialog.exec();
}

bool DialogFactory::RunComplianceDialog(QWidget*, Interaction& ui, const std::string& template_path,
                                        bool for_thumbnail_pages, TemplateMarkers& markers) {
  const ComplianceResult result = TestCompliancy(template_path, for_thumbnail_pages, markers);
  return ConfirmCompliance(ui, result);
}

}  // namespace parvel
