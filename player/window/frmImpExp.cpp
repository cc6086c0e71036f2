// frmImpExp, the settings export and import panel of the bookmark panel.

#include "player/window/frmImpExp.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "common/errors/errors.h"
#include "platform/browser/webbrowser.h"
#include "platform/keys/keys.h"
#include "platform/registry/hive.h"
#include "platform/registry/regfile.h"
#include "platform/registry/registry.h"
#include "platform/shell/drives.h"
#include "platform/shell/shell.h"
#include "platform/ui/list_accessible.h"
#include "platform/ui/text_scale.h"
#include "platform/ui/ui.h"
#include "player/media_host/mdlMain.h"
#include "player/window/messages.h"
#include "player/window/window_constants.h"
#include "player/window/window_text.h"

namespace lumo::player {

namespace {

constexpr const char* kExportCaption = "   Esportazione Marcatori   ";
constexpr const char* kImportCaption = "   Importazione Marcatori   ";
constexpr const char* kReplaceTitle = "Esportazione Marcatori LUMO";

// What the reader is told when an import changes nothing, or only part.
constexpr const char* kNothingChosen = "Nessun file scelto: nessuna impostazione è stata importata.";
constexpr const char* kImportFailed =
    "Importazione dal file @FILE@ non riuscita: @WHY@. Nessuna impostazione è stata cambiata.";
constexpr const char* kNothingToImport =
    "Il file @FILE@ non contiene impostazioni di LumoPlayer: nessuna impostazione è stata "
    "importata.";
constexpr const char* kSkippedKeys = "Queste chiavi del file non riguardano LumoPlayer e non sono state importate:";
constexpr const char* kBackupFailed =
    "Non è stato possibile scrivere la copia di sicurezza delle impostazioni nel file @FILE@: "
    "l'importazione è stata annullata.";

QString qs(const std::string& s) { return QString::fromStdString(s); }
QString u8(const char* s) { return QString::fromUtf8(s); }

QString withFile(QString message, const QString& file) { return message.replace(QStringLiteral("@FILE@"), file); }

// The hourglass while the store is read or written.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

void tell(const QString& text, int style = ui::mb::OKOnly) { ui::MsgBox(text.toStdString(), style); }

template <typename W>
W* named(W* widget, const char* name, const QString& accessibleName) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setAccessibleName(accessibleName);
  return widget;
}

// A folder as the folder list holds it: no trailing "/" but for the root.
QString folderForm(const QString& path) { return QDir::cleanPath(path); }

// The mount root that holds a folder: the longest one that is a prefix.
int driveOf(const QString& folder, const QComboBox* drives) {
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < drives->count(); ++i) {
    const QString root = drives->itemText(i);
    const QString bare = folderForm(root);
    const bool holds = folder == bare || folder.startsWith(root) || bare == QLatin1String("/");
    if (holds && bare.size() > bestLength) {
      best = i;
      bestLength = bare.size();
    }
  }
  return best;
}

// The file list: a file is chosen by a click or by a move with the keys,
// as a reader does; the current row Qt sets by itself when the list gets
// the focus chooses nothing, so Tab through the list keeps a typed name.
// A move key that finds no row to move to (the first row of a one-file
// list is already current) and Space choose the current row, so the
// reader can choose every file from the keyboard.
class FileList : public QListWidget {
 public:
  explicit FileList(QWidget* parent) : QListWidget(parent) {}
  std::function<void()> chosen;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    // Enter chooses the file the reader is on (as a move to it does).
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && currentItem() && chosen) {
      currentItem()->setSelected(true);
      chosen();
      event->accept();
      return;
    }
    const int before = currentRow();
    const bool wasSelected = currentItem() && currentItem()->isSelected();
    QListWidget::keyPressEvent(event);
    QListWidgetItem* item = currentItem();
    if (!item || !chosen) return;
    const bool moved = currentRow() != before;
    if (!moved && isMoveKey(event->key()) && event->modifiers() == Qt::NoModifier) {
      item->setSelected(true);
    }
    if (moved || (!wasSelected && item->isSelected())) chosen();
  }
  static bool isMoveKey(int key) {
    switch (key) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Home:
      case Qt::Key_End:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown: return true;
      default: return false;
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    QListWidget::mousePressEvent(event);
    if (itemAt(event->position().toPoint()) && chosen) chosen();
  }
};

}  // namespace

// ---- The panel --------------------------------------------------------------

frmImpExp::frmImpExp(ImpExpWindow& owner, QWidget* parent) : QGroupBox(parent), w_(owner) {
  named(this, "frmImpExp", QStringLiteral("Esportazione e importazione dei marcatori"));
  Drive = named(new QComboBox(this), "Drive", QStringLiteral("Elenco Unità disco"));
  Drive->setToolTip(QStringLiteral("Elenco Unità disco"));
  for (const std::string& root : shell::driveRoots()) Drive->addItem(qs(root));
  Dir = named(new QListWidget(this), "Dir", QStringLiteral("Elenco Directory"));
  Dir->setToolTip(QStringLiteral("Elenco Directory"));
  auto* files = new FileList(this);
  files->chosen = [this] { File_Click(); };
  File = named(static_cast<QListWidget*>(files), "File", QStringLiteral("Elenco file"));
  lblNomeFile = named(new QLabel(QStringLiteral("Nome file"), this), "lblNomeFile", QStringLiteral("Nome file"));
  TextFileName = named(new QLineEdit(this), "TextFileName", QStringLiteral("Nome file"));
  TextFileName->setToolTip(QStringLiteral("Nome file da Importare - Esportare"));
  lblNomeFile->setBuddy(TextFileName);
  // The order Tab follows: name, files, folders, drives, then the buttons
  // that the window adds.
  setTabOrder(TextFileName, File);
  setTabOrder(File, Dir);
  setTabOrder(Dir, Drive);

  connect(Drive, &QComboBox::currentIndexChanged, this, [this] { Drive_Change(); });
  connect(Dir, &QListWidget::itemDoubleClicked, this, [this] { Dir_DblClick(); });
  connect(File, &QListWidget::itemDoubleClicked, this, [this] { File_DblClick(); });
  Dir->installEventFilter(this);
  File->installEventFilter(this);
  // Entering a list, the reader hears the folder or file the keys act on.
  ui::presentCurrentItemOnFocus(Dir);
  ui::presentCurrentItemOnFocus(File);

  // The lists start in the reader's home folder, on the drive that holds it.
  const QString home = folderForm(qs(shell::homeFolder()));
  skipOnError([&] { setDirPath(home); });
  const int drive = driveOf(dirPath_, Drive);
  if (drive >= 0) {
    const QSignalBlocker quiet(Drive);
    Drive->setCurrentIndex(drive);
  }
}

std::string frmImpExp::settingsTree() { return registry::settingsKeyPath(kAppName, ""); }

QString frmImpExp::backupFile() {
  return qs(shell::withSlash(shell::homeFolder())) + QStringLiteral("QENPlayer_Backup.reg");
}

QString frmImpExp::debugExportFile() {
  return qs(shell::withSlash(shell::homeFolder())) + QStringLiteral("provatxt.reg");
}

bool frmImpExp::exportMode() const { return !TextFileName->isHidden(); }

void frmImpExp::setDirPath(const QString& path) {
  const QString folder = folderForm(path);
  const QFileInfo info(folder);
  if (folder.isEmpty() || !info.isDir() || !QDir(folder).isReadable()) throw RuntimeError(err::PathNotFound);
  const bool changed = folder != dirPath_;
  dirPath_ = folder;
  fillFolders();
  if (changed) Dir_Change();
}

void frmImpExp::fillFolders() {
  const QSignalBlocker quiet(Dir);
  Dir->clear();
  // The folders from the root down to the current one, then its subfolders.
  QStringList above;
  for (QString f = dirPath_;; f = folderForm(f + QStringLiteral("/.."))) {
    above.prepend(f);
    if (f == QLatin1String("/") || f.isEmpty()) break;
  }
  int depth = 0;
  for (const QString& f : above) {
    const QString name = f == QLatin1String("/") ? f : QFileInfo(f).fileName();
    auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, Dir);
    item->setData(Qt::UserRole, f);
    ++depth;
  }
  const int current = Dir->count() - 1;
  const QDir dir(dirPath_);
  for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
    auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, Dir);
    item->setData(Qt::UserRole, dir.filePath(name));
  }
  Dir->setCurrentRow(current);
}

void frmImpExp::setFilePath(const QString& path) {
  filePath_ = folderForm(path);
  refreshFiles();
}

void frmImpExp::setFilePattern(const QString& pattern) {
  pattern_ = pattern;
  refreshFiles();
}

void frmImpExp::refreshFiles() {
  const QSignalBlocker quiet(File);
  File->clear();
  QDir dir(filePath_);
  dir.setNameFilters(pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts));
  // Names starting with "." are listed too: an export named ".REG" is one.
  File->addItems(dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase));
}

void frmImpExp::placeFileList() {
  const int top = exportMode() ? w_.impExpButton(3).y() : Dir->y();
  File->setGeometry(File->x(), top, File->width(),
                    std::max(0, height() - (top + ui::scaled(TwipsToPixels(200), ui::textScale()))));
}

void frmImpExp::openPanel(bool forExport) {
  for (int i : {0, 1, 4}) w_.impExpButton(i).hide();
  w_.markerList().hide();
  const QString caption = u8(forExport ? kExportCaption : kImportCaption);
  setTitle(caption);
  setAccessibleName(caption.trimmed());
  TextFileName->setVisible(forExport);
  lblNomeFile->setVisible(forExport);
  // A name typed for an export is never imported unseen: in import mode
  // the box is hidden and only a file chosen in the list fills it.
  if (!forExport) TextFileName->clear();
  // The folders as they are now; a folder that has gone gives the home.
  if (!skipOnError([&] { setDirPath(dirPath_); })) skipOnError([&] { setDirPath(qs(shell::homeFolder())); });
  show();
  raise();
  placeFileList();
  setFilePattern(forExport ? QStringLiteral("*.reg") : QStringLiteral("*.qen;*.reg"));
  if (forExport) {
    TextFileName->setFocus(Qt::OtherFocusReason);
  } else {
    File->setFocus(Qt::OtherFocusReason);
  }
}

void frmImpExp::closePanel(bool refresh) {
  for (int i : {0, 1, 4}) w_.impExpButton(i).show();
  w_.markerList().show();
  hide();
  if (refresh) setFilePath(dirPath_);
  if (w_.bookmarkListOpen()) w_.markerList().setFocus(Qt::OtherFocusReason);
}

void frmImpExp::cancel() {
  if (!isHidden()) closePanel(false);
}

void frmImpExp::carryOut() {
  const QString folder = dirPath_;
  const QString typed = TextFileName->text();
  const QString full = folder + (folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + typed;
  if (exportMode()) {
    exportTo(full, typed);
  } else {
    importFrom(full, typed);
  }
  closePanel(true);
}

void frmImpExp::exportTo(const QString& full, const QString& typed) {
  // Whatever follows the first "." of the name becomes "REG".
  const qsizetype dot = typed.indexOf(QLatin1Char('.'));
  const QString name =
      dot < 0 ? full + QStringLiteral(".REG") : full.left(full.size() - typed.size() + dot + 1) + QStringLiteral("REG");
  if (QFileInfo::exists(name)) {
    const ui::Answer answer =
        ui::MsgBox(withFile(w_.messages().SOSTFILE, typed).toStdString(), ui::mb::YesNoCancel, kReplaceTitle);
    // The old file stays until the new one is renamed over it.
    if (answer != ui::Answer::Yes) return;
  }
  bool written = false;
  {
    const WaitCursor busy;
    written = registry::ExportRegistryKey(registry::HKEY_CURRENT_USER, settingsTree(), name.toStdString(), true, false);
  }
  TextFileName->clear();
  const bool ok = written && QFileInfo::exists(name);
  tell(withFile(ok ? w_.messages().EXPORTOK : w_.messages().EXPORTKO, name));
}

void frmImpExp::importFrom(const QString& full, const QString& typed) {
  // The chosen file is read whole before anything is written, so that
  // importing the backup itself restores it.
  enum class Kind { None, RegFile, Hive } kind = Kind::None;
  registry::RegFileContents reg;
  registry::HiveContents hive;
  if (!typed.isEmpty()) {
    if (typed.toUpper().contains(QStringLiteral(".REG"))) {
      kind = Kind::RegFile;
      reg = registry::ReadRegFile(full.toStdString());
    } else {
      kind = Kind::Hive;
      hive = registry::ReadHiveFile(full.toStdString());
    }
  }

  std::optional<WaitCursor> busy(std::in_place);
  const bool backedUp =
      registry::ExportRegistryKey(registry::HKEY_CURRENT_USER, settingsTree(), backupFile().toStdString(), true, false);
  QString message;
  int style = ui::mb::OKOnly;
  std::vector<std::string> skipped;
  if (!backedUp) {
    message = withFile(u8(kBackupFailed), backupFile());
    kind = Kind::None;
  } else if (kind == Kind::None) {
    message = u8(kNothingChosen);
  }
  std::string why;
  bool imported = false;
  if (kind == Kind::RegFile) {
    const registry::ImportResult result =
        registry::ApplyRegFile(reg, registry::KeyScope{registry::HKEY_CURRENT_USER, settingsTree()});
    skipped = result.skipped;
    why = result.error;
    imported = result.ok && result.changed > 0;
    if (result.ok && !imported) message = withFile(u8(kNothingToImport), full);
  } else if (kind == Kind::Hive) {
    if (hive.ok) {
      const registry::RestoreResult result =
          registry::ReplaceKeyContents(registry::HKEY_CURRENT_USER, settingsTree(), hive.root);
      why = result.error;
      imported = result.ok;
    } else {
      why = hive.error;
    }
  }
  busy.reset();
  if (imported) {
    message = withFile(w_.messages().RIPRISTINOOK, full);
  } else if (message.isEmpty()) {
    message = withFile(u8(kImportFailed), full).replace(QStringLiteral("@WHY@"), qs(why));
  }
  if (!imported) style = ui::mb::Exclamation;
  if (!skipped.empty()) {
    message += QStringLiteral("\r\n") + u8(kSkippedKeys);
    for (const std::string& key : skipped) message += QStringLiteral("\r\n") + qs(key);
  }

  // The reader's present switch-off state outlives the import.
  if (imported) registry::SaveSetting(w_.appName(), kPlayerSection, "AudioOff", flagText(w_.audioOff()).toStdString());
  // The list shows the imported bookmarks: the page's, or on the summary
  // page those of every page, as its load lists them.
  w_.ClearMarcatori();
  if (isSummaryPage(w_.webBrowser().LocationURL())) {
    w_.loadSummaryBookmarks();
  } else {
    QString page;
    w_.Marcatori(MarcatoriMode::Load, QString(), page, 0);
  }
  tell(message, style);
}

// ---- List handlers ------------------------------------------------------------

void frmImpExp::Drive_Change() {
  // A drive that cannot be read leaves the folder list as it was.
  skipOnError([&] { setDirPath(Drive->currentText()); });
}

void frmImpExp::Dir_Change() {
  Trap(QStringLiteral("Dir_Change"), [&] { setFilePath(dirPath_); });
}

void frmImpExp::Dir_KeyDown(int16_t KeyCode, int16_t /*Shift*/) {
  skipOnError([&] {
    if (KeyCode != keys::vk::Return) return;
    const QListWidgetItem* item = Dir->currentItem();
    if (item) setDirPath(item->data(Qt::UserRole).toString());
  });
}

void frmImpExp::Dir_DblClick() { Dir_KeyDown(keys::vk::Return, 0); }

void frmImpExp::File_Click() {
  skipOnError([&] {
    const QListWidgetItem* item = File->currentItem();
    if (!item) return;
    TextFileName->setText(item->text());
    // The name box is hidden for an import: the reader hears the choice.
    w_.OSD(QStringLiteral("File selezionato: ") + item->text(), false);
  });
}

void frmImpExp::File_DblClick() {
  Trap(QStringLiteral("File_DblClick"), [&] { w_.cmdImpExp_Click(2); });
}

void frmImpExp::File_KeyDown(int16_t /*KeyCode*/, int16_t /*Shift*/) {}

bool frmImpExp::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == Dir || watched == File)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto code = static_cast<int16_t>(keys::virtualKeyCode(*key));
    const auto shift = static_cast<int16_t>(keys::shiftState(key->modifiers()));
    if (watched == File) {
      File_KeyDown(code, shift);
      return false;
    }
    Dir_KeyDown(code, shift);
    return code == keys::vk::Return;
  }
  return QGroupBox::eventFilter(watched, event);
}
}  // namespace lumo::player
