#include "converter/window/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QProgressDialog>
#include <QScreen>
#include <QVBoxLayout>
#include <filesystem>

#include "converter/window/form2.h"
#include "converter/window/form3.h"
#include "converter/window/program.h"
#include "platform/registry/registry.h"
#include "platform/shell/drives.h"
#include "platform/shell/shell.h"
#include "platform/tools/book_sources.h"
#include "platform/tools/tools.h"
#include "platform/ui/drive_list.h"
#include "platform/ui/notification.h"
#include "platform/ui/table_model.h"
#include "platform/ui/text_scale.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace lumo::converter {
namespace {

using ui::q;
using ui::s;

// A failure a handler did not expect is shown as the run-time error it is.
constexpr ui::ErrorFormat kErrors{"Errore #: ", "Errore: "};

// Sizes given for the design text size, grown with the reader's.
void setFontSize(QLineEdit* box, int points) { box->setFont(ui::designFont(QApplication::font(), points)); }

}  // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form1");
  buildControls();
  buildMenus();
  connectHandlers();
  about_ = makeAboutBox(this);
  progress_ = new Form3(this);
  progress_->hide();
  ui::setUpToolWindow(this);
  ui::guarded(kErrors, [this] { Form_Load(); });
}

Form1::~Form1() {
  // The model reads the conversion's table, which goes before the child
  // widgets do: the view must not ask it for anything once the table is gone.
  lv->setModel(nullptr);
  delete model_;
  model_ = nullptr;
}

void Form1::buildControls() {
  QWidget* central = ui::makeScrollingPanel(this, "controls");
  notice_ = ui::makeNotice(this);

  Label1 = ui::makeLabel(central, "Label1", "LUMODaisy Converter");
  QFont heading = ui::designFont(Label1->font(), ui::kDesignPointSize + 6);
  heading.setBold(true);
  Label1->setFont(heading);
  Combo1 = new QComboBox(central);
  Combo1->setObjectName("Combo1");
  Combo1->setToolTip(QString::fromUtf8("Seleziona il drive"));
  Combo1->setAccessibleName(Combo1->toolTip());
  Command2 = ui::makeButton(central, "Command2", "Aggiorna lista drive", "Aggiorna lista drive");
  Label10 = ui::makeLabel(central, "Label10", "");
  Label5 = ui::makeLabel(central, "Label5", "Percorso file indice marker:");
  txtmarker = ui::makeField(central, "txtmarker", Label5);
  sfogliamarker =
      ui::makeButton(central, "sfogliamarker", "Scegli un file", "Personalizza il percorso del file marker");
  Label6 = ui::makeLabel(central, "Label6", "Percorso file MP3:");
  txtmp3 = ui::makeField(central, "txtmp3", Label6);
  sfogliamp3 = ui::makeButton(central, "sfogliamp3", "&Scegli una cartella", "Personalizza il percorso dei file mp3");
  Label4 = ui::makeLabel(central, "Label4", "Percorso di esportazione:");
  txtselected = ui::makeField(central, "txtselected", Label4);
  sfoglia = ui::makeButton(central, "sfoglia", "Scegli un altro percorso", "Personalizza il percorso di esportazione");
  Check2 = ui::makeCheck(central, "Check2", "Genera un numero di pagina solo all'inizio di ogni file ", false);
  Check1 = ui::makeCheck(central, "Check1", "Apri la cartella di esportazione al termine del lavoro", false);
  Converti = ui::makeButton(central, "Converti", "&Converti", nullptr);
  Command1 = ui::makeButton(central, "Command1", "&Esci", "Chiude il software");
  for (QLineEdit* box : {txtmarker, txtmp3}) setFontSize(box, 9);

  Frame1 = new QGroupBox(QString::fromUtf8("Analisi Audiolibro"), central);
  Frame1->setObjectName("Frame1");
  Frame1->setAccessibleName(Frame1->title());
  auto* summary = new QGridLayout(Frame1);
  const std::pair<QLabel**, const char*> captions[] = {{&Label2, "Pagine normali:"},
                                                       {&Label3, "Durata totale dell'opera (in secondi):"},
                                                       {&Label7, "Dimensione totale occupata (in Kb):"},
                                                       {&Label8, "Pagine speciali:"},
                                                       {&Label9, "Livelli:"}};
  const char* labelNames[] = {"Label2", "Label3", "Label7", "Label8", "Label9"};
  QLineEdit** boxes[] = {&Text1, &Text2, &Text3, &Text4, &Text5};
  const char* boxNames[] = {"Text1", "Text2", "Text3", "Text4", "Text5"};
  for (int i = 0; i < 5; ++i) {
    QLabel* l = ui::makeLabel(Frame1, labelNames[i], captions[i].second);
    *captions[i].first = l;
    *boxes[i] = ui::makeField(Frame1, boxNames[i], l);
    (*boxes[i])->setReadOnly(true);
    summary->addWidget(l, i, 0);
    summary->addWidget(*boxes[i], i, 1);
  }

  lv = ui::makeTableView(central, "lv", "Tabella di conversione");
  model_ = new ui::TableModel(conversion_.table(), this);
  lv->setModel(model_);
  ui::fitColumnsToHeaders(lv);

  auto* grid = new QGridLayout(central);
  grid->addWidget(Label1, 0, 0, 1, 3);
  grid->addWidget(Combo1, 1, 0, 1, 2);
  grid->addWidget(Command2, 1, 2);
  grid->addWidget(Label10, 2, 0, 1, 3);
  grid->addWidget(Label5, 3, 0);
  grid->addWidget(txtmarker, 3, 1);
  grid->addWidget(sfogliamarker, 3, 2);
  grid->addWidget(Label6, 4, 0);
  grid->addWidget(txtmp3, 4, 1);
  grid->addWidget(sfogliamp3, 4, 2);
  grid->addWidget(Label4, 5, 0);
  grid->addWidget(txtselected, 5, 1);
  grid->addWidget(sfoglia, 5, 2);
  grid->addWidget(Check2, 6, 0, 1, 3);
  grid->addWidget(Check1, 7, 0, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Converti);
  buttons->addWidget(Command1);
  grid->addLayout(buttons, 8, 0, 1, 3);
  grid->addWidget(Frame1, 9, 0, 1, 3);
  grid->addWidget(lv, 10, 0, 1, 3);
  ui::resizeForText(*this, {760, 680});
}

void Form1::buildMenus() {
  mnuFile = ui::makeMenu(menuBar(), "mnuFile", "&File");
  Conv = ui::makeAction(mnuFile, "Conv", "Converti");
  logtab = ui::makeAction(mnuFile, "logtab", "Ultimo Log Tabella");
  Esci = ui::makeAction(mnuFile, "Esci", "Esci");
  mnuInformazioni = ui::makeMenu(menuBar(), "mnuInformazioni", "&Informazioni");
  info = ui::makeAction(mnuInformazioni, "info", "Informazioni su");
}

void Form1::connectHandlers() {
  const ui::GuardedHandlers on(this, kErrors);
  on(Combo1, &QComboBox::activated, &Form1::Combo1_Click);
  on(Command2, &QPushButton::clicked, &Form1::Command2_Click);
  on(sfogliamarker, &QPushButton::clicked, &Form1::sfogliamarker_Click);
  on(sfogliamp3, &QPushButton::clicked, &Form1::sfogliamp3_Click);
  on(sfoglia, &QPushButton::clicked, &Form1::sfoglia_Click);
  // Enter in the export folder field opens it as a double click does.
  on(txtselected, &QLineEdit::returnPressed, &Form1::txtselected_DblClick);
  txtselected->installEventFilter(this);
  on(Converti, &QPushButton::clicked, &Form1::Converti_Click);
  on(Command1, &QPushButton::clicked, &Form1::Command1_Click);
  on(Conv, &QAction::triggered, &Form1::Conv_Click);
  on(logtab, &QAction::triggered, &Form1::logtab_Click);
  on(Esci, &QAction::triggered, &Form1::Esci_Click);
  on(info, &QAction::triggered, &Form1::info_Click);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtselected && event->type() == QEvent::MouseButtonDblClick)
    ui::guarded(kErrors, [this] { txtselected_DblClick(); });
  return QMainWindow::eventFilter(watched, event);
}

void Form1::setRunning(bool running) {
  // The window's own controls and menus are disabled, not the window: a
  // disabled Qt window disables its child windows too, and the progress
  // window and the about box stay as they are during a run.
  running_ = running;
  centralWidget()->setEnabled(!running);
  menuBar()->setEnabled(!running);
}

void Form1::closeEvent(QCloseEvent* event) {
  // A disabled window cannot be closed: a run ends by itself.
  if (running_) {
    event->ignore();
    return;
  }
  // The about box belongs to this window and goes with it.
  about_->close();
  QMainWindow::closeEvent(event);
}

void Form1::Form_Load() {
  setWindowTitle(QString::fromUtf8(kProgramTitle) + " " + q(programVersion()) +
                 QString::fromUtf8(" Convertitore Daisy per audiolibri Lumo"));
  setAccessibleName(windowTitle());
  A_ = shell::withSlash(shell::programFolder());
  showSummary();
  ScanCdDrives();
  E_ = registry::GetSetting("daisyconv", "Default", "expath", "");
  if (E_.empty()) E_ = tools::GetSpecialFolderPath(tools::CSIDL_PERSONAL);
  E_ = shell::withSlash(E_);
  txtselected->setText(q(E_ + subfolder_ + "/DAISY/"));
}

void Form1::ScanCdDrives() {
  ui::centreOnScreen(this);
  const int count = ui::listLibraryDiscs(Combo1, lastEntry_);
  Combo1_Click();
  ui::showDiscCount(Label10, Combo1,
                    count == 0 ? QString::fromUtf8("Nessun drive contiene cd MP3 del L.U.M.O.")
                               : QString::fromUtf8("Sono stati rilevati ") + QString::number(count) +
                                     QString::fromUtf8(" cd-mp3 del Lumo"),
                    ui::ScanLabel::Apart);
}

void Form1::setConvertEnabled(bool enabled) {
  Converti->setEnabled(enabled);
  Conv->setEnabled(enabled);
}

void Form1::Combo1_Click() {
  if (Combo1->currentText() != lastEntry_) {
    const std::string root = s(Combo1->currentData().toString());
    setConvertEnabled(true);
    txtmarker->setText(q(root + "marker.txt"));
    txtmp3->setText(q(root + "Libro/"));
    sfogliamarker->setEnabled(false);
    sfogliamp3->setEnabled(false);
    setFontSize(txtmp3, 9);
    setFontSize(txtmarker, 9);
  } else {
    setConvertEnabled(false);
    txtmarker->clear();
    txtmp3->clear();
    sfogliamarker->setEnabled(true);
    sfogliamp3->setEnabled(true);
  }
}

void Form1::Command2_Click() {
  ScanCdDrives();
  // The focus stays on the button: the reader is told what the scan found.
  ui::announce(notice_, Label10->text());
}

void Form1::sfogliamarker_Click() {
  const std::string chosen = tools::PickBookIndex(s(txtmp3->text()));
  if (chosen.empty()) return;
  txtmarker->setText(q(chosen));
  if (txtmarker->text().size() > 80) setFontSize(txtmarker, 8);
  ui::announce(notice_, ui::choiceText(Label5, txtmarker->text()));
  if (!txtmp3->text().isEmpty()) setConvertEnabled(true);
}

void Form1::sfogliamp3_Click() {
  const std::string chosen = tools::PickMp3Folder(s(txtmarker->text()));
  if (chosen.empty()) return;
  txtmp3->setText(q(chosen));
  if (txtmp3->text().size() > 80) setFontSize(txtmp3, 8);
  ui::announce(notice_, ui::choiceText(Label6, txtmp3->text()));
  if (!txtmarker->text().isEmpty()) setConvertEnabled(true);
}

void Form1::sfoglia_Click() {
  std::string chosen = tools::BrowseForFolder(s(txtselected->text()));
  if (chosen.empty()) return;
  chosen = shell::withSlash(chosen);
  registry::SaveSetting("daisyconv", "Default", "expath", chosen);
  E_ = chosen;
  txtselected->setText(q(E_ + subfolder_ + "/DAISY/"));
  ui::announce(notice_, ui::choiceText(Label4, txtselected->text()));
}

void Form1::txtselected_DblClick() { ui::openFolderIfPresent(s(txtselected->text())); }

bool Form1::fileexists() { return tools::fileexists(s(txtmarker->text())); }

void Form1::Converti_Click() {
  ConversionRequest request;
  request.exportBase = E_;
  request.exportFolder = s(txtselected->text());
  request.indexPath = s(txtmarker->text());
  request.mp3Folder = s(txtmp3->text());
  request.onePagePerFile = Check2->isChecked();
  request.openWhenDone = Check1->isChecked();
  request.programFolder = A_;

  RunHooks hooks;
  hooks.begin = [this] {
    // Locking the controls raises an event for each of them: they come
    // first, and the progress window is announced once they are taken.
    setRunning(true);
    ui::answerScreenReader(250);
    progress_->show();
    progress_->activateWindow();
    ui::answerScreenReader(250);
  };
  hooks.end = [this] {
    progress_->hide();
    setRunning(false);
    showSummary();
  };
  hooks.yield = [this] { events_.yield(); };
  // The copy of the audio shows its own progress, as the desktop's copy does.
  hooks.copyProgress = [this](const tools::CopyProgress& p) {
    if (p.finished) {
      delete copyProgress_;
      copyProgress_ = nullptr;
      return;
    }
    if (!copyProgress_) {
      copyProgress_ = new QProgressDialog(this);
      copyProgress_->setObjectName("copyProgress");
      copyProgress_->setWindowTitle(QString::fromUtf8("Copia in corso..."));
      copyProgress_->setCancelButton(nullptr);
      copyProgress_->setRange(0, 1000);
      copyProgress_->setMinimumDuration(500);
    }
    copyProgress_->setLabelText(QString::fromUtf8("Copia di ") + q(p.file) + " (" + QString::number(p.fileIndex) + "/" +
                                QString::number(p.fileCount) + ")");
    copyProgress_->setValue(p.fileCount ? (p.fileIndex - 1) * 1000 / p.fileCount : 0);
    QApplication::processEvents();
  };
  conversion_.Converti(request, hooks);
  delete copyProgress_;
  copyProgress_ = nullptr;
  showSummary();
}

void Form1::showSummary() {
  const Summary& sum = conversion_.summary();
  // A field set again with its own text would be told again to a screen
  // reader: only what changed is set.
  const std::pair<QLineEdit*, const std::string*> fields[] = {
      {Text1, &sum.Text1}, {Text2, &sum.Text2}, {Text3, &sum.Text3}, {Text4, &sum.Text4}, {Text5, &sum.Text5}};
  for (const auto& [box, text] : fields)
    if (box->text() != q(*text)) box->setText(q(*text));
}

void Form1::Command1_Click() { close(); }
void Form1::Conv_Click() { Converti_Click(); }
void Form1::Esci_Click() { Command1_Click(); }

void Form1::logtab_Click() {
  const std::string report = A_ + "lumodaisylog.html";
  std::error_code ec;
  if (fs::exists(report, ec))
    tools::OpenWithShell(report);
  else
    ui::MsgBox("Il file lumodaisylog.html non è stato ancora creato", ui::mb::Information);
}

void Form1::info_Click() { about_->present(); }

}  // namespace lumo::converter
