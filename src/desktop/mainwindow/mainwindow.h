// The main window: the site list, the status panel of the selected site and the actions that
// lead to everything else. It runs the program's start-up when first shown and its shut-down
// when closed.
#pragma once

#include <QLabel>
#include <QWidget>
#include <map>
#include <memory>

#include "desktop/common/viewcontext.h"
#include "model/appstate.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace parvel {

class EditSiteDialog;

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

// The running window comes to the front when a later start hands over its arguments: restored
// when minimised, and with a modal dialog open, that dialog above it (the one the user must
// answer), not the window alone.
void BringToFront(QWidget& window);

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(ViewContext context, QWidget* parent = nullptr);
  ~MainWindow() override;

  AppState& state() { return state_; }
  // The program's start-up (once; showing the window the first time runs it).
  void StartUp();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // What the controls run, each from its own connect.
  void NewSite();
  void DeleteSite();
  void EditSiteOptions();
  void EditSelectedSite();
  void EditOptions();
  void RotateSitesNow();
  void ShowAboutBox();
  void ShowHelpPages();
  void SelectSite(int row);
  void OpenSite(int row);

  // Runs the site options for the current site; true when confirmed.
  bool RunSiteOptions();
  // Opens the site editor for the current site, which has a Path.
  void OpenSiteEditor();
  // Refills the site list from the catalogue without running the selection flow.
  void RefillSiteList();
  void ShowStatus(const SelectionStatus& status);
  void ShutDown();
  void CentreOnScreen();

  ViewContext context_;
  AppState state_;
  // Made on first use and kept for the run, with the page settings and add-images dialogs it
  // owns, so that their places, folders and selections last between openings.
  std::unique_ptr<EditSiteDialog> site_editor_;
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

}  // namespace parvel
