#include "finder/window/cimgs.h"

#include <QCursor>

#include "platform/browser/urls.h"

namespace lumo::finder {

bool cImg::m_Img_onclick() {
  if (Parent_) {
    const std::optional<std::string> fragment = browser::url::fragment(Img_.href());
    Parent_->ImgClicked(fragment ? "#" + *fragment : std::string{}, Img_.id());
  }
  return false;
}

cImgs::~cImgs() { release(); }

void cImgs::release() {
  if (doc_)
    for (const auto& wrapper : col_) doc_->setClickHook(wrapper->Img(), nullptr);
  doc_.reset();
}

void cImgs::ImgParse(std::shared_ptr<browser::HtmlDocument> document) {
  if (!document) return;
  doc_ = std::move(document);
  for (const browser::HtmlElement& link : doc_->getElementsByTagName("a")) {
    if (link.id() == "http") continue;
    auto wrapper = std::make_unique<cImg>();
    wrapper->setImg(link);
    wrapper->setParent(this);
    cImg* hooked = wrapper.get();
    doc_->setClickHook(link, [hooked](const browser::HtmlElement&) { return hooked->m_Img_onclick(); });
    col_.push_back(std::move(wrapper));
  }
}

void cImgs::ImgClicked(const std::string& hash, const std::string& id) {
  if (!doc_) return;
  const QPoint at = QCursor::pos();
  emit Clicked(QString::fromStdString(hash), at.x(), at.y(), QString::fromStdString(id));
}

}  // namespace lumo::finder
