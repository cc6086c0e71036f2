// lumoreg: one value of the settings store from the command line, for the
// installation, demonstrations and support.
//
//   lumoreg get <app> <section> <key> [default]   prints the value
//   lumoreg set <app> <section> <key> <value>
//   lumoreg delete <app> <section> [key]          a value, or the whole section
//   lumoreg list <app> <section>                  name=value lines
//
// Exit status: 0 done, 1 the store refused or failed (message on stderr),
// 2 wrong usage (usage text on stderr).

#include <cstdio>
#include <string>
#include <vector>

#include "common/errors/errors.h"
#include "platform/registry/registry.h"

namespace {

constexpr const char* kUsage =
    "uso: lumoreg get <applicazione> <sezione> <chiave> [predefinito]\n"
    "     lumoreg set <applicazione> <sezione> <chiave> <valore>\n"
    "     lumoreg delete <applicazione> <sezione> [chiave]\n"
    "     lumoreg list <applicazione> <sezione>\n";

void printLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

// Runs one command; false when its arguments do not fit it.
bool run(const std::string& command, const std::vector<std::string>& a) {
  namespace reg = lumo::registry;
  if (command == "get" && (a.size() == 3 || a.size() == 4)) {
    printLine(reg::GetSetting(a[0], a[1], a[2], a.size() == 4 ? a[3] : std::string()));
  } else if (command == "set" && a.size() == 4) {
    reg::SaveSetting(a[0], a[1], a[2], a[3]);
  } else if (command == "delete" && (a.size() == 2 || a.size() == 3)) {
    reg::DeleteSetting(a[0], a[1], a.size() == 3 ? a[2] : std::string());
  } else if (command == "list" && a.size() == 2) {
    for (const auto& [name, value] : reg::GetAllSettings(a[0], a[1])) printLine(name + "=" + value);
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (!run(argv[1], args)) {
      std::fputs(kUsage, stderr);
      return 2;
    }
  } catch (const lumo::RuntimeError& e) {
    std::fprintf(stderr, "lumoreg: errore %d: %s\n", e.number(), e.description().c_str());
    return 1;
  }
  if (std::fflush(stdout) != 0) {
    std::perror("lumoreg");
    return 1;
  }
  return 0;
}
