#pragma once
// LumoSplitter's main window: the book (a library disc found in a CD drive,
// or an index file and an MP3 folder picked by hand), the export folder,
// the options of the split job, and the job's tables.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <array>
#include <utility>
#include <vector>

#include "platform/tool_window/tool_window.h"
#include "splitter/core/splitjob.h"
#include "splitter/window/form2.h"

namespace lumo::ui {
class TableModel;
}

namespace lumo::splitter {

class Form3;

class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  // Builds the window and runs its load.
  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  QComboBox* drivelist;
  QLabel* Lblspy;
  QPushButton* Command2;
  QLabel* Label5;
  QLineEdit* txtmarker;
  QPushButton* sfogliamarker;
  QLabel* Label6;
  QLineEdit* txtmp3;
  QPushButton* sfogliamp3;
  QLabel* Label4;
  QLineEdit* txtSelected;
  QPushButton* sfoglia;
  QCheckBox* tid3;
  QCheckBox* Checkunion;
  QCheckBox* Check1;
  QCheckBox* Check2;
  QLineEdit* durfile;
  QLabel* Label13;
  std::array<QRadioButton*, 4> optExample{};  // elements 2 and 3
  std::array<QFrame*, 2> picgruppo{};
  QLabel* Label8;
  QLineEdit* th;
  QLabel* Label11;
  QLabel* Label9;
  QLineEdit* thsec;
  QLabel* Label12;
  QPushButton* vai;
  QPushButton* Command1;
  QTreeView *lv, *lv4, *lv6, *lv8;
  QMenu* mnuFile;
  QAction* Taglia;
  QAction* flog;
  QAction* Esci;
  QMenu* mnuInformazioni;
  QAction* info;
  QLabel* notice() const { return notice_; }

  SplitJob& job() { return job_; }
  Form2* about() const { return about_; }
  Form3* progress() const { return progress_; }
  const std::string& AppDir() const { return appDir_; }

  bool fileexists();
  void ScanDrives();

  void Form_Load();
  void Form_Activate();
  void drivelist_Click();
  void Command2_Click();
  void sfoglia_Click();
  void sfogliamarker_Click();
  void sfogliamp3_Click();
  void Check2_Click();
  void txtmarker_DblClick();
  void txtmp3_DblClick();
  void txtSelected_DblClick();
  void vai_Click();
  void Command1_Click();
  void flog_Click();
  void info_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  void buildMenus();
  void connectHandlers();
  void setCutEnabled(bool enabled);
  void rangeCheck(QLineEdit* field);
  void lockJobControls(bool running);
  // Shows a row of a list (scrolled into view), selected where select.
  void showRow(QTreeView* view, const QModelIndex& row, bool select);
  JobFields readFields() const;

  std::string appDir_;  // ends in "/"
  const std::string suffix_ = "MyLUMO";
  const QString custom_ = QString::fromUtf8("Personalizza");
  SplitJob job_;
  std::array<ui::TableModel*, 4> models_{};
  Form2* about_ = nullptr;
  Form3* progress_ = nullptr;
  ui::EventPump events_;
  QLabel* notice_ = nullptr;  // says what a picker did
  bool engineMissing_ = false;
  bool checkingRange_ = false;
  bool cutAllowed_ = false;  // a book is chosen: vai and Taglia may start a job
  bool jobRunning_ = false;
  std::vector<std::pair<QWidget*, bool>> lockedControls_;  // disabled while a job runs, with their state before
};

}  // namespace lumo::splitter
