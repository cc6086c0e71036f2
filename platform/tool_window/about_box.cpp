#include "platform/tool_window/about_box.h"

#include <QScrollArea>
#include <QVBoxLayout>
#include <string>
#include <utility>

#include "common/organisation.h"
#include "platform/tool_window/tool_window.h"
#include "platform/tools/tools.h"
#include "platform/ui/text_scale.h"

namespace lumo::ui {

AboutBox::AboutBox(Content content, QWidget* parent) : QWidget(parent, Qt::Window), content_(std::move(content)) {
  setWindowTitle(content_.windowTitle);
  setAccessibleName(windowTitle());
  // The parts scroll inside the box where a large text makes them taller
  // than the screen.
  auto* area = new QScrollArea(this);
  area->setObjectName(QStringLiteral("scroll"));
  area->setFrameShape(QFrame::NoFrame);
  area->setWidgetResizable(true);
  parts_ = new QWidget(area);
  parts_->setObjectName(QStringLiteral("parts"));
  auto* layout = new QVBoxLayout(parts_);
  for (Part part : content_.order) layout->addWidget(makePart(part));
  area->setWidget(parts_);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(area);
  if (lblTitolo) {
    QFont big = designFont(lblTitolo->font(), kDesignPointSize + 4);
    big.setBold(true);
    lblTitolo->setFont(big);
  }
  if (Command1) connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  if (Label4) connect(Label4, &LinkLabel::clicked, this, [this] { Label4_Click(); });
  if (Label5) connect(Label5, &LinkLabel::clicked, this, [this] { Label5_Click(); });
  Form_Load();
  // Without a design size the box takes the size its parts ask for, within
  // the screen.
  if (content_.designSize.isValid())
    resizeForText(*this, content_.designSize);
  else
    fitToScreen(*this, parts_->sizeHint());
  setUpToolWindow(this);
}

AboutBox* AboutBox::makeHidden(Content content, const char* name, QWidget* owner) {
  auto* box = new AboutBox(std::move(content), owner);
  box->setObjectName(name);
  box->hide();
  return box;
}

QWidget* AboutBox::makePart(Part part) {
  auto label = [this](const char* name) {
    auto* l = new QLabel(parts_);
    l->setObjectName(name);
    l->setWordWrap(true);
    return l;
  };
  auto link = [this](const char* name) {
    auto* l = new LinkLabel(QString(), parts_);
    l->setObjectName(name);
    return l;
  };
  switch (part) {
    case Part::Image1: return Image1 = label("Image1");
    case Part::Image2: return Image2 = label("Image2");
    case Part::Title: return lblTitolo = label("lblTitolo");
    case Part::Description: return Label1 = label("Label1");
    case Part::Address: return Label2 = label("Label2");
    case Part::Copyright: return Label3 = label("Label3");
    case Part::Web: return Label4 = link("Label4");
    case Part::Mail: return Label5 = link("Label5");
    case Part::Exit: break;
  }
  Command1 = new QPushButton(QString::fromUtf8("Esci"), parts_);
  Command1->setObjectName("Command1");
  Command1->setAccessibleName(Command1->text());
  return Command1;
}

void AboutBox::Form_Load() {
  auto say = [](QLabel* label, const QString& text) {
    if (label) setSpokenText(label, text);
  };
  say(Label2, content_.address);
  say(Label1, content_.description);
  say(Label3, QString::fromUtf8(organisation::Copyright));
  say(Label4, content_.web);
  say(Label5, QString::fromUtf8("Posta elettronica"));
  say(lblTitolo, content_.title);
  if (Image1 && !content_.imageName.isEmpty()) Image1->setAccessibleName(content_.imageName);
}

void AboutBox::Command1_Click() { close(); }

void AboutBox::Label4_Click() { tools::OpenWithShell(organisation::WebAddress); }

void AboutBox::Label5_Click() { tools::OpenWithShell(std::string("mailto:") + organisation::Email); }

void AboutBox::present() {
  show();
  raise();
  activateWindow();
}

}  // namespace lumo::ui
