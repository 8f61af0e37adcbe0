// The dialog "HTML Compliance": what the compliance test found in one template (its markers,
// the files it uses, the warnings), with OK asking before a failing template is taken.
#pragma once

#include <QDialog>

#include "desktop/common/viewcontext.h"
#include "templates/compliance.h"

namespace parvel {

class ComplianceDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpTopic = 27;

  ComplianceDialog(ViewContext context, ComplianceResult result, QWidget* parent = nullptr);

  const ComplianceResult& result() const { return result_; }

 private:
  void AcceptIfConfirmed();

  ViewContext context_;
  ComplianceResult result_;
};

// Tests `path` (as a thumbnail or image template, recording its markers) and shows the dialog.
// True when the user closed it with OK (after agreeing to use a failing template).
bool ShowCompliance(ViewContext context, const std::string& path, bool for_thumbnail_pages,
                    TemplateMarkers& markers, QWidget* parent);

}  // namespace parvel
