// frmBrowser, the main window: its controls, its settings, the load and
// initialisation, the about page, the splash tick, the exit question, the
// layout, the reader switch and the player version, the handlers that
// forward to its parts, and the player's events. Its events' wiring and the
// keys are in frmBrowser_events.cpp, its panels in frmBrowser_panels.cpp.

#include "player/window/frmBrowser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

#include "common/errors/errors.h"
#include "common/organisation.h"
#include "platform/browser/urls.h"
#include "platform/browser/webbrowser.h"
#include "platform/registry/registry.h"
#include "platform/shell/drives.h"
#include "platform/shell/shell.h"
#include "platform/ui/list_accessible.h"
#include "platform/ui/notification.h"
#include "platform/ui/text_scale.h"
#include "platform/ui/ui.h"
#include "player/core/command_runner.h"
#include "player/core/rules.h"
#include "player/media_host/mdlMain.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/bookmark_list.h"
#include "player/window/browser_commands.h"
#include "player/window/frmImpExp.h"
#include "player/window/page_setup.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

// Design twips and pixels, the design grown with the reader's text: at the
// design text size a twip is a fifteenth of a pixel, as it always was.
int px(int twips) { return static_cast<int>(std::lround(twips * ui::textScale() / kTwipsPerPixel)); }
int twips(int pixels) { return static_cast<int>(std::lround(pixels * kTwipsPerPixel / ui::textScale())); }

// Places a widget at a position given in twips.
void place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(px(left), px(top), px(width), px(height));
}

template <typename W>
W* named(W* widget, const char* name, const QString& accessibleName) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setAccessibleName(accessibleName);
  return widget;
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The positions of a frame's controls were chosen for a narrower font than
// this system's: each caption (label, check box, button) is widened to show
// its text whole (a label with a little room after it), whatever stands to
// its right on the same row moves along by as much, controls that stood in
// one column stay in one column, and the frame widens to hold its controls
// with its margin.
void fitCaptions(QWidget* frame) {
  struct Item {
    QWidget* widget;
    QRect was;
    int left;
    int width;
  };
  std::vector<Item> items;
  int designRight = 0;
  for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    items.push_back({child, child->geometry(), child->x(), child->width()});
    designRight = std::max(designRight, child->x() + child->width());
  }
  if (items.empty()) return;
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.was.x() < b.was.x(); });
  const int room = frame->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
  int right = 0;
  for (auto column = items.begin(); column != items.end();) {
    auto next = column;
    while (next != items.end() && next->was.x() == column->was.x()) ++next;
    int left = column->was.x();
    for (auto item = column; item != next; ++item) {
      const int wanted = item->widget->sizeHint().width();
      if (qobject_cast<QLabel*>(item->widget) && item->width < wanted) item->width = wanted + room;
      if (qobject_cast<QAbstractButton*>(item->widget)) item->width = std::max(item->width, wanted);
      for (auto before = items.begin(); before != column; ++before) {
        const bool sameRow = before->was.top() <= item->was.bottom() && item->was.top() <= before->was.bottom();
        if (!sameRow) continue;
        const int moved = (before->left - before->was.x()) + (before->width - before->was.width());
        left = std::max(left, item->was.x() + moved);
      }
    }
    for (auto item = column; item != next; ++item) {
      item->left = left;
      item->widget->setGeometry(item->left, item->was.y(), item->width, item->was.height());
      right = std::max(right, item->left + item->width);
    }
    column = next;
  }
  const int width = std::max(frame->width(), right + (frame->width() - designRight));
  frame->resize(width, frame->height());
}

}  // namespace

// ---- Controls -------------------------------------------------------------

frmBrowser::frmBrowser(QWidget* parent)
    : QWidget(parent),
      pages_(std::make_unique<PageSetup>(static_cast<PageWindow&>(*this))),
      commands_(std::make_unique<BrowserCommands>(static_cast<CommandWindow&>(*this))),
      bookmarks_(std::make_unique<BookmarkList>(static_cast<BookmarkWindow&>(*this))) {
  setObjectName(QStringLiteral("frmBrowser"));
  setWindowTitle(QString::fromUtf8(kDesignCaption));
  setAccessibleName(QString::fromUtf8(kDesignCaption));
  ui::resizeForText(*this, {800, 600});
  createControls();
  connectCommands();
  Form_Load();
  Form_Initialize();
}

frmBrowser::~frmBrowser() {
  // The player's host window goes with the player.
  oPlayer.reset();
  // The controls are deleted after the window's parts (page set-up,
  // commands, bookmark list): a signal a control sends on its way out
  // reaches none of them.
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void frmBrowser::createControls() {
  objwb = named(new browser::WebBrowser(this), "objwb", QStringLiteral("Pagina del libro"));
  connect(objwb, &browser::WebBrowser::DocumentComplete, this, &frmBrowser::objwb_DocumentComplete);
  connect(objwb, &browser::WebBrowser::WindowClosing, this, &frmBrowser::objwb_WindowClosing);

  frmOSD = named(new QFrame(this), "frmOSD", QStringLiteral("Messaggio"));
  frmOSD->setFrameShape(QFrame::Box);
  frmOSD->setAutoFillBackground(true);
  frmOSD->setStyleSheet(QStringLiteral("background-color: #000000; color: #FFFF00;"));
  frmOSD->hide();
  ui::makeNotification(frmOSD);  // each message is spoken by screen readers
  lblOSD = named(new QLabel(frmOSD), "lblOSD", QStringLiteral("Messaggio"));
  lblOSD->setAlignment(Qt::AlignCenter);
  QFont big = ui::designFont(lblOSD->font(), 24);
  big.setBold(true);
  lblOSD->setFont(big);

  createConfigurationFrame();
  createBookmarkFrame();
  createDebugFrame();
  // Enter presses the button that has the focus, as Space does, so a reader
  // who tabbed to "Chiudi" closes the panel with the key they expect.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(true);

  TimerSpalsh = new QTimer(this);
  TimerSpalsh->setObjectName(QStringLiteral("TimerSpalsh"));
  TimerSpalsh->setInterval(5000);
  connect(TimerSpalsh, &QTimer::timeout, this, &frmBrowser::TimerSpalsh_Timer);
  TimerOSD = new QTimer(this);
  TimerOSD->setObjectName(QStringLiteral("TimerOSD"));
  TimerOSD->setInterval(1500);
  connect(TimerOSD, &QTimer::timeout, this, &frmBrowser::TimerOSD_Timer);
  TimerDisableState = new QTimer(this);
  TimerDisableState->setObjectName(QStringLiteral("TimerDisableState"));
  TimerDisableState->setInterval(1000);
  connect(TimerDisableState, &QTimer::timeout, this, &frmBrowser::TimerDisableState_Timer);
}

void frmBrowser::createConfigurationFrame() {
  const QString frameCaption = QStringLiteral("Configurazione");
  frmconfigurazione = named(new QGroupBox(frameCaption, this), "frmconfigurazione", frameCaption);
  place(frmconfigurazione, 0, 0, 4935, 2535);
  // The panel stands over the page: it paints its own face, so the page's
  // text does not run through it.
  frmconfigurazione->setAutoFillBackground(true);
  frmconfigurazione->hide();
  QGroupBox* f = frmconfigurazione;
  auto check = [f](const char* name, const char* text, int l, int t, int w, int h) {
    const QString caption = QString::fromUtf8(text);
    auto* box = named(new QCheckBox(caption, f), name, caption);
    place(box, l, t, w, h);
    return box;
  };
  auto label = [f](const char* name, const char* text, int l, int t, int w, int h) {
    const QString caption = QString::fromUtf8(text);
    auto* lbl = named(new QLabel(caption, f), name, caption);
    place(lbl, l, t, w, h);
    return lbl;
  };
  auto box = [f](const char* name, QLabel* caption, int l, int t, int w, int h) {
    auto* edit = named(new QLineEdit(f), name, caption->text());
    caption->setBuddy(edit);
    place(edit, l, t, w, h);
    return edit;
  };
  chkAudioOff = check("chkAudioOff", "Lettore spento", 120, 240, 2415, 255);
  chkSavePos = check("chkSavePos", "Riparti dal punto di uscita", 2640, 240, 1935, 495);
  CheckVideoFull = check("CheckVideoFull", "Video a tutto schermo", 120, 480, 2655, 255);
  CheckVideoFull->setChecked(true);
  CheckVideoFull->hide();
  Label1 = label("Label1", "Velocità di Lettura", 120, 840, 1455, 255);
  TextRate = box("TextRate", Label1, 1560, 840, 735, 285);
  Label3 = label("Label3", "Volume", 120, 1320, 1455, 255);
  TextVolume = box("TextVolume", Label3, 1560, 1320, 735, 285);
  Label4 = label("Label4", "Avanzamento audio", 120, 1800, 1455, 255);
  TextAvantiIndietro = box("TextAvantiIndietro", Label4, 1560, 1800, 735, 285);
  Label5 = label("Label5", "secondi", 2400, 1800, 1455, 255);
  // The unit stands after the box on screen; a screen reader says it too.
  TextAvantiIndietro->setAccessibleDescription(Label5->text());
  optPlayer[1] = named(new QRadioButton(QStringLiteral("Versione 9"), f), "optPlayer(1)", QStringLiteral("Versione 9"));
  place(optPlayer[1], 2640, 1080, 1335, 195);
  optPlayer[0] = named(new QRadioButton(QStringLiteral("Altre"), f), "optPlayer(0)", QStringLiteral("Altre"));
  place(optPlayer[0], 2640, 1320, 1335, 195);
  optPlayer[0]->setChecked(true);
  optPlayer[0]->hide();
  optPlayer[1]->hide();
  for (int16_t i : {int16_t(0), int16_t(1)}) {
    // A selection made by the program reaches the window as a click.
    connect(optPlayer[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) optPlayer_Click(i);
    });
  }
  cmdSetupClose = named(new QPushButton(QStringLiteral("Chiudi"), f), "cmdSetupClose", QStringLiteral("Chiudi"));
  place(cmdSetupClose, 3600, 2040, 975, 375);
  fitCaptions(f);
}

void frmBrowser::createBookmarkFrame() {
  const QString caption = QStringLiteral("Elenco Segnalibri");
  fraMarcatori = named(new QGroupBox(caption, this), "fraMarcatori", caption);
  fraMarcatori->setAutoFillBackground(true);  // in the colours of the reader's style
  fraMarcatori->hide();
  const char* captions[5] = {"&Esporta Marcatori", "&Importa Marcatori", "&OK", "&Annulla", "&Chiudi"};
  ListMarkers = named(new QListWidget(fraMarcatori), "ListMarkers", caption);
  ui::presentCurrentItemOnFocus(ListMarkers);
  lstapp = named(new QListWidget(fraMarcatori), "lstapp", QStringLiteral("Sezioni dei segnalibri"));
  lstapp->hide();

  frmImpExp = new player::frmImpExp(*this, fraMarcatori);
  frmImpExp->hide();
  Drive = frmImpExp->Drive;
  Dir = frmImpExp->Dir;
  File = frmImpExp->File;
  lblNomeFile = frmImpExp->lblNomeFile;
  TextFileName = frmImpExp->TextFileName;

  for (int i = 0; i < 5; ++i) {
    QWidget* owner = (i == 2 || i == 3) ? static_cast<QWidget*>(frmImpExp) : fraMarcatori;
    const QString text = QString::fromUtf8(captions[i]);
    const std::string name = "cmdImpExp(" + std::to_string(i) + ")";
    cmdImpExp[i] = named(new QPushButton(text, owner), name.c_str(), QString(text).remove('&'));
  }
  place(cmdImpExp[0], 100, 300, 2000, 375);
  place(cmdImpExp[1], 2200, 300, 2000, 375);
  place(cmdImpExp[4], 4300, 300, 1200, 375);
  place(cmdImpExp[2], 0, 400, 1200, 375);
  place(cmdImpExp[3], 0, 900, 1200, 375);
  place(Drive, 100, 0, 2000, 315);
  place(Dir, 100, 200, 2000, 1000);
  place(File, 0, 0, 2000, 1000);
  place(TextFileName, 0, 0, 2000, 285);
  place(lblNomeFile, 0, 0, 2000, 255);
}

void frmBrowser::createDebugFrame() {
  fraDebug = named(new QGroupBox(QStringLiteral("Debug"), this), "fraDebug", QStringLiteral("Debug"));
  place(fraDebug, 5520, 1560, 6735, 5055);
  fraDebug->setAutoFillBackground(true);  // over the page, as the panel above
  fraDebug->hide();
  QGroupBox* f = fraDebug;
  auto edit = [f](const char* name, const char* accessible, int l, int t, int w) {
    auto* e = named(new QLineEdit(f), name, QString::fromUtf8(accessible));
    place(e, l, t, w, 285);
    return e;
  };
  auto button = [f](const char* name, const char* text, int l, int t) {
    const QString caption = QString::fromUtf8(text);
    auto* b = named(new QPushButton(caption, f), name, caption);
    place(b, l, t, 1200, 375);
    return b;
  };
  TxtDebFilename = edit("TxtDebFilename", "File del lettore", 120, 360, 6400);
  cmdDebug[0] = button("cmdDebug(0)", "refresh", 120, 720);
  cmdDebug[1] = button("cmdDebug(1)", "play", 1440, 720);
  Command1 = button("Command1", "Command1", 2760, 720);
  Label2 = named(new QLabel(QStringLiteral("Url"), f), "Label2", QStringLiteral("Url"));
  place(Label2, 120, 1320, 1200, 255);
  TextURL = edit("TextURL", "Url", 120, 1600, 5000);
  Label2->setBuddy(TextURL);
  cmdGO = button("cmdGO", "GO", 5280, 1560);
  cmdFileAudio = button("cmdFileAudio", "Audio ?", 120, 2160);
  TextAudio = edit("TextAudio", "Audio", 120, 2640, 6400);
  fitCaptions(f);
}

// ---- Settings, load and initialisation ----------------------------------------

std::string frmBrowser::playerSetting(const char* key, const char* defaultValue) const {
  return registry::GetSetting(AppName, kPlayerSection, key, defaultValue);
}

float frmBrowser::PlayerRate() {
  float rate = 0;
  Trap(QStringLiteral("PlayerRate"), [&] {
    const std::string text = registry::GetSetting(AppName, kPlayerSection, "Rate", "1");
    rate = singleNumber(QString::fromStdString(text));
  });
  return rate;
}

void frmBrowser::PlayerRate(float value) {
  Trap(QStringLiteral("let PlayerRate"),
       [&] { registry::SaveSetting(AppName, kPlayerSection, "Rate", singleText(value).toStdString()); });
}

void frmBrowser::Form_Load() {
  pageLoad() = core::PageLoad{};
  TimerSpalsh->stop();
  AppPath = qs(shell::programFolder());
  HomeUrl = replaceAll(AppPath + QStringLiteral("/Index.htm"), QStringLiteral("//"), QStringLiteral("/"));

  QString step = QStringLiteral("Form Load: inizializzazione");
  QString version;
  const bool group1 = Trap([&] { return QStringLiteral("Form Load - ") + step; },
                           [&] {
                             AppName = kAppName;
                             Messages = MessageTexts{};
                             commands_->runner().setVolumeLimits(core::volumeLimitsOf(0));
                             commands_->runner().keys() = core::kLoadedKeyCodes;
                             step = QStringLiteral("Form Load: caricamento settings");
                             chkSavePos->setChecked(wholeNumber(qs(playerSetting("SavePos", "0"))) == 1);
                             pageLoad().setStyleNumber(wholeNumber(qs(playerSetting("StyleSheet", "1"))));
                             applyStyleColours();
                             TextAvantiIndietro->setText(qs(playerSetting("AvantiIndietro", "10")));
                             TextVolume->setText(qs(playerSetting("Volume", "100")));
                             version = QString::number(wholeNumber(qs(playerSetting("Versione", "1"))));
                           });
  if (!group1) return;

  // A failed set-up of the player is tried once more with the other
  // version; a second failure ends the load: no book page opens by itself.
  if (!createPlayer(version)) {
    version = version == QLatin1String("1") ? QStringLiteral("0") : QStringLiteral("1");
    if (!createPlayer(version)) return;
  }

  step = QStringLiteral("Form Load: caricamenti documento: ") + AppPath + QStringLiteral("/Index.htm.");
  Trap([&] { return QStringLiteral("Form Load - ") + step; },
       [&] {
         ShowAboutPage();
         TimerSpalsh->start();
       });
}

// The player's creation and set-up; false when a step failed. A Yes to the
// version question changes version for the caller, so that a retry after a
// failure starts from the version that failed.
bool frmBrowser::createPlayer(QString& version) {
  try {
    if (version != QLatin1String("1")) {
      const auto answer = ui::MsgBox(
          "Versione 9 trovata! Per un corretto funzionamento è consigliato passare alla versione 9 "
          "(CTRL+7). Vuoi passare alla versione 9?",
          ui::mb::YesNo);
      if (answer == ui::Answer::Yes) version = QStringLiteral("1");
    }
    oPlayer.reset();
    oPlayer = std::make_unique<oAnaPlayer>();
    connectPlayer();
    if (version == QLatin1String("1")) {
      oPlayer->setVersione(1);
      // Selecting "Versione 9" runs the player switch, which stores the version.
      optPlayer[1]->setChecked(true);
      oPlayer->setRate(PlayerRate());
      oPlayer->setFullScreen(true);
      commands_->runner().setVolumeLimits(core::volumeLimitsOf(1));
    } else {
      oPlayer->setVersione(0);
      // The second slot holds no player of its own (the switch has reported
      // why): that is a failed set-up, and the retry loads version 1, so the
      // reader is never left without a player.
      if (oPlayer->currentPlayer() == nullptr) throw RuntimeError(err::ObjectNotSet);
      oPlayer->setRate(PlayerRate());
      commands_->runner().setVolumeLimits(core::volumeLimitsOf(0));
      optPlayer[0]->setChecked(true);
    }
    oPlayer->setVolume(TextVolume->text());
    SetAudioOff(flagOf(qs(playerSetting("AudioOff", "0"))));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void frmBrowser::connectPlayer() {
  connect(oPlayer.get(), &oAnaPlayer::PlayStateChange, this, &frmBrowser::oPlayer_PlayStateChange);
  connect(oPlayer.get(), &oAnaPlayer::PlayFileChange, this, &frmBrowser::oPlayer_PlayFileChange);
}

void frmBrowser::Form_Initialize() {
  objwb->Navigate2(QStringLiteral("about:blank"));
  while (objwb->ReadyState() != browser::WebBrowser::READYSTATE_COMPLETE) {
    QThread::msleep(100);
    DoEvents();
  }
  ShowAboutPage();
}

void frmBrowser::showAsStarted() {
  if (qEnvironmentVariable("LUMO_WINDOW_STATE").compare(QStringLiteral("maximised"), Qt::CaseInsensitive) == 0) {
    showMaximized();
  } else {
    show();
  }
}

// ---- About page and splash --------------------------------------------------

void frmBrowser::ShowAboutPage() {
  namespace org = lumo::organisation;
  auto e = [](const char* s) { return escapeHtml(QString::fromUtf8(s)); };
  const QString logo = qs(browser::url::fileAddress(shell::resolvePath(AppPath.toStdString() + "/include/avvio.jpg")));
  const QString html = QStringLiteral("<BODY>") + QStringLiteral("<p align=\"center\"><img border=\"0\" src=\"") +
                       escapeHtml(logo) + QStringLiteral("\" alt=\"Logo di LumoPlayer\"></p>") +
                       QStringLiteral("<h1 align=\"center\"><b><font size=\"7\">LumoPlayer 4.1</font></b></h1>") +
                       QStringLiteral(
                           "<h2 align=\"center\"><i>Software di navigazione accessibile per l'ascolto degli "
                           "audiolibri digitali.</i></h2>") +
                       QStringLiteral("<h2 align=\"center\">") + e(org::Name) + QStringLiteral("</h2>") +
                       QStringLiteral("<p class=\"testo\" align=\"center\">") + e(org::PostalAddress) +
                       QStringLiteral(" - Tel. ") + e(org::Telephone) + QStringLiteral(" - Fax ") + e(org::Fax) +
                       QStringLiteral("</p><p class=\"testo\" align=\"center\"><a href=\"") + e(org::WebAddress) +
                       QStringLiteral("\">") + e(org::WebAddress) +
                       QStringLiteral("</a></p><p class=\"testo\" align=\"center\"><a href=\"mailto:") + e(org::Email) +
                       QStringLiteral("\">") + e(org::Email) +
                       QStringLiteral(
                           "</a></p><p class=\"testo\" align=\"center\"><b>L'uso di questo programma è "
                           "riservato agli iscritti di ") +
                       e(org::Name) + QStringLiteral(", che ne cura la distribuzione.</b></p>") +
                       QStringLiteral(
                           "<hr><p class=\"testo\" align=\"center\"><b>Si ringrazia la cooperativa che ha "
                           "realizzato il primo motore di navigazione.</b></p><hr>") +
                       QStringLiteral("</Body>");
  // Each step on its own: a page that is not there yet skips the writing.
  skipOnError([&] { objwb->Document().body().setInnerHTML(html.toStdString()); });
  // Screen readers name the page by its title: the program and its version.
  skipOnError([&] {
    for (auto& title : objwb->Document().getElementsByTagName("title")) {
      title.setInnerHTML("LumoPlayer 4.1");
    }
  });
  skipOnError([&] {
    int interval = 0;
    skipOnError([&] { interval = wholeNumber(qs(playerSetting("TempoSp", "5000"))); });
    TimerSpalsh->setInterval(interval < 1501 ? 1500 : interval);
  });
}

void frmBrowser::TimerSpalsh_Timer() {
  Trap(QStringLiteral("TimerSpalsh_Timer"), [&] {
    TimerSpalsh->stop();
    const QString brano = qs(playerSetting("Brano", ""));
    if (chkSavePos->isChecked() && brano != QLatin1String("about:blank")) {
      const QString file = localFileOf(brano);
      if (!brano.isEmpty() && !file.isEmpty() && shell::existsNoCase(file.toStdString())) {
        pageLoad().setResumePending(true);
        objwb->Navigate2(brano);
        return;
      }
    }
    pageLoad().setResumePending(false);
    objwb->Navigate2(HomeUrl);
  });
}

// ---- Exit -------------------------------------------------------------------

bool frmBrowser::Form_QueryUnload() {
  bool cancel = false;
  Trap(QStringLiteral("Form_QueryUnload"), [&] {
    const auto answer = ui::MsgBox(Messages.USCITA.toStdString(), ui::mb::YesNo, "LUMO Player");
    if (answer != ui::Answer::Yes) {
      cancel = true;
      return;
    }
    QString brano, position;
    if (chkSavePos->isChecked()) {
      brano = objwb->LocationURL();
      position = doubleText(oPlayer ? oPlayer->CurrentPosition() : 0.0);
    }
    // The page and its position belong together: one change of the store.
    registry::SettingsTransaction([&] {
      registry::SaveSetting(AppName, kPlayerSection, "Brano", brano.toStdString());
      registry::SaveSetting(AppName, kPlayerSection, "BranoPos", position.toStdString());
    });
  });
  if (!cancel) oPlayer.reset();
  return cancel;
}

void frmBrowser::closeEvent(QCloseEvent* event) {
  if (Form_QueryUnload()) {
    event->ignore();
    return;
  }
  event->accept();
}

void frmBrowser::objwb_WindowClosing(bool /*IsChildWindow*/, bool& Cancel) {
  Trap(QStringLiteral("objWB_WindowClosing"), [&] { close(); });
  Cancel = true;
}

// ---- Layout -----------------------------------------------------------------

void frmBrowser::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

// Restoring a minimised window lays it out again, also when its size
// did not change.
void frmBrowser::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) Form_Resize();
}

void frmBrowser::Form_Resize() {
  if (isMinimized()) return;
  Trap(QStringLiteral("Form_Resize"), [&] {
    const int W = twips(width()), H = twips(height());
    place(objwb, 100, 100, W - 300, H - 600);
    const int cw = twips(frmconfigurazione->width()), ch = twips(frmconfigurazione->height());
    place(frmconfigurazione, (W - cw) / 2, (H - ch) / 2, cw, ch);
    const int oh = 1500;
    place(frmOSD, 0, (H - oh) / 2, W, oh);
    frmOSD->hide();
    lblOSD->setGeometry(0, 0, frmOSD->width(), frmOSD->height());

    fraMarcatori->setGeometry(objwb->geometry());
    const int fw = twips(fraMarcatori->width()), fh = twips(fraMarcatori->height());
    const QRect b1 = cmdImpExp[1]->geometry();
    const int listTop = twips(b1.y() + b1.height()) + 150;
    // 800 twips less than the frame, but never past its bottom edge: below
    // the buttons that would cut off the list's last row and border.
    place(ListMarkers, 100, listTop, fw - 200, std::min(fh - 800, fh - listTop));
    frmImpExp->setGeometry(ListMarkers->geometry());

    const int pw = twips(frmImpExp->width()), ph = twips(frmImpExp->height());
    for (int i : {2, 3}) {
      const int bw = twips(cmdImpExp[i]->width());
      place(cmdImpExp[i], pw - (bw + 100), twips(cmdImpExp[i]->y()), bw, twips(cmdImpExp[i]->height()));
    }
    const int dh = twips(Drive->height());
    const int dw = (pw - (twips(cmdImpExp[2]->width()) + 400)) / 2;
    place(Drive, 100, ph - (dh + 100), dw, dh);
    const int dirTop = twips(Dir->y());
    place(Dir, 100, dirTop, dw, ph - (dh + 200 + dirTop));
    const int fileTop = twips(cmdImpExp[3]->y());
    const int fileLeft = 100 + dw + 200;
    const int fileWidth = twips(cmdImpExp[2]->x()) - (dw + 400);
    place(File, fileLeft, fileTop, fileWidth, ph - (fileTop + 200));
    frmImpExp->placeFileList();
    const int nameTop = twips(cmdImpExp[2]->y());
    place(TextFileName, fileLeft, nameTop, fileWidth, twips(TextFileName->height()));
    place(lblNomeFile, fileLeft, nameTop - twips(lblNomeFile->height()) - 30, twips(lblNomeFile->width()),
          twips(lblNomeFile->height()));
  });
}

// ---- Reader switch and player version -----------------------------------------

void frmBrowser::SetAudioOff(bool flag) {
  Trap(QStringLiteral("SetAudioOff"), [&] {
    AudioOffFlag = flag;
    if (oPlayer) oPlayer->setAudioOff(flag);
    const QSignalBlocker quiet(chkAudioOff);
    chkAudioOff->setChecked(flag);
  });
}

void frmBrowser::optPlayer_Click(int16_t Index) {
  Trap(QStringLiteral("optPlayer_Click"), [&] { SetPlayer(Index); });
}

void frmBrowser::SetPlayer(int16_t Index) {
  int16_t old = -1;
  try {
    QString file;
    if (oPlayer) {
      file = oPlayer->FileName();
      oPlayer->Stop_Player();
      old = oPlayer->Versione();
    }
    oPlayer.reset();
    oPlayer = std::make_unique<oAnaPlayer>();
    connectPlayer();
    if (Index == 0 || Index == 1) {
      oPlayer->setVersione(Index);
      // The second slot holds no player: fail, so that the previous
      // version comes back and the reader keeps a working player.
      if (oPlayer->currentPlayer() == nullptr) throw RuntimeError(err::ObjectNotSet);
      if (Index == 1) {
        commands_->runner().setVolumeLimits(core::volumeLimitsOf(1));
      } else {
        commands_->runner().setVolumeLimits(core::volumeLimitsOf(0));
      }
      oPlayer->setFileName(file);
      oPlayer->Play_Player();
    }
    if (Index != 0 && Index != 1) throw RuntimeError(err::SubscriptOutOfRange);
    if (!optPlayer[Index]->isChecked()) {
      const QSignalBlocker quiet(optPlayer[Index]);
      optPlayer[Index]->setChecked(true);
    }
    registry::SaveSetting(AppName, kPlayerSection, "Versione", std::to_string(oPlayer->Versione()));
  } catch (...) {
    SetErrFrom(std::current_exception());
    ShowError(QStringLiteral("SetPlayer"),
              QStringLiteral("Versione Media Player non supportata! Verrà reimpostata la versione "
                             "precedente!"));
    if ((old == 0 || old == 1) && oPlayer) oPlayer->setVersione(old);
  }
}

// ---- The window's parts ------------------------------------------------------------

core::CommandRunner& frmBrowser::commandRunner() { return commands_->runner(); }

core::PageLoad& frmBrowser::pageLoad() { return pages_->state(); }

bool frmBrowser::Playaudio(const QString& URL, bool bNext, bool bPrev) { return pages_->playAudio(URL, bNext, bPrev); }

void frmBrowser::objwb_DocumentComplete(const QString& URL) { pages_->documentComplete(URL); }

QString frmBrowser::pageMeta(const QString& name) const { return pages_->pageMeta(name); }

void frmBrowser::presentHeadingAt(double seconds) { pages_->presentHeadingAt(seconds); }

void frmBrowser::loadSummaryBookmarks() { pages_->loadSummaryBookmarks(); }

void frmBrowser::AddMarcatore(QString& description, int16_t& position) {
  bookmarks_->AddMarcatore(description, position);
}

void frmBrowser::Marcatori(MarcatoriMode Mode, const QString& unused, QString& section, int16_t listNumber) {
  bookmarks_->Marcatori(Mode, unused, section, listNumber);
}

void frmBrowser::ClearMarcatori() { bookmarks_->ClearMarcatori(); }

int16_t frmBrowser::MarcatoreCerca(QString& row, QString& section) { return bookmarks_->MarcatoreCerca(row, section); }

void frmBrowser::MarcatoriRichiama(int16_t& n) { bookmarks_->MarcatoriRichiama(n); }

void frmBrowser::ListMarkers_Click() { bookmarks_->click(); }

void frmBrowser::ListMarkers_DblClick() { bookmarks_->doubleClick(); }

void frmBrowser::ListMarkers_KeyDown(int16_t KeyCode, int16_t Shift) { bookmarks_->keyDown(KeyCode, Shift); }

// ---- The player and its events -----------------------------------------------------

oAnaPlayer& frmBrowser::player() const {
  if (!oPlayer) throw RuntimeError(err::ObjectNotSet);
  return *oPlayer;
}

void frmBrowser::oPlayer_PlayStateChange(int32_t NewMode) {
  Trap(QStringLiteral("Player:PlayStateChange"), [&] {
    if (NewMode == 8) Playaudio(QString(), true, false);
  });
}

void frmBrowser::oPlayer_PlayFileChange(const QString& NewFile) {
  Trap(QStringLiteral("oPlayer_PlayFileChange"), [&] { TxtDebFilename->setText(NewFile); });
}

void frmBrowser::holdAutoPlay() {
  pageLoad().holdAutoPlay();
  TimerDisableState->start();
}

void frmBrowser::TimerDisableState_Timer() {
  Trap(QStringLiteral("TimerDisableState_Timer"), [&] {
    TimerDisableState->stop();
    pageLoad().releaseAutoPlay();
  });
}

}  // namespace lumo::player
