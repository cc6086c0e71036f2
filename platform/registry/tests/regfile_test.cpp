// REGEDIT4 export and import: the text the writer produces, byte for byte;
// the enumerators; the importer on files written by hand; an export read
// back into the store.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/text/text.h"
#include "platform/registry/regfile.h"
#include "platform/registry/registry.h"
#include "platform/registry/tests/test_env.h"

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

TEST_F(RegFileTest, NamesAndTextsWindows1252LacksMakeTheFileUtf8AndReadBack) {
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
  EXPECT_NE(bytes.find("[HKEY_CURRENT_USER\\" + page + "]\r\n\"1\"=\"30\"\r\n\"1NOME\"=\"Достоевский «€»\"\r\n"),
            std::string::npos);
  EXPECT_NE(bytes.find("\"e\"=hex(2):25,D0,96,25,00\r\n"), std::string::npos);

  user().deleteKey(kTree);
  ImportResult result = ImportRegFile(file().string(), KeyScope{HKEY_CURRENT_USER, kTree});
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(dump(user(), kTree), before);

  // Appended blocks keep the encoding the file already has.
  writeBytes(file("old.reg"), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Citt\xE0]\r\n\r\n");
  ASSERT_TRUE(ExportRegistryKey(HKEY_CURRENT_USER, page, file("old.reg").string(), false, true));
  EXPECT_NE(readBytes(file("old.reg")).find("\"1NOME\"=\"??????????? \xAB\x80\xBB\"\r\n"), std::string::npos);
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
      {"another format", "Windows Registry Editor Version 5.00\r\n", "REGEDIT4"},
      {"a line of nonsense", good + "Volume=2\r\n", "riga 5"},
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

}  // namespace
}  // namespace lumo::registry
