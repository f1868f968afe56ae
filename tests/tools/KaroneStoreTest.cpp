// karone-store run as an operator runs it: the built executable, real files.
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "schedule/DataFile.h"
#include "schedule/DataStore.h"
#include "tests/support/TempDir.h"
#include "tools/karone_store/StoreTool.h"

namespace karone {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;
using Json = nlohmann::ordered_json;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

class KaroneStoreTest : public ::testing::Test {
 protected:
  // Runs the tool with TZ=UTC0 and the program's data folder in the temp dir.
  ToolRun run(const std::string& args, const std::string& stdinFile = "") {
    std::string command = "TZ=UTC0 XDG_DATA_HOME=" + dir_.file("xdg") + " " KARONE_STORE_EXE " " +
                          args + " >" + dir_.file("out") + " 2>" + dir_.file("err");
    if (!stdinFile.empty()) command += " <" + stdinFile;
    int rc = std::system(command.c_str());
    ToolRun r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = readFile(dir_.file("out"));
    r.err = readFile(dir_.file("err"));
    return r;
  }

  // A file written by the store itself, with texts in every form.
  std::string storeFile() {
    std::string path = dir_.file("store.zrd");
    DataStore store(path);
    ProfileInfo a;
    a.name = "本社";
    a.address = "127.0.0.1";
    a.userId = "camera";
    a.password = "秘密\xF0\x9F\x94\x91";  // written in the UTF-16 form
    a.uploadDirectory = "/live";
    a.port = 2121;
    a.passiveMode = 1;
    a.bufferClipCount = 20;
    a.keepBuffers = 1;
    a.dialupEntry = "ISP";
    a.dialupUser = "dial";
    a.dialupPassword = std::string(300, 'x');
    a.useDialup = 1;
    store.addProfile(a);
    ProfileInfo b;
    b.name = "B";
    store.addProfile(b);
    b.name = "C";
    store.addProfile(b);
    ScheduleInfo s;
    s.name = "毎朝";
    s.ftpProfileName = "本社";
    s.captureMode = CaptureStill;
    s.period = PeriodDaily;
    s.videoSource = 9;
    s.videoSize = 1;
    s.updatePeriod = 3600;
    s.start = 1765152000;  // 2025-12-08 00:00:00 UTC
    s.end = -1;
    store.addSchedule(s);
    EXPECT_TRUE(store.save().ok);
    return path;
  }

  TempDir dir_;
};

TEST_F(KaroneStoreTest, ImportOfADumpWithPasswordsGivesBackTheSameBytes) {
  std::string original = storeFile();
  ToolRun dump = run("dump " + original + " --show-passwords");
  ASSERT_EQ(dump.status, 0) << dump.err;
  writeFile(dir_.file("full.json"), dump.out);
  ToolRun import = run("import " + dir_.file("full.json") + " " + dir_.file("copy.zrd"));
  ASSERT_EQ(import.status, 0) << import.err;
  EXPECT_EQ(readFile(dir_.file("copy.zrd")), readFile(original));

  // The same through standard input.
  ToolRun piped = run("import - " + dir_.file("piped.zrd"), dir_.file("full.json"));
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(readFile(dir_.file("piped.zrd")), readFile(original));
}

TEST_F(KaroneStoreTest, DumpPrintsRecordsInStoreOrderAndHidesPasswords) {
  ToolRun dump = run("dump " + storeFile());
  ASSERT_EQ(dump.status, 0) << dump.err;
  Json json = Json::parse(dump.out);
  ASSERT_EQ(json["profiles"].size(), 3u);
  const Json& a = json["profiles"][0];
  std::vector<std::string> keys;
  for (const auto& item : a.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"name", "address", "userId", "password",
                                            "uploadDirectory", "port", "bufferClipCount",
                                            "keepBuffers", "dialupEntry", "dialupUser",
                                            "dialupPassword", "useDialup", "passiveMode"}));
  EXPECT_EQ(a["name"], "本社");
  EXPECT_EQ(a["password"], "***");
  EXPECT_EQ(a["dialupPassword"], "***");
  EXPECT_EQ(a["port"], 2121);
  EXPECT_EQ(dump.out.find("秘密"), std::string::npos);
  EXPECT_EQ(json["profiles"][2]["name"], "C");

  ASSERT_EQ(json["schedules"].size(), 1u);
  const Json& s = json["schedules"][0];
  EXPECT_EQ(s["name"], "毎朝");
  EXPECT_EQ(s["start"], 1765152000);
  EXPECT_EQ(s["startLocal"], "2025-12-08T00:00:00+00:00");
  EXPECT_EQ(s["end"], -1);
  EXPECT_EQ(s["endLocal"], "1969-12-31T23:59:59+00:00");
  EXPECT_EQ(s["videoSource"], 9);

  // A hidden password is refused, not stored as "***".
  writeFile(dir_.file("hidden.json"), dump.out);
  ToolRun import = run("import " + dir_.file("hidden.json") + " " + dir_.file("x.zrd"));
  EXPECT_EQ(import.status, 1);
  EXPECT_NE(import.err.find("profiles[0].password"), std::string::npos) << import.err;
  EXPECT_FALSE(testing::fileExists(dir_.file("x.zrd")));
}

TEST_F(KaroneStoreTest, CheckNamesTheErrorAndItsOffset) {
  std::string good = storeFile();
  ToolRun clean = run("check " + good);
  EXPECT_EQ(clean.status, 0);
  EXPECT_NE(clean.out.find("3 profiles, 1 schedules"), std::string::npos) << clean.out;

  std::string bytes = readFile(good);
  writeFile(dir_.file("cut.zrd"), bytes.substr(0, bytes.size() - 3));
  ToolRun cut = run("check " + dir_.file("cut.zrd"));
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.err.find("end of file at byte offset " + std::to_string(bytes.size() - 4)),
            std::string::npos)
      << cut.err;
  EXPECT_EQ(std::count(cut.err.begin(), cut.err.end(), '\n'), 1);

  writeFile(dir_.file("class.zrd"), std::string("\x01\x00\xFF\xFF\x02\x00\x03\x00" "CXY", 11));
  ToolRun badClass = run("check " + dir_.file("class.zrd"));
  EXPECT_EQ(badClass.status, 1);
  EXPECT_NE(badClass.err.find("bad class at byte offset 2"), std::string::npos) << badClass.err;

  // A damaged file is not dumped either, and nothing is changed by reading it.
  ToolRun dump = run("dump " + dir_.file("cut.zrd"));
  EXPECT_EQ(dump.status, 1);
  EXPECT_TRUE(dump.out.empty());
  EXPECT_EQ(readFile(dir_.file("cut.zrd")), bytes.substr(0, bytes.size() - 3));

  ToolRun missing = run("check " + dir_.file("nothing.zrd"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothing.zrd"), std::string::npos);
}

TEST_F(KaroneStoreTest, FileDefaultsToTheProgramsDataFile) {
  writeFile(dir_.file("empty.json"), R"({"profiles": [], "schedules": []})");
  ::mkdir(dir_.file("xdg").c_str(), 0700);
  ToolRun import = run("import " + dir_.file("empty.json"));
  ASSERT_EQ(import.status, 0) << import.err;
  EXPECT_EQ(readFile(dir_.file("xdg") + "/Brenko/Tamblor/EncData.zrd"), std::string(4, '\0'));
  EXPECT_EQ(run("check").status, 0);
  ToolRun dump = run("dump");
  EXPECT_EQ(dump.status, 0);
  EXPECT_EQ(Json::parse(dump.out), Json::parse(R"({"profiles": [], "schedules": []})"));
}

TEST_F(KaroneStoreTest, UsageErrorsExitWithTwoInOneLine) {
  for (const char* args : {"", "frob", "'fr\nob'", "dump --bogus", "dump '--bo\ngus'", "dump a b",
                           "check a b", "import", "import a b c", "import --show-passwords a",
                           "add-schedule --name x", "delete-schedule", "next a b"}) {
    SCOPED_TRACE(args);
    ToolRun r = run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  ToolRun help = run("help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("import JSON [FILE]"), std::string::npos);
  // Every subcommand has its help, wherever --help stands.
  for (const char* args : {"dump --help", "import -h", "check x --help", "next --help",
                           "add-schedule --name x --help", "delete-schedule --help",
                           "delete-invalid --help"}) {
    SCOPED_TRACE(args);
    ToolRun r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string command = std::string(args).substr(0, std::string(args).find(' '));
    EXPECT_EQ(r.out.rfind("usage: karone-store " + command + " ", 0), 0u) << r.out;
    EXPECT_TRUE(r.err.empty());
  }
}

// Reading commands leave the disk as it was: no folder for a missing data
// file, no copy of a damaged one.
TEST_F(KaroneStoreTest, ReadingCommandsWriteNothing) {
  for (const char* args : {"dump", "check", "next"}) {
    EXPECT_EQ(run(args).status, 1) << args;
    EXPECT_FALSE(testing::fileExists(dir_.file("xdg"))) << args;
  }
  std::string damaged = readFile(storeFile());
  damaged.resize(damaged.size() - 5);
  writeFile(dir_.file("damaged.zrd"), damaged);
  for (const char* command : {"dump ", "check ", "next "}) {
    EXPECT_EQ(run(command + dir_.file("damaged.zrd")).status, 1) << command;
  }
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"damaged.zrd", "err", "out", "store.zrd"}));
}

// Import applies the rules the program's own dialogs apply, and writes only
// what reads back.
TEST_F(KaroneStoreTest, ImportAppliesTheRulesOfStoredRecords) {
  const Json valid = Json::parse(R"({
    "profiles": [{"name": "A", "address": "h", "userId": "u", "password": "p",
                  "uploadDirectory": "", "port": 21, "bufferClipCount": 10, "keepBuffers": 0,
                  "dialupEntry": "", "dialupUser": "", "dialupPassword": "", "useDialup": 0,
                  "passiveMode": 1},
                 {"name": "B", "address": "h", "userId": "u", "password": "p",
                  "uploadDirectory": "", "port": 21, "bufferClipCount": 10, "keepBuffers": 0,
                  "dialupEntry": "", "dialupUser": "", "dialupPassword": "", "useDialup": 0,
                  "passiveMode": 1}],
    "schedules": [{"captureMode": 0, "period": 1, "videoSource": -1, "videoSize": 2,
                   "updatePeriod": 0, "start": 0, "end": 60, "name": "S",
                   "ftpProfileName": "A"},
                  {"captureMode": 0, "period": 1, "videoSource": -1, "videoSize": 2,
                   "updatePeriod": 0, "start": 100, "end": 160, "name": "T",
                   "ftpProfileName": "B"}]})");
  writeFile(dir_.file("valid.json"), valid.dump());
  ASSERT_EQ(run("import " + dir_.file("valid.json") + " " + dir_.file("valid.zrd")).status, 0);
  const std::string stored = readFile(dir_.file("valid.zrd"));
  struct Row {
    const char* pointer;
    Json value;
    std::string message;
  };
  const Row rows[] = {
      {"/profiles/1/name", "A", "profiles[1].name \"A\" is already the name of profiles[0]"},
      {"/profiles/1/name", " \t ", "profiles[1].name is empty"},
      {"/profiles/0/name", "", "profiles[0].name is empty"},
      {"/schedules/1/name", "S", "schedules[1].name \"S\" is already the name of schedules[0]"},
      {"/schedules/0/name", "", "schedules[0].name is empty"},
      {"/schedules/1/ftpProfileName", "Z", "schedules[1].ftpProfileName \"Z\" names no profile"},
      {"/profiles/0/password", "SECRETPW1\r\nMKD injected",
       "profiles[0].password holds a carriage return (CR)"},
      {"/profiles/1/userId", "u\nMKD x", "profiles[1].userId holds a line feed (LF)"},
      {"/profiles/0/address", "h\r", "profiles[0].address holds a carriage return (CR)"},
      {"/profiles/0/uploadDirectory", "/a\nb", "profiles[0].uploadDirectory holds a line feed"},
      {"/profiles/0/dialupPassword", std::string("SECRETPW1\0", 10),
       "profiles[0].dialupPassword holds a NUL character"},
      {"/schedules/0/name", "S\nS", "schedules[0].name holds a line feed (LF)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.pointer) + " = " + row.value.dump());
    Json input = valid;
    input[Json::json_pointer(row.pointer)] = row.value;
    writeFile(dir_.file("in.json"), input.dump());
    ToolRun r = run("import " + dir_.file("in.json") + " " + dir_.file("valid.zrd"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.find("SECRETPW1"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir_.file("valid.zrd")), stored);
  }
}

// A syntax error says where, never what is around it: it may be a password.
TEST_F(KaroneStoreTest, JsonSyntaxErrorGivesLineAndColumnOnly) {
  writeFile(dir_.file("in.json"), "{\"profiles\": [\n  {\"password\": \"SECRETPW1\t");
  ToolRun r = run("import " + dir_.file("in.json") + " " + dir_.file("x.zrd"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not valid JSON at line 2, column 26"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("SECRET"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_FALSE(testing::fileExists(dir_.file("x.zrd")));
}

// What the reader could not read back is never written: a data file larger
// than the program reads (an address of half that size with one character
// code page 932 cannot hold doubles in the UTF-16 form; here, for speed, an
// address just too long). In process: a JSON text of that size takes long
// to parse in a debug build.
TEST_F(KaroneStoreTest, WritingRefusesWhatTheReaderCouldNotReadBack) {
  ProfileInfo p;
  p.name = "A";
  p.address = std::string(kMaxDataFileSize, 'a');
  int exitCode = 0;
  const std::string path = dir_.file("big.zrd");
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(store::saveDataFile(path, {p}, {}, exitCode));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(err.find("more than the 67108864 a data file may hold"), std::string::npos) << err;
  EXPECT_FALSE(testing::fileExists(path));
  p.address.resize(100);
  EXPECT_TRUE(store::saveDataFile(path, {p}, {}, exitCode));
  EXPECT_EQ(DataFile::read(readFile(path)).profiles, std::vector<ProfileInfo>{p});
}

TEST_F(KaroneStoreTest, ImportValidatesEveryField) {
  const Json valid = Json::parse(R"({
    "profiles": [{"name": "A", "address": "h", "userId": "u", "password": "p",
                  "uploadDirectory": "", "port": 21, "bufferClipCount": 10, "keepBuffers": 0,
                  "dialupEntry": "", "dialupUser": "", "dialupPassword": "", "useDialup": 0,
                  "passiveMode": 1}],
    "schedules": [{"captureMode": 0, "period": 1, "videoSource": -1, "videoSize": 2,
                   "updatePeriod": 0, "start": 0, "end": 60, "name": "S",
                   "ftpProfileName": "A", "startLocal": "ignored"}]})");
  writeFile(dir_.file("valid.json"), valid.dump());
  ASSERT_EQ(run("import " + dir_.file("valid.json") + " " + dir_.file("valid.zrd")).status, 0);

  struct Row {
    const char* pointer;  // JSON pointer of the value to replace
    Json value;
    const char* message;  // part of the expected message
  };
  const Row rows[] = {
      {"/profiles/0/port", 0, "profiles[0].port must be from 1 to 65535"},
      {"/profiles/0/port", 65536, "from 1 to 65535"},
      {"/profiles/0/port", "21", "profiles[0].port must be an integer"},
      {"/profiles/0/port", 21.5, "must be an integer"},
      {"/profiles/0/passiveMode", 2, "profiles[0].passiveMode must be from 0 to 1"},
      {"/profiles/0/keepBuffers", -1, "keepBuffers must be from 0 to 1"},
      {"/profiles/0/bufferClipCount", 0, "profiles[0].bufferClipCount must be from 2 to 100"},
      {"/profiles/0/bufferClipCount", 101, "bufferClipCount must be from 2 to 100"},
      {"/profiles/0/useDialup", true, "useDialup must be an integer"},
      {"/profiles/0/name", 5, "profiles[0].name must be a string"},
      {"/profiles/0/dialupPassword", "***", "profiles[0].dialupPassword is \"***\""},
      {"/profiles/0/extra", 1, "profiles[0].extra is not a known field"},
      {"/schedules/0/period", 3, "schedules[0].period must be from 0 to 2"},
      {"/schedules/0/captureMode", 2, "captureMode must be from 0 to 1"},
      {"/schedules/0/videoSize", 3, "videoSize must be from 0 to 2"},
      {"/schedules/0/start", 2147483648LL, "schedules[0].start must be from -2147483648 to 2147483647"},
      {"/schedules/0/end", -2147483649LL, "schedules[0].end must be from"},
      {"/schedules/0/end", 18446744073709551615ULL, "schedules[0].end must be from"},
      {"/schedules/0", Json::array(), "schedules[0] must be an object"},
      {"/profiles", Json::object(), "the top level must be an object"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.pointer) + " = " + row.value.dump());
    Json input = valid;
    input[Json::json_pointer(row.pointer)] = row.value;
    writeFile(dir_.file("in.json"), input.dump());
    ToolRun r = run("import " + dir_.file("in.json") + " " + dir_.file("valid.zrd"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    // Nothing written: the earlier file is untouched.
    EXPECT_EQ(DataFile::read(readFile(dir_.file("valid.zrd"))).profiles.at(0).password, "p");
  }

  Json missing = valid;
  missing["schedules"][0].erase("ftpProfileName");
  writeFile(dir_.file("in.json"), missing.dump());
  ToolRun r = run("import " + dir_.file("in.json") + " " + dir_.file("valid.zrd"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("schedules[0].ftpProfileName is missing"), std::string::npos) << r.err;

  writeFile(dir_.file("in.json"), "{\"profiles\": [");
  r = run("import " + dir_.file("in.json") + " " + dir_.file("valid.zrd"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not valid JSON"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace karone
