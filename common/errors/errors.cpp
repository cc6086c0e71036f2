#include "common/errors/errors.h"

#include <cerrno>
#include <cstring>
#include <exception>

namespace lumo {

std::string errorDescription(int number) {
  switch (number) {
    case err::InvalidCall: return "Chiamata di routine o argomento non validi";
    case err::Overflow: return "Overflow";
    case err::SubscriptOutOfRange: return "Indice non incluso nell'intervallo";
    case err::DivisionByZero: return "Divisione per zero";
    case err::TypeMismatch: return "Tipo non corrispondente";
    case err::BadFileName: return "Nome o numero di file non valido";
    case err::FileNotFound: return "Impossibile trovare il file";
    case err::InputPastEnd: return "Input oltre la fine del file";
    case err::PermissionDenied: return "Autorizzazione negata";
    case err::PathFileAccess: return "Errore di accesso al percorso/file";
    case err::PathNotFound: return "Impossibile trovare il percorso";
    case err::ObjectNotSet: return "Variabile oggetto o variabile del blocco With non impostata";
    case err::DuplicateKey: return "Questa chiave è già associata ad un elemento dell'insieme";
    default: return {};
  }
}

std::string ioErrorCause(int errnoValue) {
  switch (errnoValue) {
    case ENOSPC:
    case EDQUOT: return "disco pieno";
    case EROFS: return "disco di sola lettura";
    case EACCES:
    case EPERM: return "scrittura non consentita";
    case ENAMETOOLONG: return "nome troppo lungo";
    case ENOENT: return "cartella inesistente";
    case ENOTDIR: return "una parte del percorso non è una cartella";
    case EEXIST: return "esiste già un file con questo nome";
    case EIO: return "errore del disco";
    default: return std::strerror(errnoValue);
  }
}

RuntimeError fileAccessError(const std::string& path, int errnoValue) {
  return RuntimeError(err::PathFileAccess,
                      errorDescription(err::PathFileAccess) + ": " + path + " (" + ioErrorCause(errnoValue) + ")");
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, errorDescription(number)) {}

RuntimeError::RuntimeError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

bool skipOnError(const std::function<void()>& statement) noexcept {
  try {
    statement();
    return true;
  } catch (...) {
    // Any error at all: the helper is noexcept, and a skipped statement
    // must never end the program.
    return false;
  }
}

}  // namespace lumo
