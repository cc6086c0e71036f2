#include "splitter/window/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/text/text.h"
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
#include "splitter/core/engine_process.h"
#include "splitter/core/fields.h"
#include "splitter/core/logfile.h"
#include "splitter/window/form2.h"
#include "splitter/window/form3.h"
#include "splitter/window/program.h"

namespace fs = std::filesystem;

namespace lumo::splitter {
namespace {

using ui::q;
using ui::s;

// No exception leaves a handler.
constexpr ui::ErrorFormat kErrors{"Errore # ", "Errore "};

struct Range {
  const char* defaultText;
  double lowest, highest;
  const char* message;
};

}  // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form1");
  buildControls();
  buildMenus();
  connectHandlers();
  about_ = makeAboutBox(this);
  job_.runEngine = RunWithQProcess;
  job_.hooks.yield = [this] { events_.yield(); };
  job_.hooks.showProgress = [this] {
    // The controls locked as the job started are taken first, so that the
    // window's announcement is heard when it opens.
    ui::answerScreenReader(250);
    delete progress_;
    progress_ = new Form3(this);
    // Esc in the progress window is the stop request, as the button is.
    progress_->onEscape = [this] { ui::guarded(kErrors, [this] { vai_Click(); }); };
    progress_->show();
    progress_->activateWindow();
    QApplication::processEvents();
    ui::answerScreenReader(250);
  };
  job_.hooks.closeProgress = [this] {
    // Its last announcement ("Attendere il termine del ciclo...") is read
    // by the screen reader before the window goes.
    ui::answerScreenReader(250);
    delete progress_;
    progress_ = nullptr;
  };
  job_.hooks.progressCaption = [this](const std::string& caption) {
    if (!progress_) return;
    progress_->setWindowTitle(q(caption));
    progress_->setAccessibleName(progress_->windowTitle());
    progress_->repaint();
  };
  job_.hooks.progress = [this](int bar, int value, int maximum, const std::string& percent) {
    if (!progress_) return;
    QProgressBar* b = bar == 1 ? progress_->ProgressBar1 : progress_->ProgressBar2;
    QLabel* label = bar == 1 ? progress_->lblpercent : progress_->ptps;
    b->setRange(0, std::max(maximum, 1));
    b->setValue(std::clamp(value, 0, std::max(maximum, 1)));
    // Each change is one more event a screen reader has to ask the program
    // about while the job runs: the same text is not set again.
    if (label->text() != q(percent)) ui::setSpokenText(label, q(percent));
  };
  job_.hooks.running = [this](bool running) {
    jobRunning_ = running;
    // Idle, the button keeps its accelerator (Alt+T), as the window first shows it.
    vai->setText(running ? "INTERROMPI" : "&TAGLIA");
    vai->setAccessibleName(vai->text().remove('&'));
    Taglia->setText(running ? "Interrompi" : "Taglia");
    setCutEnabled(cutAllowed_);
    lockJobControls(running);
    if (!running)
      for (QTreeView* view : {lv, lv4, lv6, lv8})
        if (const int rows = view->model()->rowCount(); rows > 0)
          showRow(view, view->model()->index(rows - 1, 0), view == lv);
  };
  job_.hooks.closeWindow = [this] {
    centralWidget()->setEnabled(true);
    menuBar()->setEnabled(true);
    close();
  };
  ui::setUpToolWindow(this);
  ui::guarded(kErrors, [this] { Form_Load(); });
}

Form1::~Form1() {
  // The models read the job's tables, which go before the child widgets do.
  for (QTreeView* view : {lv, lv4, lv6, lv8}) view->setModel(nullptr);
  for (ui::TableModel*& model : models_) {
    delete model;
    model = nullptr;
  }
}

void Form1::buildControls() {
  QWidget* central = ui::makeScrollingPanel(this, "controls");
  notice_ = ui::makeNotice(this);

  drivelist = new QComboBox(central);
  drivelist->setObjectName("drivelist");
  drivelist->setToolTip(QString::fromUtf8("Drive trovati"));
  drivelist->setAccessibleName(drivelist->toolTip());
  Lblspy = ui::makeLabel(central, "Lblspy", "Lista Drive trovati:");
  Command2 = ui::makeButton(central, "Command2", "Aggiorna lista drive", "Aggiorna lista drive");
  Label5 = ui::makeLabel(central, "Label5", "Percorso file indice marker:");
  txtmarker = ui::makeField(central, "txtmarker", Label5, "Percorso file indice marker");
  sfogliamarker = ui::makeButton(central, "sfogliamarker", "Scegli file", "Personalizza il percorso del file marker");
  Label6 = ui::makeLabel(central, "Label6", "Percorso file MP3:");
  txtmp3 = ui::makeField(central, "txtmp3", Label6, "Percorso file mp3");
  sfogliamp3 = ui::makeButton(central, "sfogliamp3", "Scegli cartella", "Personalizza il percorso dei file mp3");
  Label4 = ui::makeLabel(central, "Label4", "Percorso di esportazione (viene aggiunto il suffisso Mylumo):");
  txtSelected = ui::makeField(central, "txtSelected", Label4, "Percorso di esportazione");
  sfoglia = ui::makeButton(central, "sfoglia", "Scegli percorso", "Personalizza il percorso di esportazione");
  for (QLineEdit* box : {txtmarker, txtmp3, txtSelected}) box->setReadOnly(true);
  tid3 = ui::makeCheck(central, "tid3", "Inserisci informazioni aggiuntive come tag ID3v2", true);
  Checkunion = ui::makeCheck(central, "Checkunion",
                             "Unisci la prima parte del file con la precedente se risulta in continuazione", true);
  Check1 = ui::makeCheck(central, "Check1", "Apri la cartella di esportazione al termine del lavoro", true);
  Check2 = ui::makeCheck(central, "Check2", "Taglia ulteriormente i file dalla lunghezza di ", false);
  Label13 = ui::makeLabel(central, "Label13", "minuti");
  durfile = ui::makeField(central, "durfile", Label13, "Valore in minuti che specifica la lunghezza di taglio");
  durfile->setAccessibleName(Check2->text().trimmed() + " (" + Label13->text() + ")");
  durfile->setText("5");
  durfile->setEnabled(false);
  // Room for the decimal lengths the field's check accepts ("29,75").
  durfile->setMaxLength(5);
  for (int i : {2, 3}) {
    const char* caption = i == 2
                              ? "Rinomina i file con numero progressivo e pagina di inizio"
                              : "Rinomina i file con numero progressivo, pagina di inizio e titolo della descrizione";
    optExample[i] = new QRadioButton(QString::fromUtf8(caption), central);
    optExample[i]->setObjectName(QString("optExample_%1").arg(i));
    optExample[i]->setToolTip(optExample[i]->text());
    optExample[i]->setAccessibleName(optExample[i]->text());
  }
  optExample[3]->setChecked(true);
  for (int i : {0, 1}) {
    picgruppo[i] = new QFrame(central);
    picgruppo[i]->setObjectName(QString("picgruppo_%1").arg(i));
  }
  Label8 = ui::makeLabel(picgruppo[1], "Label8", "Valore di threshold:");
  th = ui::makeField(picgruppo[1], "th", Label8, "Valore di threshold compreso tra 0 e 96 decibel");
  th->setText("35");
  th->setMaxLength(2);
  Label11 = ui::makeLabel(picgruppo[1], "Label11", "decibel");
  Label9 = ui::makeLabel(picgruppo[1], "Label9", "Durata minima del silenzio:");
  thsec = ui::makeField(picgruppo[1], "thsec", Label9, "Valore in secondi compreso tra 1 e 10");
  thsec->setText("3");
  thsec->setMaxLength(2);
  Label12 = ui::makeLabel(picgruppo[1], "Label12", "secondi");
  auto* silence = new QGridLayout(picgruppo[1]);
  silence->addWidget(Label8, 0, 0);
  silence->addWidget(th, 0, 1);
  silence->addWidget(Label11, 0, 2);
  silence->addWidget(Label9, 1, 0);
  silence->addWidget(thsec, 1, 1);
  silence->addWidget(Label12, 1, 2);
  picgruppo[1]->hide();
  auto* naming = new QVBoxLayout(picgruppo[0]);
  naming->addWidget(optExample[2]);
  naming->addWidget(optExample[3]);
  vai = ui::makeButton(central, "vai", "&TAGLIA", "Esegue il taglio dei file");
  vai->setEnabled(false);
  Command1 = ui::makeButton(central, "Command1", "&Esci", "Chiude lumosplitter");

  lv = ui::makeTableView(central, "lv", "File in esame");
  lv4 = ui::makeTableView(central, "lv4", "Marcatori del file in esame");
  lv6 = ui::makeTableView(central, "lv6", "File per indice");
  lv8 = ui::makeTableView(central, "lv8", "File tagliati per lunghezza");
  ListTable* tables[] = {&job_.lv, &job_.lv4, &job_.lv6, &job_.lv8};
  QTreeView* views[] = {lv, lv4, lv6, lv8};
  for (int i = 0; i < 4; ++i) {
    models_[i] = new ui::TableModel(*tables[i], this);
    views[i]->setModel(models_[i]);
    ui::fitColumnsToHeaders(views[i]);
    // A new row is scrolled into view; the source file in hand is also selected
    // (during a job, once it ends).
    QTreeView* shown = views[i];
    ui::TableModel* model = models_[i];
    const bool select = i == 0;
    connect(model, &QAbstractItemModel::rowsInserted, shown,
            [this, shown, model, select](const QModelIndex&, int, int last) {
              // While a job runs, every selection and scroll is one more event a
              // screen reader must ask this program about, at each row, while it
              // should follow the progress window: the lists show their last rows,
              // the source file in hand selected, when the job ends.
              if (!jobRunning_) showRow(shown, model->index(last, 0), select);
            });
  }

  auto* grid = new QGridLayout(central);
  int row = 0;
  grid->addWidget(Lblspy, row++, 0, 1, 3);
  grid->addWidget(drivelist, row, 0, 1, 2);
  grid->addWidget(Command2, row++, 2);
  grid->addWidget(Label5, row, 0);
  grid->addWidget(txtmarker, row, 1);
  grid->addWidget(sfogliamarker, row++, 2);
  grid->addWidget(Label6, row, 0);
  grid->addWidget(txtmp3, row, 1);
  grid->addWidget(sfogliamp3, row++, 2);
  grid->addWidget(Label4, row, 0);
  grid->addWidget(txtSelected, row, 1);
  grid->addWidget(sfoglia, row++, 2);
  grid->addWidget(tid3, row++, 0, 1, 3);
  grid->addWidget(Checkunion, row++, 0, 1, 3);
  grid->addWidget(Check1, row++, 0, 1, 3);
  auto* length = new QHBoxLayout;
  length->addWidget(Check2);
  length->addWidget(durfile);
  length->addWidget(Label13);
  length->addStretch();
  grid->addLayout(length, row++, 0, 1, 3);
  grid->addWidget(picgruppo[1], row++, 0, 1, 3);
  grid->addWidget(picgruppo[0], row++, 0, 1, 3);
  // Tab follows the order on screen: the length, the silence settings under
  // it, then the naming options.
  QWidget::setTabOrder(durfile, th);
  QWidget::setTabOrder(th, thsec);
  QWidget::setTabOrder(thsec, optExample[2]);
  QWidget::setTabOrder(optExample[2], optExample[3]);
  QWidget::setTabOrder(optExample[3], vai);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(vai);
  buttons->addWidget(Command1);
  grid->addLayout(buttons, row++, 0, 1, 3);
  grid->addWidget(lv, row++, 0, 1, 3);
  auto* tables2 = new QHBoxLayout;
  tables2->addWidget(lv4);
  tables2->addWidget(lv6);
  tables2->addWidget(lv8);
  grid->addLayout(tables2, row++, 0, 1, 3);
  ui::resizeForText(*this, {800, 760});
}

void Form1::showRow(QTreeView* view, const QModelIndex& row, bool select) {
  if (select) {
    // Qt's tree view tells a screen reader that the focus moved to a new
    // current row even when the view has no focus; without the focus the
    // row is only selected.
    if (view->hasFocus())
      view->setCurrentIndex(row);
    else
      view->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  view->scrollTo(row);
}

void Form1::buildMenus() {
  mnuFile = ui::makeMenu(menuBar(), "mnuFile", "&File");
  Taglia = ui::makeAction(mnuFile, "Taglia", "Taglia");
  Taglia->setEnabled(false);
  flog = ui::makeAction(mnuFile, "flog", "Mostra ultimo log");
  Esci = ui::makeAction(mnuFile, "Esci", "Esci");
  mnuInformazioni = ui::makeMenu(menuBar(), "mnuInformazioni", "&Informazioni");
  info = ui::makeAction(mnuInformazioni, "info", "Informazioni su");
}

void Form1::connectHandlers() {
  const ui::GuardedHandlers on(this, kErrors);
  on(drivelist, &QComboBox::activated, &Form1::drivelist_Click);
  on(Command2, &QPushButton::clicked, &Form1::Command2_Click);
  on(sfoglia, &QPushButton::clicked, &Form1::sfoglia_Click);
  on(sfogliamarker, &QPushButton::clicked, &Form1::sfogliamarker_Click);
  on(sfogliamp3, &QPushButton::clicked, &Form1::sfogliamp3_Click);
  on(Check2, &QCheckBox::clicked, &Form1::Check2_Click);
  on(vai, &QPushButton::clicked, &Form1::vai_Click);
  on(Command1, &QPushButton::clicked, &Form1::Command1_Click);
  on(Taglia, &QAction::triggered, &Form1::vai_Click);
  on(flog, &QAction::triggered, &Form1::flog_Click);
  on(Esci, &QAction::triggered, &Form1::Command1_Click);
  on(info, &QAction::triggered, &Form1::info_Click);
  for (QLineEdit* box : {txtmarker, txtmp3, txtSelected, durfile, th, thsec}) box->installEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == txtmarker) ui::guarded(kErrors, [this] { txtmarker_DblClick(); });
    if (watched == txtmp3) ui::guarded(kErrors, [this] { txtmp3_DblClick(); });
    if (watched == txtSelected) ui::guarded(kErrors, [this] { txtSelected_DblClick(); });
  }
  auto* box = qobject_cast<QLineEdit*>(watched);
  if (box == durfile || box == th || box == thsec) {
    if (event->type() == QEvent::FocusIn) {
      // The whole text is selected, whichever way the focus came.
      QTimer::singleShot(0, box, [box] { box->selectAll(); });
    } else if (event->type() == QEvent::FocusOut) {
      // Another window (the about box, another program) taking the focus is
      // no leaving of the field: it is checked when the user moves on here.
      if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
        ui::guarded(kErrors, [this, box] { rangeCheck(box); });
    } else if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const QString text = key->text();
      int16_t code = 0;
      if (key->key() == Qt::Key_Backspace)
        code = 8;
      else if (key->key() == Qt::Key_Tab)
        code = 9;
      else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        code = 13;
      else if (key->key() == Qt::Key_Escape)
        code = 27;
      // A typed character; one beyond ASCII (the "è" of an Italian keyboard)
      // is no digit either. Delete comes with the text "\x7f" and types nothing.
      else if (!text.isEmpty() && text[0].unicode() >= 32 && text[0].unicode() != 127)
        code = static_cast<int16_t>(std::min<int>(text[0].unicode(), 255));
      else
        return QMainWindow::eventFilter(watched, event);  // keys that type nothing (arrows, Delete)
      int16_t kept = FilterDigitKey(code, 0, 9);
      if (kept == 0) return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void Form1::rangeCheck(QLineEdit* field) {
  if (checkingRange_) return;
  const Range range = field == durfile ? Range{"5", 1, 30, "Inserire un valore compreso tra 1 e 30 secondi."}
                      : field == th    ? Range{"35", 0, 96, "Inserire un valore compreso tra 0 e 96 decibel."}
                                       : Range{"3", 1, 10, "Inserire un valore compreso tra 1 e 10 secondi."};
  if (field->text().isEmpty()) {
    field->setText(QString::fromUtf8(range.defaultText));
    return;
  }
  // Read in the user's way of writing numbers: "," or "." as the decimal
  // separator. A text that is no number at all is refused like one out of range.
  const std::optional<double> value = TypedNumber(s(field->text()));
  if (value && *value >= range.lowest && *value <= range.highest) return;
  checkingRange_ = true;
  ui::MsgBox(range.message, ui::mb::Information);
  field->clear();
  field->setFocus();
  checkingRange_ = false;
}

void Form1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) ui::guarded(kErrors, [this] { Form_Activate(); });
}

void Form1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The first show is the first activation, also where the window manager
  // (or the offscreen platform) gives none.
  QTimer::singleShot(0, this, [this] { ui::guarded(kErrors, [this] { Form_Activate(); }); });
}

void Form1::closeEvent(QCloseEvent* event) {
  if (job_.RequestUnload()) {
    // The job ends at its next check and closes the window itself.
    event->ignore();
    centralWidget()->setEnabled(false);
    menuBar()->setEnabled(false);
    return;
  }
  about_->close();
  QMainWindow::closeEvent(event);
}

void Form1::Form_Load() {
  setWindowTitle(QString::fromUtf8(kProgramTitle) + " " + q(majorMinor()) + " Taglio file mp3 per audiolibri");
  setAccessibleName(windowTitle());
  appDir_ = shell::withSlash(shell::programFolder());
  ScanDrives();
  std::string exportPath = registry::GetSetting("split", "Default", "expath", "");
  if (exportPath.empty())
    exportPath = shell::withSlash(tools::GetSpecialFolderPath(tools::CSIDL_PERSONAL)) + suffix_ + "/";
  txtSelected->setText(q(exportPath));
}

void Form1::Form_Activate() {
  if (engineMissing_) return;
  std::error_code ec;
  // The engine link must lead to a program: a dangling link is no engine.
  if (fs::exists(appDir_ + "mp3splt", ec)) return;
  engineMissing_ = true;
  ui::MsgBox("Manca il motore di taglio in questa stessa cartella.", ui::mb::Critical);
  close();
}

void Form1::ScanDrives() {
  ui::centreOnScreen(this);
  const int count = ui::listLibraryDiscs(drivelist, custom_);
  drivelist_Click();
  ui::showDiscCount(Lblspy, drivelist,
                    count == 0 ? QString::fromUtf8("Nessun drive contiene cd-MP3 del LUMO")
                               : QString::fromUtf8("Sono stati rilevati  ") + QString::number(count) +
                                     QString::fromUtf8(" cd-mp3 del LUMO"),
                    ui::ScanLabel::CaptionOfList);
}

void Form1::lockJobControls(bool running) {
  // What the job has read must not change under it: the pickers, the fields
  // and the options wait, each as it was, until the job has ended.
  QWidget* const controls[] = {drivelist,   Command2, txtmarker,     sfogliamarker, txtmp3, sfogliamp3,
                               txtSelected, sfoglia,  tid3,          Checkunion,    Check1, Check2,
                               durfile,     th,       optExample[2], optExample[3], thsec};
  if (running) {
    // The focus goes to the stop button at once: disabled one by one, the
    // controls would pass it on from field to field, and a screen reader
    // would read each field on its way while the progress window opens.
    if (QWidget* focus = QApplication::focusWidget();
        focus != nullptr && std::find(std::begin(controls), std::end(controls), focus) != std::end(controls))
      vai->setFocus(Qt::OtherFocusReason);
    lockedControls_.clear();
    for (QWidget* control : controls) {
      lockedControls_.emplace_back(control, control->isEnabled());
      control->setEnabled(false);
    }
    return;
  }
  for (const auto& [control, enabled] : lockedControls_) control->setEnabled(enabled);
  lockedControls_.clear();
}

void Form1::setCutEnabled(bool enabled) {
  // While a job runs the same button and menu stop it: they stay usable
  // whatever the drive list says, which counts again once the job ends.
  cutAllowed_ = enabled;
  vai->setEnabled(enabled || jobRunning_);
  Taglia->setEnabled(enabled || jobRunning_);
}

void Form1::drivelist_Click() {
  if (drivelist->currentText() != custom_) {
    const std::string root = s(drivelist->currentData().toString());
    setCutEnabled(true);
    txtmarker->setText(q(root + "marker.txt"));
    txtmp3->setText(q(root + "Libro/"));
    sfogliamarker->setEnabled(false);
    sfogliamp3->setEnabled(false);
  } else {
    setCutEnabled(false);
    txtmarker->clear();
    txtmp3->clear();
    sfogliamarker->setEnabled(true);
    sfogliamp3->setEnabled(true);
  }
}

void Form1::Command2_Click() {
  ScanDrives();
  drivelist->setFocus();
}

void Form1::sfoglia_Click() {
  std::string chosen = tools::BrowseForFolder(s(txtSelected->text()));
  if (chosen.empty()) return;
  chosen = shell::withSlash(chosen) + suffix_ + "/";
  txtSelected->setText(q(chosen));
  registry::SaveSetting("split", "Default", "expath", chosen);
  ui::announce(notice_, ui::choiceText(Label4, txtSelected->text()));
}

void Form1::sfogliamarker_Click() {
  const std::string chosen = tools::PickBookIndex(s(txtmp3->text()));
  if (chosen.empty()) return;
  txtmarker->setText(q(chosen));
  if (!txtmp3->text().isEmpty()) setCutEnabled(true);
  ui::announce(notice_, ui::choiceText(Label5, txtmarker->text()));
}

void Form1::sfogliamp3_Click() {
  const std::string chosen = tools::PickMp3Folder(s(txtmarker->text()));
  if (chosen.empty()) return;
  txtmp3->setText(q(chosen));
  if (!txtmarker->text().isEmpty()) setCutEnabled(true);
  ui::announce(notice_, ui::choiceText(Label6, txtmp3->text()));
}

void Form1::Check2_Click() {
  if (Check2->isChecked()) {
    picgruppo[1]->show();
    durfile->setEnabled(true);
    Checkunion->setChecked(false);
    Checkunion->setEnabled(false);
    durfile->setText("5");
    th->setText("35");
    thsec->setText("3");
  } else {
    picgruppo[1]->hide();
    durfile->setEnabled(false);
    Checkunion->setEnabled(true);
    Checkunion->setChecked(true);
  }
}

void Form1::txtmarker_DblClick() {
  if (!txtmarker->text().isEmpty()) tools::OpenWithShell(s(txtmarker->text()));
}

void Form1::txtmp3_DblClick() { ui::openFolderIfPresent(s(txtmp3->text())); }

void Form1::txtSelected_DblClick() { ui::openFolderIfPresent(s(txtSelected->text())); }

bool Form1::fileexists() { return tools::fileexists(s(txtmarker->text())); }

JobFields Form1::readFields() const {
  JobFields f;
  f.programFolder = appDir_;
  f.indexPath = s(txtmarker->text());
  f.mp3Folder = s(txtmp3->text());
  f.exportPath = s(txtSelected->text());
  f.tags = tid3->isChecked();
  f.joinContinuations = Checkunion->isChecked();
  f.openWhenDone = Check1->isChecked();
  f.cutByLength = Check2->isChecked();
  f.namesWithDescription = optExample[3]->isChecked();
  f.partMinutes = s(durfile->text());
  f.threshold = s(th->text());
  f.minSilence = s(thsec->text());
  return f;
}

void Form1::vai_Click() {
  // A click while a job runs is the stop request: the job asks about it.
  if (vai->text() != "INTERROMPI") job_.fields = readFields();
  job_.StartOrStop();
}

void Form1::Command1_Click() { close(); }

void Form1::flog_Click() {
  const std::string log = LogFilePath();
  std::error_code ec;
  if (fs::is_regular_file(log, ec))
    tools::OpenWithShell(log);
  else
    ui::MsgBox("Il file log non è stato ancora creato", ui::mb::Information);
}

void Form1::info_Click() { about_->present(); }

}  // namespace lumo::splitter
