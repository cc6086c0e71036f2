#include "zivuvu/core/zivuvu_pages.h"

#include <cstdio>
#include <string_view>

#include "common/bookpage/bookpage.h"
#include "common/text/html_escape.h"
#include "common/text/text.h"

namespace lumo::zivuvu {
namespace {

// The index's texts go into the pages escaped, so that the player shows
// them as they stand: between tags, and inside an attribute's quotes.
std::string html(std::string_view s) { return text::htmlText(s); }
std::string attr(std::string_view s) { return text::htmlAttribute(s); }

std::string twoDigits(int32_t n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

// A table cell holding one link.
std::string linkCell(const char* attributes, std::string_view href, const char* title, const char* label) {
  return std::string("<td ") + attributes + "><a HREF=\"" + std::string(href) + "\" title=\"" + title + "\">" + label +
         "</A></td>";
}

// A cell whose link sends the player a key command (a key with Ctrl or Alt).
std::string keyCell(const char* attributes, int keyCode, int16_t shift, const char* title, const char* label) {
  return linkCell(attributes, bookpage::keyCommandLink(keyCode, shift), title, label);
}

// A command table of a page: its comment, table and heading lines, its cells,
// and the closing lines.
void appendTable(Lines& out, const char* comment, const char* table, const char* heading,
                 const std::vector<std::string>& cells, const char* closing = "</table>") {
  out.push_back(comment);
  out.push_back(table);
  out.push_back(heading);
  for (const std::string& cell : cells) out.push_back(cell);
  out.push_back("</tr>");
  out.push_back(closing);
}

void appendFileCommandTables(Lines& out) {
  appendTable(out, "<! **** TABELLA COMANDI ****>",
              "<table  border=\"1\"  summary=\"La tabella Comandi, permette di controllare la riproduzione dell'opera "
              "in sequenza i comandi Play, Pausa, Stop; alza, abbassa il volume, aumenta o diminuisce la velocità di "
              "lettura.\" class=\"TABLE_BOTTONI\" align=\"center\">",
              "<tr><th align=\"center\" class=\"menutable\" >COMANDI</th>",
              {
                  keyCell("class=\"cell\" width=\"6%\" align=\"center\" valign=\"middle\"", '3', bookpage::kCtrlBit,
                          "Avvia la riproduzione del File (CTRL+3)", "Play/Pausa"),
                  linkCell("class=\"cell\" width=\"6%\" align=\"center\"", bookpage::kStop,
                           "Ferma la riproduzione del File (CTRL+4)", "Stop"),
                  keyCell("class=\"cell\" width=\"6%\" align=\"center\"", bookpage::kPlusKey, bookpage::kCtrlBit,
                          "Aumenta il volume(CTRL+TASTO[+])", "Volume +"),
                  keyCell("class=\"cell\" width=\"6%\" align=\"center\"", bookpage::kMinusKey, bookpage::kCtrlBit,
                          "Diminuisce il volume (CTRL+TASTO[-])", "Volume -"),
                  keyCell("class=\"cell\" width=\"6%\" align=\"center\"", '9', bookpage::kCtrlBit,
                          "Modifica la velocità veloce, lenta, normale(CTRL+9)", "Velocità"),
                  keyCell("class=\"cell\" width=\"6%\" align=\"center\"", bookpage::kPlusKey, bookpage::kAltBit,
                          "Aumenta la velocità a step (ALT+TASTO[+])", "Velocità +"),
                  keyCell("class=\"cell\" width=\"6%\" align=\"center\"", bookpage::kMinusKey, bookpage::kAltBit,
                          "Diminuisce la Velocità a step (ALT+TASTO[-])", "Velocità -"),
              });
  appendTable(
      out, "<! **** TABELLA SPOSTAMENTI ****>",
      "<table border=\"1\" summary=\"La tabella navigazione, consente di controllare gli spostamenti all' interno "
      "dell'audio permettendo di avanzare o indietreggiare nella traccia, muoversi nell'indice contenente i vari "
      "capitoli o paragrafi e di passare al file sucessivo o precedente.\" class=\"TABLE_BOTTONI\" align=\"center\">",
      "<tr><th class=\"menutable\"  align=\"center\">NAVIGAZIONE</th>",
      {
          keyCell("width=\"6%\" align=\"center\"", '1', bookpage::kCtrlBit,
                  "Indietreggia velocemente sulla traccia (CTRL+1)", "Indietro"),
          keyCell("width=\"6%\" align=\"center\"", '2', bookpage::kCtrlBit, "Avanza velocemente sulla traccia (CTRL+2)",
                  "Avanti"),
          keyCell("width=\"6%\" align=\"center\"", '7', bookpage::kAltBit, "Passa all'indice precedente (ALT+7)",
                  "Indice -"),
          keyCell("width=\"6%\" align=\"center\"", '8', bookpage::kAltBit, "Passa all'indice successivo (ALT+8)",
                  "Indice +"),
          keyCell("width=\"6%\" align=\"center\"", '6', bookpage::kCtrlBit, "Passa al File precedente (CTRL+6)",
                  "File -"),
          keyCell("width=\"6%\" align=\"center\"", '7', bookpage::kCtrlBit, "Passa al File successivo (CTRL+7)",
                  "File +"),
          keyCell("width=\"6%\" align=\"center\"", 'I', bookpage::kCtrlBit,
                  "Vai all'indice generale dell'Opera (CTRL+I)", "Home"),
      });
  appendTable(
      out, "<! **** TABELLA SEGNALIBRI ****>",
      "<table border=\"1\" summary=\"La tabella Segnalibri contiene i comandi di inserimento e navigazione all'interno "
      "dei segnalibri, con possibilità di inserimento e di cancellazione.\" class=\"TABLE_BOTTONI\" align=\"center\">",
      "<tr><th class=\"menutable\" align=\"center\" >SEGNALIBRI</th>",
      {
          keyCell("class=\"cell\" width=\"6%\" align=\"center\"", '6', bookpage::kAltBit,
                  "Apre Il menu della Lista (ALT+6)", "Lista"),
          keyCell("class=\"cell\" width=\"6%\" align=\"center\"", '3', bookpage::kAltBit,
                  "Inserisce un segnalibro (ALT+3)", "Inserisci"),
          keyCell("class=\"cell\" width=\"6%\" align=\"center\"", '4', bookpage::kAltBit,
                  "Cancella la lista dei segnalibri (ALT+4)", "Cancella"),
          keyCell("class=\"cell\" width=\"6%\" align=\"center\"", '1', bookpage::kAltBit,
                  "Passa al segnalibro precedente (ALT+1)", "Indietro"),
          keyCell("class=\"cell\" width=\"6%\" align=\"center\"", '2', bookpage::kAltBit,
                  "Passa al segnalibro successivo (ALT+2)", "Avanti"),
          "<td class=\"cell\" width=\"6%\" title=\"Cella vuota\">&nbsp;</td>",
          "<td class=\"cell\" width=\"6%\" title=\"Cella vuota\">&nbsp;</td>",
      });
  appendTable(out, "<! **** TABELLA OPZIONI ****>",
              "<table border=\"1\" summary=\"La tabella opzioni contiene la possibilità di accedere al pannello di "
              "configurazione, cambiare lo stile della Pagina, ricevere informazioni dalla guida in linea, uscire dal "
              "programma.\" class=\"TABLE_BOTTONI\" align=\"center\">",
              "<tr><th class=\"menutable\"  align=\"center\" >OPZIONI</th>",
              {
                  keyCell("width=\"6%\" align=\"center\"", '8', bookpage::kCtrlBit,
                          "Apre il pannello di configurazione (CTRL+8)", "Configura"),
                  keyCell("width=\"6%\" align=\"center\"", '9', bookpage::kAltBit,
                          "Cambia lo stile della pagina (ALT+9)", "Stile"),
                  "<td width=\"6%\" align=\"center\"><a HREF=\"../Include/HELP.htm\" title=\"Guida di LumoPlayer "
                  "(F1)\">Aiuto</A></td>",
                  "<td width=\"6%\" class=\"menuexit\" align=\"center\"><a href=\"#\" "
                  "onClick=\"javascript:window.close()\" title=\"Esci da LumoPlayer (ALT+F4)\">Esci</a></td>",
                  "<td width=\"6%\" title=\"Cella vuota\">&nbsp;</td>",
                  "<td width=\"6%\" title=\"Cella vuota\">&nbsp;</td>",
                  "<td width=\"6%\" title=\"Cella vuota\">&nbsp;</td>",
              },
              "</table></div>");
}

void appendHomeCommandTables(Lines& out, const HomePage& page) {
  const std::string start = "<td width=\"15%\" align=\"center\"><a href=\"" +
                            attr(page.workFolder + "/" + pageName(page.firstFile) + ".htm") +
                            bookpage::positionFragment(0) +
                            "\" title=\"Ascolta il libro dall'inizio\">Inizio Libro</a></td>";
  const std::string mp3 = "<td width=\"10%\" align=\"center\"><a href= \"" + attr(page.mp3Folder) +
                          "\" target=\"_blank\" title=\"Accedi alla cartella dei file mp3\">MP3</a></td>";
  appendTable(out, "<! **** TABELLA HOME ****>",
              "<table  border=\"1\"  summary=\"La tabella Home, permette di ascoltare l'opera dall'inizio, ascoltare "
              "l'annuncio informativo del Lumo, accedere alla pagina di aiuto, o uscire dal programma.\" "
              "class=\"TABLE_BOTTONI\" align=\"center\">",
              "<tr><th class=\"menutable\" align=\"center\">HOME</th>",
              {
                  start,
                  "<td width=\"15%\" align=\"center\"><a href=\"Include/info.htm" + bookpage::positionFragment(0) +
                      "\" title=\"Note informative e annuncio di apertura del Lumo\">Annuncio Lumo</a></td>",
                  "<td width=\"10%\" align=\"center\"><a HREF=\"Include/HELP.htm\" title=\"Guida di LumoPlayer "
                  "(F1)\">Aiuto</A></td>",
                  mp3,
                  "<td width=\"10%\" class=\"menuexit\" align=\"center\"><a href=\"#\" "
                  "onClick=\"javascript:window.close()\" title=\"Esci da LumoPlayer (ALT+F4)\">Esci</a></td>",
              });
  appendTable(out, "<! **** TABELLA FUNZIONI ****>",
              "<table border=\"1\" summary=\"La tabella funzioni, consente di ottenere una lista di audiolibri "
              "presenti in tutto il libro, cancellare tutti i segnalibri inseriti, accedere a diversi stili visivi, e "
              "configurare il pannello di controllo.\" class=\"TABLE_BOTTONI\" align=\"center\">",
              "<tr><th class=\"menutable\" align=\"center\">FUNZIONI</th>",
              {
                  keyCell("width=\"15%\" align=\"center\"", '6', bookpage::kAltBit,
                          "Apre la Lista dei segnalibri (ALT+6)", "Lista segnalibri"),
                  keyCell("width=\"15%\" align=\"center\"", '4', bookpage::kAltBit,
                          "Cancella tutti i segnalibri (ALT+4)", "Cancella segnalibri"),
                  keyCell("width=\"10%\" align=\"center\"", '9', bookpage::kAltBit,
                          "Cambia lo stile della pagina (ALT+9)", "Stile"),
                  keyCell("width=\"10%\" align=\"center\"", '8', bookpage::kCtrlBit,
                          "Apre il pannello di configurazione (CTRL+8)", "Configura"),
                  "<td width=\"10%\" title=\"Cella vuota\">&nbsp;</td>",
              });
}

void appendRow(Lines& out, const std::vector<std::string>& cells) {
  out.push_back("<tr>");
  for (const auto& cell : cells) out.push_back(cell);
  out.push_back("</tr>");
}

// The rows of one file in the home page's index table. The file-name cell
// spans the file's rows. A file without markers still gets one row, a link
// to the start of its page, so that every file stays reachable.
void appendHomeFileRows(Lines& out, const HomePage& page, const HomeFile& file) {
  const auto link = [&](const bookindex::Marker& m, const std::string& label) {
    return "<td class=\"cel\" width=\"15%\"><a href=\"" + attr(page.workFolder + "/" + pageName(file.name) + ".htm") +
           bookpage::positionFragment(m.start) + "\">" + html(label) + "</a></td>";
  };
  const auto nameCell = [&](int rows) {
    return "<td class=\"cel\" width=\"15%\" rowspan=\"" + std::to_string(rows) + "\">" + html(file.name) + "</TD>";
  };
  if (file.markers.empty()) {
    appendRow(out, {"<td width=\"70%\"></td>", link(bookindex::Marker{}, file.name), nameCell(1)});
    return;
  }
  for (size_t i = 0; i < file.markers.size(); ++i) {
    const auto& m = file.markers[i];
    const std::string description = "<td width=\"70%\">" + html(m.description) + "</td>";
    if (i == 0)
      appendRow(out, {description, link(m, text::trim(m.page)), nameCell(file.markerCount)});
    else
      appendRow(out, {description, link(m, m.page)});
  }
}

}  // namespace

std::string pageName(const std::string& fileName) {
  std::string name = fileName;
  for (char& c : name)
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  return name;
}

std::string fileDurationText(int32_t seconds) {
  return " - Durata " + std::to_string(seconds / 60) + ":" + twoDigits(seconds % 60) + " (mm:ss)";
}

std::string bookDurationText(int32_t seconds) {
  const int32_t hours = seconds / 3600;
  return std::to_string(hours) + ":" + twoDigits(seconds / 60 - 60 * hours) + ":" + twoDigits(seconds % 60);
}

Lines filePageLines(const FilePage& page) {
  Lines out = {
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
      "<html lang=\"it\">",
      "<head>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">",
      "<meta name=\"GENERATOR\" content=\"Zivuvu\">",
      "<meta name=\"" + bookpage::audioMeta(0) + "\" content=\"" + attr(page.audioPath) + "\" >",
  };
  if (!page.next.empty())
    out.push_back("<meta name=\"" + bookpage::nextPageMeta(1) + "\" content=\"" + attr(pageName(page.next)) +
                  ".htm\">");
  if (page.prev)
    out.push_back("<meta name=\"" + std::string(bookpage::kPreviousPageMeta) + "\" content=\"" +
                  attr(pageName(*page.prev)) + ".htm\">");
  out.insert(out.end(),
             {
                 "<LINK rel=\"stylesheet\" type=\"text/css\" href=\"../Include/Style1.css\">",
                 "<title> Indice del file " + html(page.name) + "</title>",
                 "</HEAD>",
                 "<BODY>",
                 "<p class=imgbg></p>",
                 "<div Class=\"VerticeBasso\" ><h3 class=\"NAV_Titolo\" align=\"center\">" + html(page.title) + "</h3>",
                 "<p align=\"center\">Indice del file " + html(page.name),
             });
  if (page.duration) out.push_back(fileDurationText(*page.duration));
  out.insert(
      out.end(),
      {
          "<a name=\"subito\"></a></p>",
          "<TABLE summary=\"Questa tabella composta da due colonne fornisce informazioni sui link necessari alla "
          "navigazione dell'opera; La prima colonna contiene la descrizione di riferimento (capitolo, paragrafo, "
          "parte) la seconda la pagina di inizio con un link interattivo.\" class=\"Tabellarife\" align=\"center\">",
          "<tr>",
          "<th width=\"60%\">Riferimento</th>",
          "<th width=\"14%\">Pagina di inizio</th>",
          "</tr>",
      });
  for (size_t i = 0; i < page.markers.size(); ++i) {
    const auto& m = page.markers[i];
    const std::string anchor = bookpage::indexAnchorName(static_cast<int32_t>(i + 1));
    appendRow(out, {"<td width=\"60%\">" + html(m.description) + "</td>",
                    "<td class=\"cel\" width=\"14%\"><a id=\"" + anchor + "\" name=\"" + anchor + "\" href=\"" +
                        bookpage::positionFragment(m.start) + "\">" + html(text::trim(m.page)) + "</a></td>"});
  }
  out.push_back("</table></div>");
  out.push_back("<div class=\"VerticeAlto\">");
  appendFileCommandTables(out);
  out.push_back("</BODY></HTML>");
  return out;
}

Lines homePageLines(const HomePage& page) {
  const auto& h = page.header;
  Lines out = {
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
      "<html lang=\"it\">",
      "<head>",
      "<meta http-equiv=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">",
      "<meta name=\"GENERATOR\" content=\"Zivuvu\">",
      "<link rel=\"stylesheet\" type=\"text/css\" href=\"Include/Style1.css\">",
      "<TITLE>Indice interattivo dell'opera</TITLE>",
      "</HEAD>",
      "<BODY>",
      "<div class=\"imgbg\"></div>",
      "<div class=\"dati\">",
      "<p align=\"center\" class=\"titolo\">Titolo: " + html(h.title) + "</p>",
      "<p class=\"invisibile\"><a href=\"#subito\">Vai direttamente all'indice</a></p>",
      "<table summary=\"Questa tabella formata da due colonne, riporta i dati editoriali dell'audiolibro.\" "
      "align=\"center\" class=\"tabelladati\">",
  };
  appendRow(out, {"<td width=\"35%\">Autore:</td>", "<td width=\"85%\">" + html(h.author) + "</td>"});
  appendRow(out, {"<td width=\"35%\">Editore:</td>", "<td width=\"85%\">" + html(h.publisher) + "</td>"});
  appendRow(out, {"<td width=\"35%\">Luogo e anno:</td>", "<td width=\"85%\">" + html(h.placeAndYear) + "</td>"});
  appendRow(out, {"<td WIDTH=\"35%\">Lettore:</td>", "<td WIDTH=\"85%\">" + html(h.narrator) + "</TD>"});
  appendRow(out, {"<td width=\"35%\">Codice libro:</td>", "<td width=\"85%\">" + html(h.code) + "</td>"});
  if (page.total != 0)
    appendRow(out, {"<td width=\"35%\">Durata:</td>",
                    "<td width=\"85%\">" + bookDurationText(page.total) + " (hh:mm:ss)</td>"});
  out.insert(
      out.end(),
      {
          "</table>",
          "<p align=\"center\">Ogni pagina corrisponde ad un link audio interattivo per iniziare l'ascolto dal punto "
          "desiderato.</p>",
          "<table summary=\"Questa tabella riassume tutti i link interattivi dell'opera ed è formata da tre colonne: "
          "descrizione di riferimento, pagina corrispondente, nome del file.\" align=\"center\" class=\"Tabellarife\">",
          "<tr>",
          "<th width=\"70%\">Riferimento</th>",
          "<th width=\"15%\">Pagina di inizio</th>",
          "<th width=\"15%\">File</th>",
          "</tr>",
      });
  for (const auto& file : page.files) appendHomeFileRows(out, page, file);
  out.insert(out.end(), {"</table>", "<p></p>", "</div>", "<div class=\"VerticeAlto\">"});
  appendHomeCommandTables(out, page);
  out.push_back("</div>");
  out.push_back("</body></html>");
  return out;
}

}  // namespace lumo::zivuvu
