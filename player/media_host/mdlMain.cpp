#include "player/media_host/mdlMain.h"

#include <QCoreApplication>
#include <QLabel>
#include <limits>
#include <memory>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/ui/ui.h"
#include "player/media_host/frmErrore.h"

namespace lumo::player {

ErrObject& Err() {
  static ErrObject err;
  return err;
}

void SetErrFrom(const std::exception& error) {
  if (const auto* runtime = dynamic_cast<const RuntimeError*>(&error)) {
    Err().Number = runtime->number();
    Err().Description = QString::fromStdString(runtime->description());
  } else {
    Err().Number = err::InvalidCall;
    Err().Description = QString::fromUtf8(error.what());
  }
}

void SetErrFrom(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    SetErrFrom(e);
  } catch (...) {
    Err().Number = err::InvalidCall;
    Err().Description = QString::fromStdString(errorDescription(err::InvalidCall));
  }
}

QString ErrorMessageText(const QString& Message) {
  if (!Message.isEmpty()) return Message;
  return Err().Description + QStringLiteral("\r\nCodice: ") + QString::number(Err().Number);
}

QString ErrorReportText(const QString& Label, const QString& ErrorText) {
  return QStringLiteral("Errore!\r\n") + ErrorText + QStringLiteral("\r\nPrg: ") + Label;
}

void ShowError(const QString& Label, const QString& Message) {
  try {
    const QString text = ErrorMessageText(Message);
    if (ui::backend().scripted()) {
      ui::MsgBox(ErrorReportText(Label, text).toStdString(), ui::mb::OKOnly | ui::mb::Critical, kErrorTitle);
      return;
    }
    // A new dialog for every report, without an owner window.
    auto dialog = std::make_unique<frmErrore>();
    dialog->lblFunzione->setText(Label);
    dialog->lblErrore->setText(text);
    dialog->exec();
  } catch (...) {
    // The reporter is the end of every trap: nothing may escape it.
  }
}

namespace {
bool runTrapped(const std::function<QString()>& label, const std::function<void()>& body) noexcept {
  try {
    body();
    return true;
  } catch (...) {
    SetErrFrom(std::current_exception());
  }
  try {
    ShowError(label(), QString());
  } catch (...) {
  }
  return false;
}
}  // namespace

bool Trap(const QString& label, const std::function<void()>& body) noexcept {
  return runTrapped([&label] { return label; }, body);
}

bool Trap(const std::function<QString()>& label, const std::function<void()>& body) noexcept {
  return runTrapped(label, body);
}

void DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

namespace {
int32_t toTwips(int32_t pixels) { return text::toInt32(static_cast<long long>(pixels) * kTwipsPerPixel); }
}  // namespace

int32_t PixelsToTwipsX(int32_t Pixels) { return toTwips(Pixels); }
int32_t PixelsToTwipsY(int32_t Pixels) { return toTwips(Pixels); }

int TwipsToPixels(int twips) {
  return static_cast<int>(text::roundHalfEven(static_cast<double>(twips) / kTwipsPerPixel));
}

QRect TwipsRect(int left, int top, int width, int height) {
  const int x1 = TwipsToPixels(left), y1 = TwipsToPixels(top);
  const int x2 = TwipsToPixels(left + width), y2 = TwipsToPixels(top + height);
  return QRect(x1, y1, x2 - x1, y2 - y1);
}

}  // namespace lumo::player
