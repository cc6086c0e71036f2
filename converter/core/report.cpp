#include "converter/core/report.h"

#include <vector>

#include "common/text/text.h"
#include "lumo_version.h"

namespace lumo::converter {
namespace {

void summaryRow(text::AtomicTextFile& out, const char* label, const std::string& value, const char* closing) {
  out.writeLine("<tr>");
  out.writeLine(std::string("<td width=\"84%\">") + label + "</td>");
  out.writeLine("<td width=\"16%\" align=\"right\">" + value + closing);
  out.writeLine("</tr>");
}

// A group cell ("Invoice", "Durata", "Elapsed") that is empty shows a blank.
std::string groupCell(const std::string& value) {
  return value.empty() ? "<td width=\"10%\">&nbsp</td>" : "<td width=\"10%\">" + value + "</td>";
}

}  // namespace

void writeReport(const std::string& path, const FilesetData& data) {
  const int major = data.major || data.minor ? data.major : LUMO_VERSION_MAJOR;
  const int minor = data.major || data.minor ? data.minor : LUMO_VERSION_MINOR;
  const std::string version = std::to_string(major) + "." + std::to_string(minor);
  const Summary& s = data.summary;
  text::AtomicTextFile out(path);
  for (const std::string& line : std::vector<std::string>{
           "<html>",
           "<head>",
           R"(<meta http-equiv="Content-Language" content="it">)",
           R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">)",
           R"(<meta name="GENERATOR" content="LUMO - Torvesco">)",
           R"(<meta name="ProgId" content="FrontPage.Editor.Document">)",
           "<title>LumoDaisy Converter" + version + "</title>",
           "</head>",
           "<body>",
           "<p align=\"center\"><b>LumoDaisy Converter " + version + " Tabella di conversione</b></p>",
           R"(<table border="1" width="100%">)",
       })
    out.writeLine(line);
  summaryRow(out, "Titolo dell'opera:", data.book.title, "</td>");
  summaryRow(out, "Codice libro:", data.book.code, "</td>");
  summaryRow(out, "Durata Totale dell'opera:", s.Text2, " secondi</td>");
  summaryRow(out, "Dimensione totale occupata:", s.Text3, " Kb</td>");
  summaryRow(out, "Pagine normali:", s.Text1, "</td>");
  summaryRow(out, "Pagine speciali:", s.Text4, "</td>");
  summaryRow(out, "Livelli:", s.Text5, "</td>");
  out.writeLine("</table>");
  out.writeLine("<p>&nbsp;</p>");
  out.writeLine(R"(<table border="1" width="100%">)");
  out.writeLine("<tr>");
  out.writeLine(R"(<th width="5%">Livello</th>)");
  out.writeLine(R"(<th width="25%">Descrizione</th>)");
  for (const char* header : {"Start", "End", "Pagina", "File", "Invoice", "Durata", "Elapsed"})
    out.writeLine(std::string("<th width=\"10%\">") + header + "</th>");
  out.writeLine("</tr>");
  const ConversionTable& t = data.table;
  for (int r = 1; r <= t.rowCount(); ++r) {
    out.writeLine("<tr>");
    out.writeLine("<td width=\"5%\">" + t.cell(r, Livello) + "</td>");
    out.writeLine("<td width=\"25%\">" + t.cell(r, Descrizione) + "</td>");
    for (const int column : {Start, End, Pagina, File})
      out.writeLine("<td width=\"10%\">" + t.cell(r, column) + "</td>");
    for (const int column : {Invoice, Durata, Elapsed}) out.writeLine(groupCell(t.cell(r, column)));
    out.writeLine("</tr>");
  }
  for (const char* line : {"</table>", "</body>", "</html>"}) out.writeLine(line);
  out.commit();
}

}  // namespace lumo::converter
