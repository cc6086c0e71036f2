#include "converter/core/fileset.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "common/text/html_escape.h"
#include "common/text/text.h"
#include "converter/core/staging.h"
#include "lumo_version.h"

namespace lumo::converter {
namespace {

constexpr const char* kXmlDeclaration = R"(<?xml version="1.0" encoding="windows-1252"?>)";
constexpr const char* kXhtmlDoctype =
    R"(<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">)";
constexpr const char* kHtmlOpen = R"(<html xmlns="http://www.w3.org/1999/xhtml" xml:lang="it" lang="it">)";

// One file of the fileset built in memory: windows-1252 lines ended by CR
// LF, written out whole in one go.
class TextOut {
 public:
  void writeLine(std::string_view utf8Line) {
    bytes_ += text::utf8ToCp1252(utf8Line);
    bytes_ += "\r\n";
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

int64_t cellNumber(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

int majorOf(const FilesetData& d) { return d.major || d.minor ? d.major : LUMO_VERSION_MAJOR; }
int minorOf(const FilesetData& d) { return d.major || d.minor ? d.minor : LUMO_VERSION_MINOR; }
std::string versionOf(const FilesetData& d) { return std::to_string(majorOf(d)) + "." + std::to_string(minorOf(d)); }

bool hasPageEntry(const ConversionTable& table, int row) { return !table.cell(row, Pagina).empty(); }
bool isNormalPage(const ConversionTable& table, int row) { return isNumericLabel(table.cell(row, Pagina)); }

// The counters that name and link the elements of the fileset; the SMIL
// pass and the ncc.html pass each start them at 1, so both number alike.
struct Counters {
  int32_t j = 1, l = 1, k = 1, i = 1, m = 1;
};

std::string audioLine(const ConversionTable& t, int r, int32_t m) {
  return "<audio src=\"" + xmlText(t.cell(r, File)) + ".mp3\" clip-begin=\"npt=" + t.cell(r, Start) +
         ".000s\" clip-end=\"npt=" + t.cell(r, End) + ".000s\" id=\"phrase_" + sixDigits(m) + "\"/>";
}

void writeSmil(StagedFileset& stage, const FilesetData& d, const Group& g, Counters& c) {
  const ConversionTable& t = d.table;
  const int o = g.first;
  TextOut out;
  out.writeLine(kXmlDeclaration);
  out.writeLine(R"(<!DOCTYPE smil PUBLIC "-//W3C//DTD SMIL 1.0//EN" "http://www.w3.org/TR/REC-smil/SMIL10.dtd">)");
  out.writeLine("<smil>");
  out.writeLine("<head>");
  out.writeLine(R"(<meta name="dc:title" content="Opere"/>)");
  out.writeLine(R"(<meta name="dc:format" content="Daisy 2.02"/>)");
  out.writeLine("<meta name=\"dc:identifier\" content=\"" + xmlText(d.book.code) + "\"/>");
  out.writeLine("<meta name=\"ncc:generator\" content=\"LUMOPlayer Daisy Converter " + versionOf(d) + "\"/>");
  out.writeLine("<meta name=\"ncc:totalElapsedTime\" content=\"" + clockForm(cellNumber(t.cell(o, Elapsed))) +
                ".000\"/>");
  out.writeLine("<meta name=\"ncc:timeInThisSmil\" content=\"" + clockForm(cellNumber(t.cell(o, Durata))) + ".000\"/>");
  out.writeLine("<meta name=\"title\" content=\"" + xmlText(t.cell(o, Descrizione)) + "\"/>");
  for (const char* line : {"<layout>", "<region id=\"txtView\"/>", "</layout>", "</head>", "<body>"})
    out.writeLine(line);
  out.writeLine("<seq dur=\"" + t.cell(o, Durata) + ".000s\">");
  out.writeLine(R"(<par endsync="last">)");
  out.writeLine("<text src=\"ncc.html#heading_" + sixDigits(c.l) + "\" id=\"bookid_" + sixDigits(c.k) + "\"/>");
  out.writeLine("</par>");
  ++c.l, ++c.k;
  for (int r = o; r < o + g.count; ++r) {
    if (!hasPageEntry(t, r)) {
      out.writeLine("<seq>");
      out.writeLine(audioLine(t, r, c.m));
      out.writeLine("</seq>");
    } else {
      out.writeLine(R"(<par endsync="last">)");
      out.writeLine("<text src=\"ncc.html#page_" + sixDigits(c.i) + "\" id=\"bookid_" + sixDigits(c.k) + "\"/>");
      out.writeLine("<seq>");
      out.writeLine(audioLine(t, r, c.m));
      out.writeLine("</seq>");
      out.writeLine("</par>");
      ++c.i, ++c.k;
    }
    ++c.m;
  }
  for (const char* line : {"</seq>", "</body>", "</smil>"}) out.writeLine(line);
  stage.write("clp" + sixDigits(c.j) + ".smil", out.bytes());
  ++c.j;
  c.m = 1;
}

void writeNcc(StagedFileset& stage, const FilesetData& d, const std::vector<Group>& groups) {
  const ConversionTable& t = d.table;
  const Summary& s = d.summary;
  const std::string title = xmlText(d.book.title);
  char date[48];
  std::snprintf(date, sizeof date, "%02d-%02d-%04d", d.date.tm_mday, d.date.tm_mon + 1, d.date.tm_year + 1900);
  TextOut out;
  for (const std::string& line : std::vector<std::string>{
           kXmlDeclaration,
           kXhtmlDoctype,
           kHtmlOpen,
           "<head>",
           "<title>" + title + "</title>",
           R"(<meta http-equiv="Content-type" content="text/html; charset=windows-1252"/>)",
           "<meta name=\"dc:creator\" content=\"" + xmlText(d.book.author) + "\"/>",
           "<meta name=\"dc:date\" content=\"" + std::string(date) + "\" scheme=\"dd-mm-yyyy\"/>",
           R"(<meta name="dc:format" content="Daisy 2.02"/>)",
           "<meta name=\"dc:identifier\" content=\"" + xmlText(d.book.code) + "\" scheme=\"Vardel\"/>",
           R"(<meta name="dc:language" content="it" scheme="ISO 639"/>)",
           R"(<meta name="dc:publisher" content="LUMO - Torvesco"/>)",
           "<meta name=\"dc:subject\" content=\"" + title + "\" scheme=\"keyword\"/>",
           R"(<meta name="dc:source" content="00-000-0000-0" scheme="ISBN"/>)",
           "<meta name=\"dc:title\" content=\"" + title + "\"/>",
           R"(<meta name="ncc:charset" content="windows-1252"/>)",
           "<meta name=\"ncc:generator\" content=\"LUMO Daisy Converter " + versionOf(d) + "\"/>",
           "<meta name=\"ncc:narrator\" content=\"" + xmlText(d.book.narrator) + "\"/>",
           R"(<meta name="ncc:producer" content="LUMO-ONLUS"/>)",
           "<meta name=\"ncc:tocItems\" content=\"" + std::to_string(t.rowCount()) + "\"/>",
           "<meta name=\"ncc:totalTime\" content=\"" + clockForm(cellNumber(s.Text2)) + "\" scheme=\"hh:mm:ss\"/>",
           "<meta name=\"ncc:kByteSize\" content=\"" + s.Text3 + "\" />",
           R"(<meta name="ncc:pageFront" content="0"/>)",
           "<meta name=\"ncc:pageNormal\" content=\"" + s.Text1 + "\"/>",
           "<meta name=\"ncc:pageSpecial\" content=\"" + s.Text4 + "\"/>",
           "<meta name=\"ncc:maxPageNormal\" content=\"" + std::to_string(d.maxPageNormal) + "\"/>",
           "<meta name=\"ncc:depth\" content=\"" + s.Text5 + "\"/>",
           R"(<meta name="ncc:multimediaType" content="audioNCC"/>)",
           "</head>",
           "<body>",
       })
    out.writeLine(line);
  Counters c;
  for (const Group& g : groups) {
    const int o = g.first;
    const std::string link =
        "<a href=\"clp" + sixDigits(c.j) + ".smil#bookid_" + sixDigits(c.k) + "\">" + xmlText(t.cell(o, Descrizione));
    if (o != 1 && t.cell(o, Livello) == "2")
      out.writeLine("<h2 id=\"heading_" + sixDigits(c.l) + "\" class=\"chapter\">" + link + "</a></h2>");
    else
      out.writeLine("<h1 id=\"heading_" + sixDigits(c.l) + "\" class=\"" + (o == 1 ? "title" : "section") + "\">" +
                    link + "</a></h1>");
    ++c.k;
    for (int r = o; r < o + g.count; ++r) {
      if (!hasPageEntry(t, r)) continue;
      out.writeLine("<span id=\"page_" + sixDigits(c.i) + "\" class=\"" +
                    (isNormalPage(t, r) ? "page-normal" : "page-special") + "\"><a href=\"clp" + sixDigits(c.j) +
                    ".smil#bookid_" + sixDigits(c.k) + "\">" + xmlText(t.cell(r, Pagina)) + "</a></span>");
      ++c.i, ++c.k;
    }
    ++c.j, ++c.l;
  }
  out.writeLine("</body>");
  out.writeLine("</html>");
  stage.write("ncc.html", out.bytes());
}

void writeDiscinfo(StagedFileset& stage, const FilesetData& d) {
  TextOut out;
  for (const std::string& line : std::vector<std::string>{
           kXmlDeclaration,
           kXhtmlDoctype,
           kHtmlOpen,
           "<head>",
           "<title>CD Information</title>",
           R"(<meta http-equiv="Content-type" content="text/html; charset=windows-1252"/>)",
           "</head>",
           "<body>",
           "<a href=\"./" + xmlText(d.folderCode) + "/ncc.html\">" + xmlText(d.book.title) + "</a>",
           "</body>",
           "</html>",
       })
    out.writeLine(line);
  stage.writeDiscinfo(out.bytes());
}

}  // namespace

std::vector<Group> groupsOf(const ConversionTable& table) {
  std::vector<Group> groups;
  const int R = table.rowCount();
  for (int o = 1; o <= R;) {
    const int n =
        static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(cellNumber(table.cell(o, Invoice)), R - o + 1)));
    groups.push_back({o, n});
    o += n;
  }
  return groups;
}

std::string clockForm(int64_t seconds) {
  const int64_t hours = seconds / 3600;
  const int64_t minutes = (seconds - hours * 3600) / 60;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(hours), static_cast<long long>(minutes),
                static_cast<long long>(seconds % 60));
  return buf;
}

std::string sixDigits(int32_t counter) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06d", counter);
  return buf;
}

namespace {

// Bytes that are no UTF-8 and control characters (but the tab: C0, DEL and
// C1, also the bytes windows-1252 leaves undefined) are no text and may not
// stand in an XML document at all: each becomes "?", as a missing character
// does.
std::string withoutControls(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t p = 0; p < value.size();) {
    char32_t cp = 0;
    const size_t len = text::decodeUtf8(value, p, cp);
    const bool control = len == 0 || (cp < 0x20 && cp != '\t') || (cp >= 0x7F && cp < 0xA0);
    if (control)
      out += '?';
    else
      out.append(value.substr(p, len));
    p += len == 0 ? 1 : len;
  }
  return out;
}

}  // namespace

std::string xmlText(const std::string& value) {
  // Characters beyond ISO-8859-1 (also those windows-1252 holds, such as
  // "\u2026" and "\u20ac") keep their value as character references, which
  // XML reads whatever the encoding: a player that takes the files for
  // ISO-8859-1 shows them right too.
  static constexpr text::MarkupRules kRules{.references = text::References::BeyondLatin1, .quotes = true};
  static constexpr std::string_view kQuot = "&quot;";
  const std::string clean = withoutControls(value);
  const std::string_view rest = clean;
  std::string out;
  out.reserve(clean.size());
  size_t from = 0;
  // The "&quot;" already made from a description's quotes stays as it is.
  for (size_t at = rest.find(kQuot); at != std::string_view::npos; at = rest.find(kQuot, from)) {
    out += text::escapeMarkup(rest.substr(from, at - from), kRules);
    out += kQuot;
    from = at + kQuot.size();
  }
  out += text::escapeMarkup(rest.substr(from), kRules);
  return out;
}

void writeFileset(StagedFileset& stage, const FilesetData& data) {
  const std::vector<Group> groups = groupsOf(data.table);
  Counters c;
  for (const Group& g : groups) writeSmil(stage, data, g, c);
  writeNcc(stage, data, groups);
  writeDiscinfo(stage, data);
}

void writeFileset(const std::string& filesetFolder, const std::string& bookFolder, const FilesetData& data) {
  StagedFileset stage(filesetFolder, bookFolder);
  writeFileset(stage, data);
  stage.commit();
}

}  // namespace lumo::converter
