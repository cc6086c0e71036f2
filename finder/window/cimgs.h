#pragma once
// The link hooks of the found-books page: cImg wraps one link and receives
// its click before the browser follows it; cImgs keeps every wrapper of a
// document and raises one event for the window. The download links (id
// "http") are not hooked: the browser opens them itself.

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "platform/browser/htmldocument.h"

namespace lumo::finder {

class cImgs;

class cImg {
 public:
  void setImg(browser::HtmlElement element) { Img_ = std::move(element); }
  void setParent(cImgs* parent) { Parent_ = parent; }
  const browser::HtmlElement& Img() const { return Img_; }
  // The link's click: passed to the parent; false, so the browser does not
  // follow the link.
  bool m_Img_onclick();

 private:
  browser::HtmlElement Img_;
  cImgs* Parent_ = nullptr;
};

class cImgs : public QObject {
  Q_OBJECT
 public:
  ~cImgs() override;
  // Hooks every link of the document but the download links.
  void ImgParse(std::shared_ptr<browser::HtmlDocument> document);
  // Raises Clicked with the pointer position.
  void ImgClicked(const std::string& hash, const std::string& id);
  // Unhooks the links; the object may then be deleted later.
  void release();
  int count() const { return static_cast<int>(col_.size()); }

 signals:
  void Clicked(const QString& hash, int x, int y, const QString& id);

 private:
  std::vector<std::unique_ptr<cImg>> col_;
  std::shared_ptr<browser::HtmlDocument> doc_;
};

}  // namespace lumo::finder
