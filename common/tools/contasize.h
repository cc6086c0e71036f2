#pragma once
// The file-size class: measures one file at a time and hands its size back as
// decimal text.

#include <cstdint>
#include <string>

namespace lumo::tools {

class contasize {
 public:
  contasize() = default;

  // A cancel flag that nothing in the suite sets or reads; kept for callers
  // that expect it.
  bool Cancel() const { return cancel_; }
  void Cancel(bool aCancel) { cancel_ = aCancel; }

  // 1 when the regular file at path was measured (its size becomes
  // Dimensione), 0 otherwise (Dimensione keeps the last size measured).
  int32_t ContarArchivos(const std::string& path);

  // The size in bytes of the last file measured, as plain decimal digits;
  // "" until a file was measured.
  const std::string& Dimensione() const { return size_; }

 private:
  std::string size_;
  bool cancel_ = false;
};

}  // namespace lumo::tools
