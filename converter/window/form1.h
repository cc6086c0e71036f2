#pragma once
// The converter's main window: the source of a book (a library disc found in
// a CD-ROM drive, or an index file and an MP3 folder chosen by hand), the
// export folder, two options, the conversion and its results.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

#include "converter/core/conversion.h"
#include "converter/window/form2.h"
#include "platform/tool_window/tool_window.h"

class QProgressDialog;

namespace lumo::ui {
class TableModel;
}

namespace lumo::converter {

class Form3;

class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  // Builds the window and runs its load.
  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  QLabel* Label1;
  QComboBox* Combo1;
  QPushButton* Command2;
  QLabel* Label10;
  QLabel* Label5;
  QLineEdit* txtmarker;
  QPushButton* sfogliamarker;
  QLabel* Label6;
  QLineEdit* txtmp3;
  QPushButton* sfogliamp3;
  QLabel* Label4;
  QLineEdit* txtselected;
  QPushButton* sfoglia;
  QCheckBox* Check2;
  QCheckBox* Check1;
  QPushButton* Converti;
  QPushButton* Command1;
  QGroupBox* Frame1;
  QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5;
  QLabel *Label2, *Label3, *Label7, *Label8, *Label9;
  QTreeView* lv;
  QMenu* mnuFile;
  QAction* Conv;
  QAction* logtab;
  QAction* Esci;
  QMenu* mnuInformazioni;
  QAction* info;
  QLabel* notice() const { return notice_; }

  Form2* about() const { return about_; }
  Form3* progress() const { return progress_; }
  Conversion& conversion() { return conversion_; }
  const std::string& exportBase() const { return E_; }
  const std::string& programFolder() const { return A_; }

  // True when the index named in txtmarker opens; else shows its message.
  bool fileexists();
  void ScanCdDrives();

  void Form_Load();
  void Combo1_Click();
  void Command2_Click();
  void sfogliamarker_Click();
  void sfogliamp3_Click();
  void sfoglia_Click();
  void txtselected_DblClick();
  void Converti_Click();
  void Command1_Click();
  void Conv_Click();
  void logtab_Click();
  void Esci_Click();
  void info_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void buildMenus();
  void connectHandlers();
  void setConvertEnabled(bool enabled);
  // Takes the window's input away for a run, and gives it back.
  void setRunning(bool running);
  void showSummary();

  std::string E_;  // export base, ends in "/"
  std::string A_;  // program folder, ends in "/"
  const std::string subfolder_ = "MyLUMO";
  const QString lastEntry_ = QString::fromUtf8("Personalizza");
  Conversion conversion_;
  ui::TableModel* model_ = nullptr;
  Form2* about_ = nullptr;
  Form3* progress_ = nullptr;
  QProgressDialog* copyProgress_ = nullptr;
  QLabel* notice_ = nullptr;  // says what a picker or the drive scan did
  ui::EventPump events_;
  bool running_ = false;
};

}  // namespace lumo::converter
