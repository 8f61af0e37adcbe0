// The header and footer editors: the snippet maker "Edit Header" / "Edit Footer", which makes one
// snippet from raw HTML, an image link or a text link, and the list editor "Edit Header List" /
// "Edit Footer List", which keeps an ordered list of snippets in a list file. Their rules are
// those of templates/headerfooter.h; the callers run them through EditHeaderFooter and
// EditHeaderFooterList.
#pragma once

#include <QDialog>
#include <cstddef>
#include <string>
#include <vector>

#include "desktop/common/viewcontext.h"
#include "templates/headerfooter.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace parvel {

class HeaderFooterLineEdit;

class HeaderFooterMakerDialog : public QDialog {
  Q_OBJECT

 public:
  // Shows `fields`, and leaves them as the user did when the dialog goes (after OK or Cancel), so
  // that a caller keeping them has the maker open again as it was. `max_length` (0: none) is the
  // most a snippet may hold where it goes.
  HeaderFooterMakerDialog(ViewContext context, bool header, HeaderFooterFields& fields,
                          std::size_t max_length, QWidget* parent = nullptr);
  ~HeaderFooterMakerDialog() override;

  // The snippet made by OK.
  const std::string& snippet() const { return snippet_; }

 private:
  // What the controls run, each from its own connect.
  // "Edit..": the HTML editor on the HTML field.
  void EditHtml();

  void ShowKind();
  void Take();
  void Ok();

  ViewContext context_;
  bool header_;
  HeaderFooterFields& fields_;
  std::size_t max_length_;
  std::string snippet_;
  QRadioButton* rbHtml_;
  QRadioButton* rbImage_;
  QRadioButton* rbText_;
  HeaderFooterLineEdit* edtHtml_;
  QPushButton* btnEdit_;
  QLineEdit* edtImageLocation_;
  QLineEdit* edtImageLink_;
  QLineEdit* edtAltText_;
  QSpinBox* spnBorder_;
  QLineEdit* edtTextLink_;
  QLineEdit* edtText_;
  // The image link's and the text link's fields with their labels, usable with their kind.
  std::vector<QWidget*> imageLinkControls_;
  std::vector<QWidget*> textLinkControls_;
};

class HeaderFooterListDialog : public QDialog {
  Q_OBJECT

 public:
  // `file` is the list file handed in; when empty the default name for `site_key` is proposed.
  HeaderFooterListDialog(ViewContext context, bool header, const std::string& file,
                         const std::string& site_key, QWidget* parent = nullptr);

  // The opening steps (an existing list file is loaded), then the dialog through the factory.
  int Open();

  std::string file_name() const;
  const HeaderFooterList& list() const { return list_; }

 private:
  // What the controls run, each from its own connect.
  void AddEntry();
  void ModifyEntry();
  void RemoveEntry();
  void ClearEntries();
  void ChooseAndLoadList();
  void ChooseAndSaveList();
  void SaveAndAccept();

  void ShowList();
  // Replaces the list by the file named in the file name box; false after the warning.
  bool LoadList();
  // Writes the list to the file named in the file name box; false after the message.
  bool SaveList();

  ViewContext context_;
  bool header_;
  HeaderFooterTexts texts_;
  HeaderFooterList list_;
  HeaderFooterFields maker_fields_;  // the snippet maker's, from one use to the next
  QListWidget* lbxEntries_;
  QLineEdit* edtFileName_;
  QPushButton* btnAdd_;
  QPushButton* btnRemove_;
  QPushButton* btnClearAll_;
  QPushButton* btnModify_;
  QPushButton* btnMoveUp_;
  QPushButton* btnMoveDown_;
};

// What a header or footer edit button opens. The snippet maker on `html` ("Pure HTML" chosen;
// `max_length` as above) or the list editor on `file`; the value changes only on OK, and the
// result says whether it did.
bool EditHeaderFooter(ViewContext context, QWidget* parent, bool header, std::string& html,
                      std::size_t max_length);
bool EditHeaderFooterList(ViewContext context, QWidget* parent, bool header, std::string& file,
                          const std::string& site_key);

}  // namespace parvel
