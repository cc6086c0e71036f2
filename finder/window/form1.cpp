#include "finder/window/form1.h"

#include <QApplication>
#include <QCollator>
#include <QVBoxLayout>

#include "finder/window/cimgs.h"
#include "platform/browser/urls.h"
#include "platform/shell/shell.h"
#include "platform/tool_window/tool_window.h"
#include "platform/ui/text_scale.h"

namespace lumo::finder {
namespace {

// The finder shows an error's own description, with no number.
constexpr ui::ErrorFormat kErrors{"", ""};

}  // namespace

TitleOrder titleOrder(const QLocale& locale) {
  auto collator = std::make_shared<QCollator>(locale);
  return [collator](const std::string& a, const std::string& b) {
    return collator->compare(QString::fromStdString(a), QString::fromStdString(b)) < 0;
  };
}

QLocale readerLocale() {
  const QLocale system = QLocale::system();
  if (system.language() == QLocale::C) return QLocale(QLocale::Italian, QLocale::Italy);
  return system;
}

Form1::Form1(QWidget* parent) : QWidget(parent), lv(titleOrder(readerLocale())), launch_(systemLauncher()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Ricerca audiolibri"));
  ui::resizeForText(*this, {640, 480});
  WebBrowser1 = new browser::WebBrowser(this);
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  WebBrowser1->setAccessibleName(QStringLiteral("Ricerca audiolibri"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(WebBrowser1);
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
  connect(WebBrowser1, &browser::WebBrowser::DocumentComplete, this,
          [this](const QString& url) { WebBrowser1_DocumentComplete(url); });
  ui::setUpToolWindow(this);
  Form_Load();
}

Form1::~Form1() {
  if (m_clsImgs) m_clsImgs->release();
}

void Form1::showAsStarted() {
  if (qEnvironmentVariable("LUMO_WINDOW_STATE").compare(QStringLiteral("maximised"), Qt::CaseInsensitive) == 0)
    showMaximized();
  else
    show();
}

void Form1::Form_Load() {
  WebBrowser1->Navigate2(QStringLiteral("about: ") + QString::fromUtf8(kWaitPage));
  Timer1->start();
}

void Form1::Timer1_Timer() {
  Timer1->stop();
  // When the page cannot be written the reader hears why instead of waiting
  // on the wait page.
  ui::guarded(kErrors, [this] {
    Finder finder(shell::programFolder(), lv, [] { QApplication::processEvents(); });
    const std::string page = finder.Search();
    path_ = finder.Path();
    WebBrowser1->Navigate2(QString::fromStdString(browser::url::fileAddress(page)));
  });
}

void Form1::WebBrowser1_DocumentComplete(const QString&) {
  if (m_clsImgs) {
    m_clsImgs->release();
    m_clsImgs->deleteLater();
  }
  m_clsImgs = new cImgs;
  m_clsImgs->setParent(this);
  connect(m_clsImgs, &cImgs::Clicked, this,
          [this](const QString& hash, int x, int y, const QString& id) { m_clsImgs_Clicked(hash, x, y, id); });
  m_clsImgs->ImgParse(WebBrowser1->document());
}

void Form1::m_clsImgs_Clicked(const QString& hash, int, int, const QString& id) {
  ui::guarded(kErrors, [&] {
    const QChar last = hash.isEmpty() ? QChar() : hash.back();
    const std::string target = pathOfLinkId(id.toStdString());
    if (last == u'0') {
      // The window takes its activation back after the picker itself
      // (setUpToolWindow).
      if (DefineCustomFolder(target)) Timer1_Timer();
    }
    if (last == u'1' && StartDiscBook(target, path_, launch_) == After::Unload) Unload();
    if (last == u'2' && OpenFolderBook(target, path_, launch_) == After::Unload) Unload();
  });
}

void Form1::Unload() { close(); }

}  // namespace lumo::finder
