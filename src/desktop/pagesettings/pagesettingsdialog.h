// The page settings dialog "Settings": six pages over the one SiteSettings record, edited in place
// (every change goes into its field at once, so Cancel keeps every change). Its rules, colour
// model and checks are those of templates/pagesettings.h.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "desktop/common/viewcontext.h"
#include "model/options.h"
#include "templates/compliance.h"
#include "templates/pagesettings.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace parvel {

// A colour list: "Default Page Colour", thirteen swatches with their names and "Other..". A
// picked colour is shown with no item selected and the list's field filled with that colour; the
// arrow always shows.
class ColourCombo : public QComboBox {
 public:
  explicit ColourCombo(QWidget* parent);
  // Draws the closed list as `choice` holds it.
  void Show(const ColourChoice& choice);
  // The picked colour the field shows, when no item is chosen.
  const std::optional<QColor>& picked() const { return picked_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<QColor> picked_;
};

class PageSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  // `recent` gives the thumbnail-page templates and holds the image-page ones; `markers` receives
  // the flags of a compliance test. The dialog is meant to live as long as the site editor.
  PageSettingsDialog(ViewContext context, SiteSettings& settings, RecentTemplates& recent,
                     TemplateMarkers& markers, QWidget* parent = nullptr);

  // Shows the dialog modally through the dialog factory after the opening steps, and returns its
  // result (QDialog::Accepted after OK). The site editor's "Other Layout Settings" calls this.
  int Open();
  // The current site's key, which names the list file a header or footer list editor proposes.
  void SetSiteKey(std::string key) { site_key_ = std::move(key); }

  const PageSettingsChoices& choices() const { return choices_; }

 private:
  struct ColourControl {
    ColourCombo* combo = nullptr;
    QLineEdit* text = nullptr;
    Colour SiteSettings::*field = nullptr;
    ColourChoice choice;
  };

  QWidget* MakeThumbnailsPage();
  QWidget* MakeWebReadyGroup(QWidget* page);
  QWidget* MakeIndexPage();
  QWidget* MakeIndex2Page();
  QWidget* MakeImageDisplayPage();
  QWidget* MakePageTextPage();
  QWidget* MakeOtherPage();
  // Controls bound to a field: each shows it when filled and writes it on every change.
  QSpinBox* Spin(const char* name, int SiteSettings::*field, IntRange range);
  QCheckBox* Check(const char* name, const char* caption, bool SiteSettings::*field);
  QLineEdit* Edit(const char* name, std::string SiteSettings::*field);
  // A list of choices bound to a numbered field (an int or a choice enum), item i = value + offset.
  template <typename Field>
  QComboBox* Items(const char* name, std::span<const std::string_view> items,
                   Field SiteSettings::*field, int offset = 0);
  QComboBox* FontBox(const char* name, std::string SiteSettings::*field);
  QRadioButton* Radio(const char* name, const char* caption, std::function<bool()> shown,
                      std::function<void()> chosen);
  // A file text box with its "Browse" button, which opens an image or description file chooser.
  // Both are filed among `ruled`.
  QWidget* FileRow(QLineEdit* edit, const char* button, std::string_view title,
                   std::string_view filter, std::vector<QWidget*>& ruled);
  // Files `widget` among the controls of one rule's flag.
  template <typename Widget>
  static Widget* Ruled(std::vector<QWidget*>& ruled, Widget* widget);
  QWidget* ColourRow(ColourControl& control, const char* name, Colour SiteSettings::*field);

  void Fill();
  void ApplyRules();
  void ColourPicked(ColourControl& control, int item);
  void TemplateTextChanged(const QString& text);
  void TemplateLeft();
  void BrowseTemplate();
  void TestCompliance();
  void ViewPage();
  // Edit Header / Edit Footer of the image pages.
  void EditPageHeaderFooter(bool header);
  void Ok();

  ViewContext context_;
  SiteSettings& s_;
  RecentTemplates& recent_;
  TemplateMarkers& markers_;
  PageSettingsChoices choices_;
  std::string site_key_;
  std::vector<std::function<void()>> fillers_;
  std::array<ColourControl, 4> colours_;
  std::vector<QColor> custom_colours_;
  // The controls of each flag of UsableControls, filed where they are made.
  struct RuledControls {
    std::vector<QWidget*> enclosure_colour, description_file, image_page, test_compliance,
        view_page, edit_header, edit_footer, return_file, same_nav_graphics, prev_next_files,
        index_buttons, index_font_size, index_font, default_font, image_size, web_images;
  };
  RuledControls ruled_;
  QTabWidget* tabs_ = nullptr;
  QComboBox* cmbImageTemplate_ = nullptr;
  QCheckBox* chkSameNavGraphics_ = nullptr;
};

}  // namespace parvel
