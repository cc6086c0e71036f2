// REGEDIT4 export and import: the text the writer produces, byte for byte;
// the enumerators; the importer on files written by hand; an export read
// back into the store.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/text/text.h"
#include "platform/registry/regfile.h"
#include "platform/registry/registry.h"
#include "platform/registry/tests/test_env.h"
#include "testsupport/private_mounts.h"

namespace lumo::registry {
namespace {

using testing::RegistryTest;
namespace fs = std::filesystem;

const std::string kTree = "Software\\VB and VBA Program Settings\\QEN MediaPlayer";

Value text(const std::string& name, const std::string& data, ValueType type = ValueType::String) {
  return Value{name, type, data};
}
Value dword(const std::string& name, uint32_t v) {
  Value value{name, ValueType::Dword, ""};
  value.dword = v;
  return value;
}

std::string readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
void writeBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// UTF-16LE bytes, as Windows writes its registry files.
std::string utf16le(std::u16string_view s) {
  std::string out;
  for (char16_t unit : s) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

// Every key below path, with its values as "name|type|data|dword", in
// enumeration order: two equal dumps are the same tree.
std::string dump(Store& store, const std::string& path) {
  std::string out = "[" + path + "]\n";
  for (const Value& v : store.values(path))
    out += v.name + "|" + std::to_string(int(v.type)) + "|" + v.data + "|" + std::to_string(v.dword) + "\n";
  for (const std::string& name : store.subkeys(path)) out += dump(store, path + "\\" + name);
  return out;
}

class RegFileTest : public RegistryTest {
 protected:
  Store& user() { return Store::open(Hive::CurrentUser); }
  fs::path file(const std::string& name = "out.reg") const { return dir_ / name; }
};

TEST_F(RegFileTest, TheWriterLaysOutEachValueTypeExactly) {
  struct Case {
    const char* what;
    std::vector<Value> values;
    std::string lines;  // the value lines, windows-1252
  };
  std::string big(5000, '\x5A');
  std::string bigHex;
  for (size_t i = 0; i < big.size(); ++i) bigHex += i ? ",5A" : "5A";
  const Case cases[] = {
      {"no values", {}, ""},
      {"default value", {text("", "x")}, "@=\"x\"\r\n"},
      {"dword", {dword("n", 16)}, "\"n\"=dword:00000010\r\n"},
      {"negative dword", {dword("n", uint32_t(-16))}, "\"n\"=dword:fffffff0\r\n"},
      {"binary", {text("b", "\x0A\xFF", ValueType::Binary)}, "\"b\"=hex:0A,FF\r\n"},
      {"empty binary", {text("b", "", ValueType::Binary)}, "\"b\"=hex:\r\n"},
      {"escapes", {text("a\\\"n", "C:\\a\"b")}, "\"a\\\\\\\"n\"=\"C:\\\\a\\\"b\"\r\n"},
      {"windows-1252", {text("Città", "perché €")}, "\"Citt\xE0\"=\"perch\xE9 \x80\"\r\n"},
      {"over 4096 bytes", {text("big", big, ValueType::Binary)}, "\"big\"=hex:" + bigHex + "\r\n"},
      {"expandable", {text("e", "%é%", ValueType::ExpandString)}, "\"e\"=hex(2):25,E9,25,00\r\n"},
      {"multi-text", {text("m", std::string("a\0b", 3), ValueType::MultiString)}, "\"m\"=hex(7):61,00,62,00,00\r\n"},
      {"text with a line break", {text("t", "a\nb")}, "\"t\"=hex(1):61,0A,62,00\r\n"},
      {"other type", {text("q", std::string("\x01\0", 2), ValueType(11))}, "\"q\"=hex(b):01,00\r\n"},
      {"creation order", {text("z", "1"), text("a", "2")}, "\"z\"=\"1\"\r\n\"a\"=\"2\"\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    user().deleteKey("Software");
    user().createKey("Software\\Demo");
    for (const Value& v : c.values) user().setValue("Software\\Demo", v);
    ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, "Software\\Demo", file().string(), false, false));
    EXPECT_EQ(readBytes(file()), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n" + c.lines + "\r\n");
  }
}

TEST_F(RegFileTest, SubkeysFollowTheirParentDepthFirstAndOtherRootsHaveNoStore) {
  user().setValue("Software\\Demo", text("Path", "C:\\x"));
  user().setValue("Software\\Demo\\b", text("v", "1"));
  user().setValue("Software\\Demo\\A\\Deep", text("v", "2"));
  user().createKey("Software\\Demo\\A\\Empty");
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, "Software\\Demo", file().string(), true, false));
  EXPECT_EQ(readBytes(file()),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"Path\"=\"C:\\\\x\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Demo\\A]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Demo\\A\\Deep]\r\n\"v\"=\"2\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Demo\\A\\Empty]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Demo\\b]\r\n\"v\"=\"1\"\r\n\r\n");

  // A root that has no name in key lines, and one the store does not hold.
  ASSERT_TRUE(ExportRegistryKey(HKEY_PERFORMANCE_DATA, "Software\\Demo", file().string(), true, false));
  EXPECT_EQ(readBytes(file()), "REGEDIT4\r\n\r\n[Software\\Demo]\r\n\r\n");
  ASSERT_TRUE(ExportRegistryKey(HKEY_USERS, "x", file().string(), true, false));
  EXPECT_EQ(readBytes(file()), "REGEDIT4\r\n\r\n[HKEY_USERS\\x]\r\n\r\n");
}

TEST_F(RegFileTest, AppendingAddsTheHeaderOnlyWhenTheFileLacksIt) {
  user().createKey("Software\\Demo");
  const std::string block = "[HKEY_CURRENT_USER\\Software\\Demo]\r\n\r\n";
  struct Case {
    const char* what;
    std::optional<std::string> before;  // nullopt: no file
    std::string after;
  };
  const Case cases[] = {
      {"no file yet", std::nullopt, "REGEDIT4\r\n\r\n" + block},
      {"a file with the header", "REGEDIT4\r\n\r\n[old]\r\n\r\n", "REGEDIT4\r\n\r\n[old]\r\n\r\n" + block},
      {"a file without it", "; notes\r\n", "; notes\r\nREGEDIT4\r\n\r\n" + block},
      {"the header in another case", "regedit4\r\n", "regedit4\r\nREGEDIT4\r\n\r\n" + block},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(file());
    if (c.before) writeBytes(file(), *c.before);
    ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, "Software\\Demo", file().string(), false, true));
    EXPECT_EQ(readBytes(file()), c.after);
  }
  // Without Append the old content goes.
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, "Software\\Demo", file().string(), true, false));
  EXPECT_EQ(readBytes(file()), "REGEDIT4\r\n\r\n" + block);
}

TEST_F(RegFileTest, AFailedExportLeavesNoFileAndNoTemporaryFile) {
  user().setValue("Software\\Demo", text("v", "1"));
  // A folder that does not exist, and a name that is a folder.
  EXPECT_FALSE(ExportRegistryKey(HKEY_CURRENT_USER, "Software\\Demo", (dir_ / "none" / "x.reg").string(), true, false));
  fs::create_directory(dir_ / "taken.reg");
  EXPECT_FALSE(ExportRegistryKey(HKEY_CURRENT_USER, "Software\\Demo", (dir_ / "taken.reg").string(), true, false));
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.reg"));
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_TRUE(entry.path().filename() == "config" || entry.path().filename() == "taken.reg") << entry.path();
}

TEST_F(RegFileTest, ANameAsLongAsTheFileSystemTakesIsWritten) {
  user().setValue("Software\\Demo", text("v", "1"));
  // 255 bytes, the most a file name may have; an old file of that name too.
  const fs::path name = dir_ / (std::string(251, 'n') + ".REG");
  for (bool oldFile : {false, true}) {
    SCOPED_TRACE(oldFile ? "over an old file" : "a new file");
    if (oldFile) writeBytes(name, "old");
    ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, "Software\\Demo", name.string(), true, false));
    EXPECT_EQ(readBytes(name), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"v\"=\"1\"\r\n\r\n");
  }
}

TEST_F(RegFileTest, TheEnumeratorsReportNamesValuesAndTypeCodes) {
  user().setValue("K", text("s", "x"));
  user().setValue("K", dword("d", uint32_t(-2)));
  user().setValue("K", text("b", "\x01\x02", ValueType::Binary));
  user().setValue("K", text("m", std::string("a\0b", 3), ValueType::MultiString));
  user().setValue("K", text("q", "12345678", ValueType(11)));
  user().createKey("K\\Sub");
  auto records = EnumRegistryValues(HKEY_CURRENT_USER, "K");
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0].typeCode, 8);
  EXPECT_EQ(std::get<std::string>(records[0].value), "x");
  EXPECT_EQ(records[1].typeCode, 3);
  EXPECT_EQ(std::get<int32_t>(records[1].value), -2);
  EXPECT_EQ(records[2].typeCode, 8209);
  EXPECT_EQ(std::get<std::vector<uint8_t>>(records[2].value), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(records[3].typeCode, 8);
  EXPECT_EQ(std::get<std::string>(records[3].value), std::string("a\0b", 3));
  EXPECT_EQ(records[4].typeCode, 0);
  EXPECT_EQ(records[4].name, "q");
  EXPECT_EQ(EnumRegistryKeys(HKEY_CURRENT_USER, "K"), std::vector<std::string>{"Sub"});
  EXPECT_TRUE(EnumRegistryKeys(HKEY_CURRENT_USER, "Missing").empty());
  EXPECT_TRUE(EnumRegistryValues(HKEY_CURRENT_USER, "Missing").empty());
  EXPECT_TRUE(EnumRegistryValues(HKEY_CLASSES_ROOT, "K").empty());
  EXPECT_TRUE(EnablePrivilege("SeRestorePrivilege"));
}

// The player's settings and bookmarks of several pages, with everything
// that a text file could garble.
void fillPlayerTree(Store& store) {
  const std::string player = kTree + "\\Player";
  store.setValue(player, text("Volume", "100"));
  store.setValue(player, text("Rate", "1,5"));
  store.setValue(player, text("Brano", "file:///home/u/lumo/LB01/A.htm#QENPLAYER_AUDIO_POS=95"));
  const char* pages[] = {"LB01\\A.HTM", "LB01\\B.HTM", "Libri di Città\\Cap \"1\".HTM"};
  int n = 0;
  for (const char* page : pages) {
    for (int k = 1; k <= 3; ++k) {
      const std::string key = kTree + "\\" + page, m = std::to_string(k);
      store.setValue(key, text(m, std::to_string(30 * k + n)));
      store.setValue(key, text(m + "NOME", "Segno " + m + " «perché» C:\\x \"q\" € ü"));
      store.setValue(key, text(m + "NOMEAUDIO", k == 2 ? "" : "A.mp3"));
    }
    ++n;
  }
  store.setValue(kTree, text("", "radice"));
  store.setValue(kTree + "\\Tipi", dword("d", 0x80000001u));
  store.setValue(kTree + "\\Tipi", text("b", std::string("\0\xFF", 2), ValueType::Binary));
  store.setValue(kTree + "\\Tipi", text("e", "%HOME%\\x", ValueType::ExpandString));
  store.setValue(kTree + "\\Tipi", text("m", std::string("uno\0due", 7), ValueType::MultiString));
  store.setValue(kTree + "\\Tipi", text("r", "riga\r\nnuova"));
}

TEST_F(RegFileTest, AnExportImportedAgainGivesBackTheSameTree) {
  fillPlayerTree(user());
  user().setValue("Software\\Other", text("keep", "1"));
  const std::string before = dump(user(), kTree);
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, kTree, file().string(), true, false));
  const std::string exported = readBytes(file());

  user().deleteKey(kTree);
  ImportResult result = ImportRegFile(file().string(), KeyScope{HKEY_CURRENT_USER, kTree});
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(result.skipped.empty());
  EXPECT_EQ(dump(user(), kTree), before);
  EXPECT_EQ(user().value("Software\\Other", "keep")->data, "1");

  // The same tree exports to the same bytes.
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, kTree, file("again.reg").string(), true, false));
  EXPECT_EQ(readBytes(file("again.reg")), exported);
}

TEST_F(RegFileTest, NamesAndTextsWindows1252LacksMakeTheFileUtf16AndReadBack) {
  // A book folder in Polish, a description in Russian: the page's key and
  // its bookmarks must come back under the same names.
  const std::string page = kTree + "\\Łódź\\A.HTM";
  user().setValue(page, text("1", "30"));
  user().setValue(page, text("1NOME", "Достоевский «€»"));
  user().setValue(page, text("Ω", "riga\r\nДва"));
  user().setValue(page, text("e", "%Ж%", ValueType::ExpandString));
  user().setValue(page, text("m", std::string("ä\0ć", 5), ValueType::MultiString));
  const std::string before = dump(user(), kTree);
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, kTree, file().string(), true, false));
  const std::string bytes = readBytes(file());
  EXPECT_TRUE(bytes.starts_with(utf16le(u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n")));
  EXPECT_NE(bytes.find(utf16le(u"[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\QEN "
                               u"MediaPlayer\\Łódź\\A.HTM]\r\n\"1\"=\"30\"\r\n\"1NOME\"=\"Достоевский «€»\"\r\n")),
            std::string::npos);
  EXPECT_NE(bytes.find(utf16le(u"\"e\"=hex(2):25,00,16,04,25,00,00,00\r\n")), std::string::npos);

  user().deleteKey(kTree);
  ImportResult result = ImportRegFile(file().string(), KeyScope{HKEY_CURRENT_USER, kTree});
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(dump(user(), kTree), before);

  // Appended blocks keep the encoding the file already has: a windows-1252
  // file that cannot hold them is left as it was.
  const std::string old = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Citt\xE0]\r\n\r\n";
  writeBytes(file("old.reg"), old);
  EXPECT_FALSE(ExportRegistryKey(HKEY_CURRENT_USER, page, file("old.reg").string(), false, true));
  EXPECT_EQ(readBytes(file("old.reg")), old);
  user().setValue("Semplice", text("1NOME", "Città"));
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, "Semplice", file("old.reg").string(), false, true));
  EXPECT_EQ(readBytes(file("old.reg")), old + "[HKEY_CURRENT_USER\\Semplice]\r\n\"1NOME\"=\"Citt\xE0\"\r\n\r\n");
  // A version 5 file takes every text, in UTF-16LE, under no second header.
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, page, file("v5.reg").string(), false, false));
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, "Semplice", file("v5.reg").string(), false, true));
  EXPECT_TRUE(readBytes(file("v5.reg"))
                  .ends_with(utf16le(u"\r\n\r\n[HKEY_CURRENT_USER\\Semplice]\r\n\"1NOME\"=\"Città\"\r\n\r\n")));
}

// What a store may hold, in groups: every export of it reads back as the
// same tree, and a tree windows-1252 holds keeps the REGEDIT4 form.
TEST_F(RegFileTest, EveryStoreComesBackFromItsExportUnchanged) {
  const auto odd = [](unsigned type, std::string data) {
    return text("t" + std::to_string(type), data, ValueType(type));
  };
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, Value>> values;  // key below the tree, value
    bool windows1252;                                   // the file keeps the REGEDIT4 form
  };
  const Case cases[] = {
      {"windows-1252 bytes that form UTF-8",
       {{"Player", text("Brano", "Titolo letto male: Ã¨ cosÃ¬")},
        {"Player", text("m", std::string("cuucé\u0081€\r[\0x", 15), ValueType::MultiString)},
        {"Player", text("e", "Ã¨%X%", ValueType::ExpandString)},
        {"Player", text("r", "Ã¨\r\nÃ¬")},
        {"CittÃ \\A.HTM", text("Ã©", "â‚¬")}},
       true},
      {"characters windows-1252 lacks",
       {{"Łódź\\A.HTM", text("1NOME", "Достоевский «€» 😀")},
        {"Łódź\\A.HTM", text("Ω", "riga\r\nДва")},
        {"Player", text("e", "%Ж%", ValueType::ExpandString)},
        {"Player", text("m", std::string("ä\0ć\0\0😀", 11), ValueType::MultiString)},
        {"Player", text("Brano", "Titolo letto male: Ã¨ cosÃ¬")}},
       false},
      {"bytes that are no UTF-8", {{"citt\xE0", text("Path", "/libri/citt\xE0/\xFF")}}, false},
      {"CR, LF and NUL in names and texts",
       {
           {"Player", text("a\rb", "x")},
           {"Player", text("c\nd", "riga\r\nnuova")},
           {"Player", text(std::string("e\0f", 3), std::string("g\0h", 3))},
           {"Player", text("C:\\new\\r", "\\n \\0")},
           {"riga\nnuova\\\r", text("", "radice")},
           {std::string("x\0", 2) + "\\\n\\n", text("\r", "")},
       },
       true},
      {"CR, LF and NUL with characters windows-1252 lacks",
       {{"Ω\r\n", text("Ω\n", "Ω\r\n")}, {"Ω\r\n\\\n", text(std::string("\0", 1), "")}},
       false},
      {"every value type",
       {{"Tipi", text("s", "")},
        {"Tipi", text("e", "", ValueType::ExpandString)},
        {"Tipi", text("m", "", ValueType::MultiString)},
        {"Tipi", text("b", "", ValueType::Binary)},
        {"Tipi", text("b2", std::string("\0\xFF\r\n", 4), ValueType::Binary)},
        {"Tipi", dword("d", 0xFFFFFFFFu)},
        {"Tipi", odd(0, std::string("\0", 1))},
        {"Tipi", odd(5, "\x01\x02\x03\x04")},
        {"Tipi", odd(11, "12345678")},
        {"Tipi", odd(65533, "\xFE")}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    user().deleteKey(kTree);
    for (const auto& [key, value] : c.values) user().setValue(kTree + "\\" + key, value);
    const std::string before = dump(user(), kTree);
    ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, kTree, file().string(), true, false));
    const std::string exported = readBytes(file());
    EXPECT_EQ(exported.starts_with("REGEDIT4\r\n\r\n"), c.windows1252);
    EXPECT_EQ(exported.starts_with(utf16le(u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n")), !c.windows1252);

    user().deleteKey(kTree);
    ImportResult result = ImportRegFile(file().string(), KeyScope{HKEY_CURRENT_USER, kTree});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(dump(user(), kTree), before);
    // Exported again: the same bytes.
    ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, kTree, file("again.reg").string(), true, false));
    EXPECT_EQ(readBytes(file("again.reg")), exported);
  }
}

// Files a reader brings from Windows: REGEDIT4 saved as UTF-8 with its mark,
// and the player's tree as Windows' registry editor saves it (UTF-16LE,
// version 5). Both import with the same rules: only the player's tree, and
// nothing at all when a line cannot be read.
TEST_F(RegFileTest, FilesSavedOnWindowsWithAByteOrderMarkAreImported) {
  const std::string player = kTree + "\\Player";
  user().setValue(player, text("Volume", "10"));
  user().setValue("Software\\Other", text("keep", "1"));
  const std::string utf8 =
      "\xEF\xBB\xBFREGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\" +
      kTree +
      "\\Player]\r\n"
      "\"Brano\"=\"è così €\"\r\n"
      "\"e\"=hex(2):c3,a8,00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"keep\"=\"2\"\r\n";
  writeBytes(file("bom.reg"), utf8);
  ImportResult result = ImportRegFile(file("bom.reg").string(), KeyScope{HKEY_CURRENT_USER, kTree});
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(user().value(player, "Brano")->data, "è così €");
  EXPECT_EQ(user().value(player, "e")->data, "è");
  EXPECT_EQ(result.skipped, std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Other"});

  const std::u16string version5 =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\QEN MediaPlayer\\Città]\r\n"
      u"\"1NOME\"=\"Достоевский «€» 😀\"\r\n"
      u"\"e\"=hex(2):25,00,16,04,25,00,00,00\r\n"
      u"\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      u"\"d\"=dword:0000002a\r\n"
      u"\"b\"=hex:01,02\r\n\r\n"
      u"[HKEY_CURRENT_USER\\Software\\Other]\r\n\"keep\"=\"3\"\r\n";
  writeBytes(file("v5.reg"), utf16le(version5));
  result = ImportRegFile(file("v5.reg").string(), KeyScope{HKEY_CURRENT_USER, kTree});
  ASSERT_TRUE(result.ok) << result.error;
  const std::string page = kTree + "\\Città";
  EXPECT_EQ(user().value(page, "1NOME")->data, "Достоевский «€» 😀");
  EXPECT_EQ(user().value(page, "e")->data, "%Ж%");
  EXPECT_EQ(user().value(page, "m")->data, std::string("a\0b", 3));
  EXPECT_EQ(user().value(page, "d")->dword, 42u);
  EXPECT_EQ(user().value(page, "b")->data, "\x01\x02");
  EXPECT_EQ(user().value("Software\\Other", "keep")->data, "1");
  EXPECT_EQ(result.skipped, std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Other"});

  // A line it cannot read: nothing of the file is kept.
  const std::string before = dump(user(), kTree);
  writeBytes(file("bad.reg"), utf16le(version5 + u"\"x\"=hex:0G\r\n"));
  result = ImportRegFile(file("bad.reg").string(), KeyScope{HKEY_CURRENT_USER, kTree});
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("riga 12"), std::string::npos) << result.error;
  // Under the mark FF FE only the version 5 header is a header.
  writeBytes(file("bad.reg"), utf16le(u"\uFEFFREGEDIT4\r\n\r\n"));
  EXPECT_FALSE(ImportRegFile(file("bad.reg").string(), KeyScope{HKEY_CURRENT_USER, kTree}).ok);
  EXPECT_EQ(dump(user(), kTree), before);
}

TEST_F(RegFileTest, TheImporterTakesEveryLineFormAndStaysInsideItsScope) {
  user().setValue(kTree + "\\Gone", text("x", "1"));
  user().setValue(kTree + "\\Player", text("Old", "1"));
  user().setValue(kTree + "\\Player", text("Keep", "1"));
  user().setValue("Software\\Lumo\\Finder", text("Path", "/usr/lib/lumo"));
  const std::string file1252 =
      "\r\nREGEDIT4\r\n"
      "; a comment\r\n"
      "\r\n"
      "[hkey_current_user\\Software\\VB and VBA Program Settings\\QEN MediaPlayer\\Player]\r\n"
      "\"Volume\"=\"80\"\r\n"
      "  \"Old\"=-\r\n"
      "@=\"predefinito\"\r\n"
      "\"Quote \\\"q\\\" \\\\\" = \"C:\\\\Libri\\\\Citt\xE0\"\n"  // a lone LF, blanks around "="
      "\"Num\"=dword:0000002A\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "  03,04\r\n"
      "\"Exp\"=hex(2):25,41,25,00\r\n"
      "\"Multi\"=hex(7):61,00,62,00,00\r\n"
      "\"Dw\"=hex(4):10,00,00,00\r\n"
      "\r\n"
      "[-HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\QEN MediaPlayer\\Gone]\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Lumo\\Finder]\r\n"
      "\"Path\"=\"/tmp/evil\"\r\n"
      "[-HKEY_CURRENT_USER\\Software]\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\VB and VBA Program Settings\\QEN MediaPlayer]\r\n"
      "\"x\"=\"1\"\r\n";
  writeBytes(file("hand.reg"), file1252);
  ImportResult result = ImportRegFile(file("hand.reg").string(), KeyScope{HKEY_CURRENT_USER, kTree});
  ASSERT_TRUE(result.ok) << result.error;

  const std::string player = kTree + "\\Player";
  EXPECT_EQ(user().value(player, "Volume")->data, "80");
  EXPECT_FALSE(user().value(player, "Old"));
  EXPECT_EQ(user().value(player, "Keep")->data, "1");
  EXPECT_EQ(user().value(player, "")->data, "predefinito");
  EXPECT_EQ(user().value(player, "Quote \"q\" \\")->data, "C:\\Libri\\Città");
  EXPECT_EQ(user().value(player, "Num")->dword, 42u);
  EXPECT_EQ(user().value(player, "Bin")->data, "\x01\x02\x03\x04");
  EXPECT_EQ(user().value(player, "Bin")->type, ValueType::Binary);
  EXPECT_EQ(user().value(player, "Exp")->data, "%A%");
  EXPECT_EQ(user().value(player, "Exp")->type, ValueType::ExpandString);
  EXPECT_EQ(user().value(player, "Multi")->data, std::string("a\0b", 3));
  EXPECT_EQ(user().value(player, "Dw")->type, ValueType::Dword);
  EXPECT_EQ(user().value(player, "Dw")->dword, 16u);
  EXPECT_FALSE(user().keyExists(kTree + "\\Gone"));
  // Nothing outside the player's tree changed, and each such key is named.
  EXPECT_EQ(user().value("Software\\Lumo\\Finder", "Path")->data, "/usr/lib/lumo");
  EXPECT_EQ(result.skipped,
            (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Lumo\\Finder", "-HKEY_CURRENT_USER\\Software",
                                      "HKEY_LOCAL_MACHINE\\Software\\VB and VBA Program Settings\\QEN MediaPlayer"}));
}

TEST_F(RegFileTest, AFileThatCannotBeReadWholeChangesNothing) {
  fillPlayerTree(user());
  const std::string before = dump(user(), kTree);
  const std::string good = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kTree + "\\Player]\r\n\"Volume\"=\"1\"\r\n";
  struct Case {
    const char* what;
    std::optional<std::string> content;  // nullopt: no such file
    std::string error;                   // part of the reason given
  };
  const Case cases[] = {
      {"missing file", std::nullopt, "non si può leggere"},
      {"empty file", "", "REGEDIT4"},
      {"version 5 without its UTF-16 mark", "Windows Registry Editor Version 5.00\r\n", "REGEDIT4"},
      {"a line of nonsense", good + "Volume=2\r\n", "riga 5"},
      {"a value of no known type", good + "\"a\"=2\r\n", "riga 5"},
      {"an unclosed quote", good + "\"a\"=\"x\r\n", "riga 5"},
      {"a bad hex byte", good + "\"a\"=hex:0G\r\n", "riga 5"},
      {"a continuation at the end", good + "\"a\"=hex:01,\\\r\n", "riga 5"},
      {"a dword too long", good + "\"a\"=dword:123456789\r\n", "riga 5"},
      {"an unknown root", good + "[HKEY_NOWHERE\\x]\r\n", "riga 5"},
      {"an empty key name", good + "[HKEY_CURRENT_USER\\a\\\\b]\r\n", "riga 5"},
      {"a value before any key", "REGEDIT4\r\n\"a\"=\"1\"\r\n", "riga 2"},
      {"a hex(4) of three bytes", good + "\"a\"=hex(4):01,02,03\r\n", "riga 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(file("bad.reg"));
    if (c.content) writeBytes(file("bad.reg"), *c.content);
    ImportResult result = ImportRegFile(file("bad.reg").string(), KeyScope{HKEY_CURRENT_USER, kTree});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    EXPECT_EQ(dump(user(), kTree), before);
  }
  fs::create_directory(dir_ / "folder.reg");
  EXPECT_FALSE(ImportRegFile((dir_ / "folder.reg").string(), KeyScope{HKEY_CURRENT_USER, kTree}).ok);
  EXPECT_EQ(dump(user(), kTree), before);
}

TEST_F(RegFileTest, AnExportReadsOneStateOfTheStore) {
  user().setValue("K", text("v", "old"));
  // Another program's connection to the same database.
  Store other(hiveDatabaseFile(Hive::CurrentUser));
  std::vector<std::string> seen;
  user().snapshot([&] {
    seen.push_back(user().value("K", "v")->data);
    other.setValue("K", text("v", "new"));
    other.setValue("K", text("w", "new"));
    seen.push_back(user().value("K", "v")->data);
    seen.push_back(std::to_string(user().values("K").size()));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"old", "old", "1"}));
  EXPECT_EQ(user().value("K", "v")->data, "new");
}

// An import into a store on a full disk changes nothing and says why in the
// words the suite's other writers use. The import runs in this test
// program again, inside a private mount namespace where the store's folder
// is full.
TEST_F(RegFileTest, AnImportOnAFullDiskSaysDiscoPieno) {
  if (const char* config = std::getenv("LUMO_TEST_FULL_DISK_CONFIG")) {
    lumo::testsupport::ScopedEnv inside("XDG_CONFIG_HOME", config);
    const ImportResult result =
        ImportRegFile((fs::path(config) / ".." / "in.reg").string(), KeyScope{HKEY_CURRENT_USER, kTree});
    EXPECT_FALSE(result.ok);
    std::ofstream(fs::path(config) / ".." / "error.txt") << result.error;
    return;
  }
  if (lumo::testsupport::privateMountsCommand().empty())
    GTEST_SKIP() << "needs a private mount namespace (unshare -m as root, unshare -rm otherwise) for a full disk";
  user().setValue(kTree + "\\Player", text("Volume", "10"));
  const std::string before = dump(user(), kTree);
  writeBytes(dir_ / "in.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kTree + "\\Player]\r\n\"Volume\"=\"" +
                                  std::string(20000, 'x') + "\"\r\n");
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const std::string script = lumo::testsupport::nearlyFullFolder(config_ / "lumo", 0) +
                             "LUMO_TEST_FULL_DISK_CONFIG=" + lumo::testsupport::shellQuoted(config_.string()) + " " +
                             lumo::testsupport::shellQuoted(self) +
                             " --gtest_filter=RegFileTest.AnImportOnAFullDiskSaysDiscoPieno >/dev/null 2>&1\n";
  EXPECT_EQ(lumo::testsupport::runWithPrivateMounts(script), 0);
  const std::string error = readBytes(dir_ / "error.txt");
  EXPECT_NE(error.find("le impostazioni non si possono scrivere (Errore di accesso al percorso/file: " +
                       (config_ / "lumo" / "registry.sqlite").string() + " (disco pieno))"),
            std::string::npos)
      << error;
  EXPECT_EQ(dump(user(), kTree), before);
}

}  // namespace
}  // namespace lumo::registry
