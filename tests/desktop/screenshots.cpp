// parvel_screenshots OUTDIR SUFFIX: pictures of every window and dialog of the desktop, shown with
// a small catalogue, saved as OUTDIR/<window>SUFFIX.png. ./run screenshots runs it under Xvfb at
// 100% and 200% scaling.
#include <QApplication>
#include <QFileSystemModel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "desktop/addimages/addimagesdialog.h"
#include "desktop/addimages/thumbgridview.h"
#include "desktop/common/qtinteraction.h"
#include "desktop/compliance/compliancedialog.h"
#include "desktop/headerfooter/headerfooterdialog.h"
#include "desktop/headerfooter/htmleditordialog.h"
#include "desktop/mainwindow/aboutbox.h"
#include "desktop/mainwindow/mainwindow.h"
#include "desktop/options/optionsdialog.h"
#include "desktop/pagesettings/pagesettingsdialog.h"
#include "desktop/publish/publishdialog.h"
#include "desktop/siteeditor/copysettingsdialog.h"
#include "desktop/siteeditor/editsitedialog.h"
#include "desktop/siteoptions/siteoptionsdialog.h"
#include "desktopsupport.h"
#include "publish/publishurl.h"

using namespace parvel;
using namespace parvel::test;

namespace {

QString out_dir;
QString suffix;
int failures = 0;

void Fail(const std::string& what) {
  std::cerr << what << "\n";
  ++failures;
}

void SavePixmap(const QPixmap& picture, const char* name) {
  const QString file = out_dir + "/" + name + suffix + ".png";
  if (!picture.save(file)) Fail("could not save " + file.toStdString());
}

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

template <typename Widget>  // a temporary too
void Save(Widget&& widget, const char* name) {
  widget.show();
  widget.activateWindow();
  Settle();
  SavePixmap(widget.grab(), name);
  widget.hide();
}

// The add-images dialog on a folder of demo photographs made for the picture, beside two other
// folders, with three of them selected, once every visible thumbnail is painted. Its tree shows
// that folder of pictures alone, and its thumbnails go to a shared cache in the data directory.
void AddImagesPicture(const DataDir& data, Doubles& doubles, AppState& state,
                      EditSiteDialog& editor, const std::string& demo) {
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(data.path + "cache"));
  const std::string pictures = data.path + "Pictures/";
  const std::string photos = pictures + "Garden birds/";
  for (const char* folder : {"Garden birds", "Holidays", "Family"})
    std::filesystem::create_directories(pictures + folder);
  for (const auto& entry : std::filesystem::directory_iterator(demo))
    if (entry.path().extension() == ".jpg")
      std::filesystem::copy_file(entry.path(), photos + entry.path().filename().string(),
                                 std::filesystem::copy_options::overwrite_existing);
  AddImagesDialog add(doubles.context(), state, &editor);
  add.Open(editor.editor());
  auto* tree = add.findChild<QTreeView*>("tvFolders");
  auto* folders = static_cast<QFileSystemModel*>(tree->model());
  folders->setRootPath(QString::fromStdString(pictures));
  tree->setRootIndex(folders->index(QString::fromStdString(pictures)));
  add.ChooseFolder(photos);
  add.show();
  ThumbGridView& grid = *add.grid();
  for (const int item : {1, 3, 4}) {
    const GridRect cell = grid.grid().InsetCell(item);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton,
                      item == 1 ? Qt::NoModifier : Qt::ControlModifier,
                      QPoint(cell.left + cell.width / 2, cell.top + cell.height / 2));
  }
  if (!QTest::qWaitFor([&] { return grid.VisibleComplete() && !grid.Working(); }, 20000))
    Fail("the add-images dialog's thumbnails did not arrive");
  Save(add, "add-images");
}

// The site editor on a site with three rotations of demo photographs (with rotations on), the
// dialogs it opens, and the build dialog before and during a build.
void SiteEditorPictures(const DataDir& data, Doubles& doubles, bool rotations) {
  const std::string site = data.path + "birds/";
  const std::string photos = PARVEL_SOURCE_DIR "/data/demo-photos/";
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(photos))
    if (entry.path().extension() == ".jpg") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  for (int n = 1; n <= 3; ++n) {
    const std::string dir = rotations ? site + "Rotation_" + std::to_string(n) + "/" : site;
    std::filesystem::create_directories(dir);
    for (size_t i = n - 1; i < names.size() && i < 12; i += 2)
      std::filesystem::copy_file(photos + names[i], dir + names[i],
                                 std::filesystem::copy_options::overwrite_existing);
  }
  data.Write("Site_2.ini", "[General]\r\nName=Garden birds\r\nPath=" + site +
                               "\r\nRotationCount=3\r\n[Rotation_1]\r\nStyle_File=" + data.path +
                               "Styles/Sample_With_Index.htm\r\n" +
                               (rotations ? "Status=2\r\n" : ""));
  AppState state;
  state.options.UseRotations = rotations;
  state.catalogue.ReadSites();
  state.catalogue.rebuildSiteNameList();
  state.catalogue.SelectSite(1, rotations);
  EditSiteDialog editor(doubles.context(), state);
  editor.Open();
  Save(editor, rotations ? "site-editor" : "site-editor-single");
  if (!rotations) return;
  editor.show();

  CopySettingsDialog copy(doubles.context(), editor.editor().CopySettings(), state.settings, true,
                          &editor);
  Save(copy, "copy-settings");
  TemplateMarkers markers;
  data.Write("failing.htm",
             "<html><body background=\"paper.gif\">***content*** ***HEADER***"
             "<img src=\"../logo.gif\"></body></html>");
  for (const auto& [file, name] : {std::pair{"Styles/Sample_With_Index.htm", "compliance-passing"},
                                   {"failing.htm", "compliance-failing"}}) {
    ComplianceDialog style(doubles.context(),
                           TestCompliancy(data.path + file, PageKind::Thumbnail, markers), &editor);
    Save(style, name);
  }
  AddImagesPicture(data, doubles, state, editor, photos);

  doubles.dialogs.Queue([](QDialog& dialog) {
    Save(dialog, "build");
    dialog.show();
    // The picture during the build is taken at a checkpoint a third of the way through.
    auto* bar = dialog.findChild<QProgressBar*>("prgBuild");
    bool taken = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
      if (taken || bar->maximum() <= 1 || bar->value() * 3 < bar->maximum()) return;
      taken = true;
      SavePixmap(dialog.grab(), "build-running");
    });
    poll.start(0);
    Click(dialog, "btnStart");
    poll.stop();
    if (!taken) Fail("no picture of the build dialog during a build");
    return dialog.result();
  });
  Click(editor, "btnBuild");
  std::string why = "the build dialog did not open; the messages:";
  for (const std::string& text : doubles.ui.texts()) why += " " + text;
  if (doubles.dialogs.unused() != 0) Fail(why);
  editor.hide();
}

// The snippet maker with each kind chosen, the list editor with entries, and the HTML editor
// with its snippet menu open.
void HeaderFooterPictures(const DataDir& data, Doubles& doubles, QWidget* parent) {
  HeaderFooterFields fields{HeaderFooterKind::Html, "<B>Welcome to our garden!</B>|<BR>",
                            "images/banner.gif",    "https://www.example.org/",
                            "Garden birds",         1,
                            "index.html",           "Back to the start"};
  for (const auto& [kind, name] : {std::pair{HeaderFooterKind::Html, "snippet-html"},
                                   std::pair{HeaderFooterKind::ImageLink, "snippet-image"},
                                   std::pair{HeaderFooterKind::TextLink, "snippet-text"}}) {
    fields.kind = kind;
    Save(HeaderFooterMakerDialog(doubles.context(), true, fields, 0, parent), name);
  }

  data.Write("Site_1_Headers.txt",
             "<B>Spring</B>|<BR>\r\n<img SRC=\"banner.gif\" ALT=\"Logo\" BORDER=0>\r\n\r\n"
             "<A HREF=\"index.html\">Home</A>\r\n");
  HeaderFooterListDialog list(doubles.context(), true, data.path + "Site_1_Headers.txt", "Site_1",
                              parent);
  doubles.dialogs.Queue([](QDialog& dialog) {
    dialog.findChild<QListWidget*>("lbxEntries")->setCurrentRow(1);
    Save(dialog, "header-list");
    return int(QDialog::Rejected);
  });
  list.Open();

  HtmlEditorDialog editor(doubles.context(),
                          "<FONT FACE=\"Arial,Helvetica\">|<B>Welcome!</B>|</FONT>", parent);
  editor.show();
  editor.activateWindow();
  Settle();
  // The editor alone, then its snippet menu, a window of its own, in a picture of its own.
  SavePixmap(editor.grab(), "html-editor");
  auto* insert = editor.findChild<QToolButton*>("btnInsert");
  auto* menu = editor.findChild<QMenu*>("mnuSnippets");
  menu->popup(insert->mapToGlobal(insert->rect().bottomLeft()));
  Settle();
  SavePixmap(menu->grab(), "html-editor-menu");
  menu->hide();
  editor.hide();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: parvel_screenshots OUTDIR SUFFIX\n";
    return 2;
  }
  out_dir = argv[1];
  suffix = argv[2];
  std::filesystem::create_directories(argv[1]);

  DataDir data(true);
  const std::string icons = PARVEL_SOURCE_DIR "/data/icons";
  if (std::filesystem::exists(icons)) std::filesystem::copy(icons, data.path + "icons");
  std::filesystem::copy(PARVEL_SOURCE_DIR "/data/Styles", data.path + "Styles");
  data.Write("options.ini", "[Options]\r\nUseRotations=True\r\n");
  data.Write("sites.ini",
             "[Sites]\r\nSite_1=Holiday in the Alps\r\nSite_2=Garden birds\r\n"
             "Site_3=Family portraits 1998-2024\r\n");
  data.Write("Site_1.ini",
             "[General]\r\nName=Holiday in the Alps\r\nPath=/home/anna/Pictures/web/alps/\r\n"
             "LivePath=/var/www/html/galleries/alps-holiday-photographs/\r\nAutoRotate=True\r\n"
             "CurrentRotationPosition=2\r\nBaseHTMLName=Index.html\r\nRotationCount=3\r\n");
  Doubles doubles;
  MainWindow window(doubles.context());
  window.show();
  window.findChild<QListWidget*>("lbxSites")->setCurrentRow(0);
  Save(window, "main-window");
  window.show();

  Save(SiteOptionsDialog(doubles.context(), window.state().catalogue, true, &window),
       "site-options");
  Save(OptionsDialog(doubles.context(), window.state().options, &window), "options");
  Save(AboutBox(doubles.context(), &window), "about");
  Save(PasswordDialog("anna@www.example.org", &window), "password");
  PublishDialog publish(doubles.context(), data.path,
                        *ParsePublishUrl("sftp://anna@www.example.org/srv/www", nullptr), {},
                        &window);
  Save(publish, "publish");

  // The page settings with a fixed, a picked and a Default colour on the second index page.
  SiteSettings& settings = window.state().settings;
  settings.Displayed_Page_Text_Colour = Colour::Of(0x000000FF);
  settings.Other_Page_Text_Colour = Colour::Of(0x00123456);
  settings.index_image_buttons = true;
  settings.Link_Enclosure = 3;
  settings.DisplayAsImage = false;
  settings.Image_Style_File = data.path + "Samples/image.htm";
  TemplateMarkers markers;
  PageSettingsDialog page_settings(doubles.context(), settings, window.state().recent, markers,
                                   &window);
  auto* pages = page_settings.findChild<QTabWidget*>("pgcSettings");
  const char* page_names[] = {"settings-thumbnails",   "settings-page-index",
                              "settings-page-index-2", "settings-image-display",
                              "settings-page-text",    "settings-other"};
  for (int page = 0; page < pages->count(); ++page) {
    pages->setCurrentIndex(page);
    Save(page_settings, page_names[page]);
  }

  const std::string path = window.state().catalogue.site().Path;
  for (const auto& [kind, text, buttons, name] :
       {std::tuple{MessageKind::Confirmation, window.state().catalogue.DeleteQuestion(),
                   Buttons::YesNo, "message-confirmation"},
        {MessageKind::Warning, "Unable to locate the file, " + path + "<b>photo</b>.jpg",
         Buttons::Ok, "message-warning"},
        {MessageKind::Information, "You have disabled support for multiple rotations under options",
         Buttons::Ok, "message-information"},
        {MessageKind::Plain, std::string(kSaveSettingsFailedMessage), Buttons::Ok,
         "message-plain"}}) {
    Save(*MakeMessageBox(&window, kind, QString::fromStdString(text), buttons), name);
  }
  const auto prompt = MakePromptDialog(&window, "Number of pages",
                                       "How many thumbnail pages should the site have?", "3");
  Save(*prompt, "prompt");
  HeaderFooterPictures(data, doubles, &window);
  window.hide();

  SiteEditorPictures(data, doubles, true);
  SiteEditorPictures(data, doubles, false);
  return failures == 0 ? 0 : 1;
}
