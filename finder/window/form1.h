#pragma once
// The finder's window: the found-books page in the web browser control.
// It shows a wait page, searches once from its timer, and hooks the links
// of every page it shows; a click on a book starts it and ends the finder.

#include <QLocale>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <string>

#include "finder/core/actions.h"
#include "finder/core/search.h"
#include "platform/browser/webbrowser.h"

namespace lumo::finder {

class cImgs;

// The title order of a folder listing in a locale's collation (case and
// accents as a reader of that language expects: "Eco", "Èneide", "Fiabe").
TitleOrder titleOrder(const QLocale& locale);
// The reader's locale; Italian, the suite's language, when the environment
// names none (C or POSIX).
QLocale readerLocale();

class Form1 : public QWidget {
  Q_OBJECT
 public:
  // Builds the window and runs its load.
  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  browser::WebBrowser* WebBrowser1;
  QTimer* Timer1;
  SortBuffer lv;  // the sort buffer of a folder listing

  void Form_Load();
  void Timer1_Timer();
  void WebBrowser1_DocumentComplete(const QString& URL);
  void m_clsImgs_Clicked(const QString& hash, int x, int y, const QString& id);

  // Shows the window maximised when it was started so (LUMO_WINDOW_STATE).
  void showAsStarted();

  // How the window starts programs and opens folders (tests record them).
  void setLauncher(Launcher launch) { launch_ = std::move(launch); }
  // The installation folder of the last search ("" when the suite is missing).
  const std::string& Path() const { return path_; }
  cImgs* clsImgs() const { return m_clsImgs; }

 private:
  void Unload();

  Launcher launch_;
  std::string path_;
  cImgs* m_clsImgs = nullptr;
};

}  // namespace lumo::finder
