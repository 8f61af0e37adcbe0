// The main window: the site list, the status panel of the selected site and the actions that
// lead to everything else. It runs the program's start-up when first shown and its shut-down
// when closed.
#pragma once

#include <QLabel>
#include <QWidget>
#include <map>

#include "app/appstate.h"
#include "app/seams.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace parvel {

// A label of fixed width that shows its text shortened with "..." when it does not fit; the
// whole text is its tooltip.
class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);
  void SetFullText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMain(Seams seams, QWidget* parent = nullptr);

  AppState& state() { return state_; }
  // The program's start-up (once; showing the window the first time runs it).
  void StartUp();

  // The actions, as the buttons run them.
  void btnNewSiteClick();
  void btnDeleteSiteClick();
  void btnSiteOptionsClick();
  void btnEditSiteClick();
  void btnOptionsClick();
  void btnRotateNowClick();
  void btnAboutClick();
  void btnHelpClick();
  void lbxSitesClick(int row);
  void lbxSitesDblClick(int row);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs the site options for the current site; true when confirmed.
  bool RunSiteOptions();
  // Opens the site editor for the current site, which has a Path.
  void OpenSiteEditor();
  // Refills the site list from the catalogue without running the selection flow.
  void RefillSiteList();
  void ShowStatus(const SelectionStatus& status);
  void ShutDown();
  void CentreOnScreen();

  Seams seams_;
  AppState state_;
  bool started_ = false;
  bool shut_down_ = false;
  QListWidget* lbxSites_;
  std::map<std::string, ElidedLabel*> status_values_;
  QPushButton* btnNewSite_;
  QPushButton* btnDeleteSite_;
  QPushButton* btnSiteOptions_;
  QPushButton* btnEditSite_;
  QPushButton* btnOptions_;
  QPushButton* btnRotateNow_;
  QPushButton* btnAbout_;
  QPushButton* btnClose_;
  QPushButton* btnHelp_;
};

// Shown by Edit/Build Site until the site editor is part of the program.
inline constexpr char kSiteEditorMissingMessage[] =
    "The site editor is not part of this version of Parvel Pro: build the site with "
    "parvel-cli build.";

}  // namespace parvel
