#pragma once
// The about box of the production tools: the program's title and version,
// what it does, the organisation's address and copyright, links to its web
// site and its e-mail, and Esci. Each program gives its texts and the order
// of the parts, which is also the order of Tab and of a screen reader.

#include <QLabel>
#include <QPushButton>
#include <QSize>
#include <QString>
#include <QWidget>
#include <vector>

#include "platform/ui/link_label.h"

namespace lumo::ui {

class AboutBox : public QWidget {
  Q_OBJECT
 public:
  enum class Part { Image1, Image2, Title, Description, Address, Copyright, Web, Mail, Exit };

  struct Content {
    QString windowTitle;
    QString title;        // lblTitolo: the program and its version
    QString description;  // Label1
    QString address;      // Label2
    QString web;          // Label4: the web address as shown
    QString imageName;    // Image1's accessible name; none when empty
    std::vector<Part> order;
    QSize designSize;  // resized for the reader's text when valid
  };

  AboutBox(Content content, QWidget* parent);
  // The about box of the window owner, named name, hidden until presented.
  static AboutBox* makeHidden(Content content, const char* name, QWidget* owner);

  // The parts a program does not list stay null.
  QLabel* Image1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* lblTitolo = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  LinkLabel* Label4 = nullptr;
  LinkLabel* Label5 = nullptr;
  QPushButton* Command1 = nullptr;

  void Form_Load();
  void Command1_Click();
  void Label4_Click();
  void Label5_Click();

  // Shows the box in front, with the keyboard.
  void present();
  // The panel that holds the parts, in their order.
  QWidget* parts() const { return parts_; }

 private:
  QWidget* makePart(Part part);

  Content content_;
  QWidget* parts_ = nullptr;
};

}  // namespace lumo::ui
