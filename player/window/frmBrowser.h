#pragma once
// frmBrowser, the main window of LumoPlayer: the web browser control that
// shows the book's pages, the panels over it (on-screen display,
// configuration, bookmark list, settings export and import, debug), its
// three timers and the window's one player object.
//
// Creating the window runs its load (settings, player, splash timer) and
// its initialisation (a blank document, then the about page); the splash
// tick opens the home page or the page where the reader stopped. Each page
// that completes is set up (bookmarks, caption, style sheet, audio), and
// the end of a medium moves on to the page's next audio or the next page.
//
// Every handler traps its errors and reports them through ShowError with
// its own label; no exception leaves a Qt event handler.

#include <QPalette>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "player/core/bookmark_store.h"
#include "player/core/command_runner.h"
#include "player/core/page_load.h"
#include "player/window/bookmark_list.h"
#include "player/window/browser_commands.h"
#include "player/window/frmImpExp.h"
#include "player/window/messages.h"
#include "player/window/page_setup.h"
#include "player/window/window_constants.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;

namespace lumo::browser {
class WebBrowser;
}

namespace lumo::player {

class oAnaPlayer;

// The window's parts (the key commands, the page set-up, the bookmark list
// and the file panel) each reach it through the interface declared beside
// the part; the window implements them, privately, as what it hands each.
class frmBrowser : public QWidget,
                   private CommandWindow,
                   private PageWindow,
                   private BookmarkWindow,
                   private ImpExpWindow {
  Q_OBJECT
 public:
  explicit frmBrowser(QWidget* parent = nullptr);
  ~frmBrowser() override;

  // Shows the window as the program that started it asked: maximised when
  // LUMO_WINDOW_STATE is "maximised", else normal.
  void showAsStarted();

  // ---- Controls the reader works (named as in the window's design) ----
  browser::WebBrowser* objwb;
  QFrame* frmOSD;
  QLabel* lblOSD;
  QGroupBox* frmconfigurazione;
  QCheckBox* chkAudioOff;
  QCheckBox* chkSavePos;
  QLineEdit* TextRate;
  QLineEdit* TextVolume;
  QLineEdit* TextAvantiIndietro;
  QPushButton* cmdSetupClose;
  QGroupBox* fraMarcatori;
  QListWidget* ListMarkers;
  QListWidget* lstapp;
  std::array<QPushButton*, 5> cmdImpExp;
  player::frmImpExp* frmImpExp;  // the file panel and its lists
  QComboBox* Drive;
  QListWidget* Dir;
  QListWidget* File;
  QLineEdit* TextFileName;
  QLabel* lblNomeFile;
  QGroupBox* fraDebug;
  QLineEdit* TxtDebFilename;
  std::array<QPushButton*, 2> cmdDebug;
  QPushButton* Command1;
  QLineEdit* TextURL;
  QPushButton* cmdGO;
  QPushButton* cmdFileAudio;
  QLineEdit* TextAudio;
  QTimer* TimerSpalsh;
  QTimer* TimerOSD;
  QTimer* TimerDisableState;

  // ---- What the window holds ----
  const QString& homeUrl() const override { return HomeUrl; }
  const MessageTexts& messages() const override { return Messages; }
  bool audioOff() const override { return AudioOffFlag; }
  // The window's one player object; nullptr while there is none.
  oAnaPlayer* anaPlayer() const override { return oPlayer.get(); }
  // The bookmarks of the page shown: positions and sections by
  // description, and the number of the one last chosen (0 for none).
  const Collection<double>& markers() const override { return bookmarks_->positions(); }
  const Collection<QString>& markersIndex() const { return bookmarks_->sections(); }
  int16_t currentMarker() const { return bookmarks_->CurrentMarker(); }
  // The page shown and its set-up's state; the key and link commands.
  core::PageLoad& pageLoad() override;
  core::CommandRunner& commandRunner();

  // ---- Start-up, settings and exit ----
  void TimerSpalsh_Timer();
  void Form_Resize();
  // The reader switched off or on (the player loads media but plays none).
  void SetAudioOff(bool flag) override;
  // Replaces the player with a new one of version Index.
  void SetPlayer(int16_t Index);

  // The panels' colours follow the reader's style sheet (style_colours.h);
  // a dialog of the window (the input box) takes them too.
  void applyStyleColours() override;
  void colourDialog(QWidget& dialog) const override;

  // ---- On-screen display and rate store ----
  void OSD(const QString& Msg, bool Persistent) override;
  void TimerOSD_Timer();
  float PlayerRate() override;
  void PlayerRate(float value) override;

  // ---- Bookmark store ----
  void AddMarcatore(QString& description, int16_t& position) override;
  void Marcatori(MarcatoriMode Mode, const QString& unused, QString& section, int16_t listNumber) override;
  void ClearMarcatori() override;
  int16_t MarcatoreCerca(QString& row, QString& section);

  // ---- Page load and audio selection ----
  void objwb_DocumentComplete(const QString& URL);
  bool Playaudio(const QString& URL, bool bNext, bool bPrev) override;
  void TimerDisableState_Timer();

  // ---- Keyboard, bookmark list and panels ----
  // The key commands: KeyCode is the Windows virtual-key code, Shift the
  // sum of 1 (Shift), 2 (Ctrl) and 4 (Alt); a command needs its exact sum.
  void Form_KeyDown(int16_t KeyCode, int16_t Shift) override;
  void ListMarkers_DblClick();
  void ListMarkers_KeyDown(int16_t KeyCode, int16_t Shift);
  // The buttons of the bookmark panel and of its file panel: 0 opens the
  // file panel for an export, 1 for an import, 2 carries it out, 3 closes
  // the file panel, 4 closes the bookmark panel and resumes reading.
  void cmdImpExp_Click(int16_t Index) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Every key pressed in the window reaches Form_KeyDown first; a key that
  // runs a command goes no further.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Tab and Shift+Tab stay within the configuration panel while it is open
  // and holds the focus: the page under it is not reached unseen.
  bool focusNextPrevChild(bool next) override;

 private:
  // Controls the reader does not work: captions and the hidden ones.
  QCheckBox* CheckVideoFull;
  QLabel* Label1;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  std::array<QRadioButton*, 2> optPlayer;  // 1 "Versione 9", 0 "Altre"
  QLabel* Label2;
  // Where the focus was when the configuration panel opened; it goes back
  // there when the panel closes.
  QPointer<QWidget> focusBeforeConfiguration_;
  // The palette the panels were given last; none before the first.
  std::optional<QPalette> panelPalette_;
  QString panelSheet_;

  std::string AppName;
  QString AppPath;  // the program folder, without a trailing "/"
  QString HomeUrl;
  MessageTexts Messages;
  std::unique_ptr<oAnaPlayer> oPlayer;
  bool AudioOffFlag = false;
  std::unique_ptr<PageSetup> pages_;
  std::unique_ptr<BrowserCommands> commands_;
  std::unique_ptr<BookmarkList> bookmarks_;

  // Controls, settings, load and exit (frmBrowser.cpp).
  void createControls();
  void createConfigurationFrame();
  void createBookmarkFrame();
  void createDebugFrame();
  void Form_Load();
  void Form_Initialize();
  void ShowAboutPage();
  // The exit question; true (Cancel) keeps the window open.
  bool Form_QueryUnload();
  void objwb_WindowClosing(bool IsChildWindow, bool& Cancel);
  void optPlayer_Click(int16_t Index);
  bool createPlayer(QString& version);
  void connectPlayer();
  std::string playerSetting(const char* key, const char* defaultValue) const override;
  // The window's player; run-time error 91 while there is none (a load
  // that failed before creating it).
  oAnaPlayer& player() const override;

  // What the window hands its parts (the interfaces above) beyond its
  // public members, and the bookmark list's click (frmBrowser.cpp).
  browser::WebBrowser& webBrowser() override { return *objwb; }
  QListWidget& markerList() override { return *ListMarkers; }
  QListWidget& sectionList() override { return *lstapp; }
  QWidget& widget() override { return *this; }
  const QString& programFolder() const override { return AppPath; }
  const std::string& appName() const override { return AppName; }
  MessageTexts& messageTexts() override { return Messages; }
  QString pageMeta(const QString& name) const override;
  void presentHeadingAt(double seconds) override;
  void loadSummaryBookmarks() override;
  int16_t& CurrentMarker() override { return bookmarks_->CurrentMarker(); }
  void MarcatoriRichiama(int16_t& n) override;
  // The page's own audio start waits while TimerDisableState runs.
  void holdAutoPlay() override;
  void ListMarkers_Click();

  // The player's events (frmBrowser.cpp).
  void oPlayer_PlayStateChange(int32_t NewMode);
  void oPlayer_PlayFileChange(const QString& NewFile);

  // The wiring of the controls' events, the keys and the browser's events
  // (frmBrowser_events.cpp).
  void connectCommands();
  bool keyCommand(int16_t KeyCode, int16_t Shift);  // true when a command ran
  void objwb_BeforeNavigate2(const QString& URL, bool& Cancel);
  void objwb_TitleChange(const QString& Text);
  void objwb_NavigateError(const QString& URL, int StatusCode, bool& Cancel);

  // The panels (frmBrowser_panels.cpp). The bookmark list in place of the
  // page, or the page again, and the buttons of the bookmark panel.
  bool bookmarkListOpen() const override;
  void showBookmarkList(bool open) override;
  QWidget& impExpButton(int Index) override;
  void focusReading();
  // A panel that holds the reader's focus is open: the configuration
  // panel, the bookmark list (and its file panel) or a dialog (the input
  // box). A page that loads meanwhile leaves the focus there.
  bool panelOpen() const override;

  // The configuration panel, the debug frame and the file name box.
  void chkAudioOff_Click();
  void chkSavePos_Click();
  void TextRate_Change();
  void TextVolume_Change();
  void TextAvantiIndietro_Change();
  void cmdSetupClose_Click();
  bool configurationOpen() const override;
  // The panel takes the focus, which goes back where it was when it
  // closes.
  void openConfiguration() override;
  void closeConfiguration() override;
  void toggleDebugFrame() override;
  // The configuration panel's boxes as the commands use them.
  double skipStep() const override;
  void showVolume(const QString& volume) override;
  void showRate(const QString& rate) override;
  void cmdDebug_Click(int16_t Index);
  void cmdFileAudio_Click();
  void cmdGO_Click();
  void fraDebug_DragOver(int X, int Y);
  void TextFileName_KeyDown(int16_t KeyCode, int16_t Shift);
  // The debug frame's export of the settings tree to provatxt.reg.
  void Command1_Click();
};

}  // namespace lumo::player
