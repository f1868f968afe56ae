#include "schedule/DataStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "resources/Texts.h"
#include "tests/support/TempDir.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::TempDir;

ProfileInfo profile(const std::string& name, const std::string& address = "ftp") {
  ProfileInfo p;
  p.name = name;
  p.address = address;
  return p;
}

ScheduleInfo schedule(const std::string& name, const std::string& profileName = "P") {
  ScheduleInfo s;
  s.name = name;
  s.ftpProfileName = profileName;
  return s;
}

std::vector<std::string> profileNames(const DataStore& store) {
  std::vector<std::string> names;
  for (const auto& p : store.profiles()) names.push_back(p.name + "@" + p.address);
  return names;
}

std::vector<std::string> files(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class DataStoreTest : public ::testing::Test {
 protected:
  DataStoreTest() : tz_("TZ", "UTC0"), clock_(1765152000 + 3723) {}  // 2025-12-08 01:02:03 UTC
  std::string path() const { return dir_.file("EncData.zrd"); }
  DataStore store() { return DataStore(path(), &prompter_, clock_); }

  TempDir dir_;
  testing::ScopedEnv tz_;
  FakeClock clock_;
  RecordingPrompter prompter_;
};

TEST_F(DataStoreTest, ProfileOperationsActOnTheFirstMatchAndModifyMovesToTheEnd) {
  DataStore s = store();
  s.addProfile(profile("A", "1"));
  s.addProfile(profile("B", "2"));
  s.addProfile(profile("A", "3"));  // duplicates are stored
  s.addProfile(profile("C", "4"));
  EXPECT_EQ(s.profileCount(), 4);

  ProfileInfo out;
  ASSERT_TRUE(s.findProfile("A", out));
  EXPECT_EQ(out.address, "1");
  EXPECT_FALSE(s.findProfile("a", out));  // exact bytes
  EXPECT_FALSE(s.findProfile("A ", out));
  EXPECT_TRUE(s.profileExists("C"));
  EXPECT_FALSE(s.profileExists(""));
  ASSERT_TRUE(s.getProfile(3, out));
  EXPECT_EQ(out.name, "C");
  EXPECT_FALSE(s.getProfile(4, out));
  EXPECT_FALSE(s.getProfile(-1, out));

  EXPECT_TRUE(s.modifyProfile("B", profile("B2", "5")));
  EXPECT_EQ(profileNames(s), (std::vector<std::string>{"A@1", "A@3", "C@4", "B2@5"}));
  EXPECT_EQ(s.profileNames(), (std::vector<std::string>{"A", "A", "C", "B2"}));
  EXPECT_FALSE(s.modifyProfile("B", profile("X")));  // gone: nothing changes
  EXPECT_EQ(profileNames(s), (std::vector<std::string>{"A@1", "A@3", "C@4", "B2@5"}));

  EXPECT_TRUE(s.deleteProfile("A"));  // the first "A" only
  EXPECT_EQ(profileNames(s), (std::vector<std::string>{"A@3", "C@4", "B2@5"}));
  ASSERT_TRUE(s.findProfile("A", out));
  EXPECT_EQ(out.address, "3");
  EXPECT_FALSE(s.deleteProfile("Z"));

  // Copies only: changing what a caller got changes nothing in the store.
  out.address = "changed";
  ASSERT_TRUE(s.findProfile("A", out));
  EXPECT_EQ(out.address, "3");
}

TEST_F(DataStoreTest, ScheduleOperationsAndProfileUse) {
  DataStore s = store();
  s.addSchedule(schedule("S1", "P1"));
  s.addSchedule(schedule("S2", "P2"));
  s.addSchedule(schedule("S3", "P1"));
  EXPECT_TRUE(s.isProfileUsedBySchedule("P1"));
  EXPECT_FALSE(s.isProfileUsedBySchedule("P3"));

  EXPECT_TRUE(s.modifySchedule("S1", schedule("S1", "P3")));
  ScheduleInfo out;
  ASSERT_TRUE(s.getSchedule(2, out));
  EXPECT_EQ(out.name, "S1");
  EXPECT_EQ(out.ftpProfileName, "P3");
  EXPECT_FALSE(s.modifySchedule("nope", schedule("X")));
  EXPECT_EQ(s.scheduleCount(), 3);
  EXPECT_TRUE(s.scheduleExists("S2"));
  EXPECT_TRUE(s.findSchedule("S3", out));
  EXPECT_TRUE(s.deleteSchedule("S3"));
  EXPECT_FALSE(s.isProfileUsedBySchedule("P1"));

  s.deleteAllSchedules();
  EXPECT_EQ(s.scheduleCount(), 0);
  EXPECT_FALSE(s.getSchedule(0, out));
}

TEST_F(DataStoreTest, EnsureFileExistsWritesEmptyListsOnlyWhenMissing) {
  DataStore s = store();
  ASSERT_TRUE(s.ensureFileExists());
  EXPECT_EQ(readFile(path()), std::string(4, '\0'));
  struct stat st {};
  ASSERT_EQ(::stat(path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  testing::writeFile(path(), DataFile::write({profile("A")}, {}));
  ASSERT_TRUE(s.ensureFileExists());
  EXPECT_EQ(readFile(path()), DataFile::write({profile("A")}, {}));
}

// Every change is on disk at once, not only at exit.
TEST_F(DataStoreTest, EveryChangeIsSavedOnceBound) {
  DataStore s = store();
  s.addProfile(profile("early"));
  EXPECT_FALSE(fileExists(path()));  // not bound before load: nothing written

  ASSERT_TRUE(s.ensureFileExists());
  ASSERT_TRUE(s.load().ok());
  EXPECT_TRUE(s.isBound());
  auto onDisk = [&] { return DataFile::read(readFile(path())); };

  s.addProfile(profile("A"));
  EXPECT_EQ(onDisk().profiles.size(), 2u);
  s.addSchedule(schedule("S"));
  EXPECT_EQ(onDisk().schedules.size(), 1u);
  s.modifyProfile("A", profile("A", "new"));
  EXPECT_EQ(onDisk().profiles.back().address, "new");
  s.modifySchedule("S", schedule("S", "Q"));
  EXPECT_EQ(onDisk().schedules.back().ftpProfileName, "Q");
  s.deleteProfile("early");
  EXPECT_EQ(onDisk().profiles.size(), 1u);
  s.addSchedule(schedule("T"));
  s.deleteSchedule("T");
  EXPECT_EQ(onDisk().schedules.size(), 1u);
  s.deleteAllSchedules();
  EXPECT_EQ(onDisk().schedules.size(), 0u);

  // A second store sees everything without the first one saving at exit.
  DataStore again = store();
  again.load();
  EXPECT_EQ(profileNames(again), (std::vector<std::string>{"A@new"}));
  EXPECT_TRUE(prompter_.prompts().empty());
}

// At teardown only a store that was read goes back to its file: one that
// never loaded would replace the operator's profiles with nothing.
TEST_F(DataStoreTest, SaveIfBoundLeavesTheFileOfAStoreNeverRead) {
  testing::writeFile(path(), DataFile::write({profile("keep me")}, {}));
  DataStore s = store();
  EXPECT_FALSE(s.saveIfBound());
  EXPECT_EQ(DataFile::read(readFile(path())).profiles.size(), 1u);
  ASSERT_TRUE(s.load().ok());
  EXPECT_TRUE(s.saveIfBound());
  EXPECT_EQ(DataFile::read(readFile(path())).profiles.size(), 1u);
}

// The file is replaced, never truncated and rewritten in place: a reader of
// the old file still sees it whole, and no temporary file is left behind.
TEST_F(DataStoreTest, SaveReplacesTheFileAtomicallyWithMode0600) {
  DataStore s = store();
  s.addProfile(profile("A"));
  ASSERT_TRUE(s.save().ok);
  std::string before = readFile(path());
  ::chmod(path().c_str(), 0644);
  int old = ::open(path().c_str(), O_RDONLY);
  ASSERT_GE(old, 0);

  s.addProfile(profile("B", std::string(5000, 'x')));  // bound by the save
  char buffer[8192];
  ssize_t n = ::pread(old, buffer, sizeof buffer, 0);
  ::close(old);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), before);
  EXPECT_EQ(DataFile::read(readFile(path())).profiles.size(), 2u);
  struct stat st {};
  ASSERT_EQ(::stat(path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(files(dir_), (std::vector<std::string>{"EncData.zrd"}));
}

TEST_F(DataStoreTest, JapaneseAndUnencodableTextsSurviveSaveAndLoad) {
  DataStore s = store();
  ProfileInfo p = profile("本社サーバー", "ｆｔｐ.example");
  p.password = "パス\xF0\x9F\x94\x91";  // an emoji is kept through the UTF-16 form
  p.uploadDirectory = "/live/カメラ1";
  s.addProfile(p);
  ScheduleInfo sch = schedule("朝の中継", p.name);
  sch.start = -100;
  sch.end = 2147483647;
  s.addSchedule(sch);
  ASSERT_TRUE(s.save().ok);
  DataStore again = store();
  ASSERT_TRUE(again.load().ok());
  EXPECT_EQ(again.profiles(), std::vector<ProfileInfo>{p});
  EXPECT_EQ(again.schedules(), std::vector<ScheduleInfo>{sch});
}

TEST_F(DataStoreTest, LoadAppendsToWhatIsInMemory) {
  testing::writeFile(path(), DataFile::write({profile("F")}, {schedule("FS")}));
  DataStore s = store();
  s.addProfile(profile("M"));
  ASSERT_TRUE(s.load().ok());
  EXPECT_EQ(profileNames(s), (std::vector<std::string>{"M@ftp", "F@ftp"}));
  EXPECT_EQ(s.scheduleCount(), 1);
}

std::vector<std::string> damagedCopies(const TempDir& dir) {
  std::vector<std::string> out;
  for (const auto& name : files(dir)) {
    if (name.find(".damaged-") != std::string::npos) out.push_back(name);
  }
  return out;
}

// A damaged file: what was read before the fault is kept, the operator is
// told which error at which offset, and the damaged bytes are kept beside the
// file just before something overwrites it, never by reading alone and never
// twice for the same bytes.
TEST_F(DataStoreTest, DamagedFileIsReportedAndKeptBeforeItIsOverwritten) {
  std::string whole = DataFile::write({profile("A"), profile("B")}, {schedule("S")});
  // Cut 10 bytes into profile B.
  std::string damaged = whole.substr(0, DataFile::write({profile("A")}, {}).size() - 2 + 10);
  testing::writeFile(path(), damaged);

  DataStore s = store();
  auto result = s.load();
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.error, DataFileError::EndOfFile);
  EXPECT_EQ(profileNames(s), (std::vector<std::string>{"A@ftp"}));
  const std::string copy = path() + ".damaged-20251208-010203";
  EXPECT_EQ(result.keptAs, copy);
  EXPECT_TRUE(result.copyPending);

  auto prompts = prompter_.prompts();
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].text,
            formatText(Text::DataFileDamaged, path().c_str(), text(Text::DataFileErrorEndOfFile),
                       static_cast<unsigned long long>(result.offset), copy.c_str()));
  EXPECT_EQ(prompts[0].caption, text(Text::DataFileCaption));
  EXPECT_EQ(prompts[0].icon, PromptIcon::Warning);

  // Reading writes nothing, however often.
  for (int i = 0; i < 3; ++i) store().load();
  EXPECT_TRUE(damagedCopies(dir_).empty());
  EXPECT_EQ(readFile(path()), damaged);

  // The first change keeps the damaged bytes, then rewrites a clean file.
  s.addProfile(profile("C"));
  EXPECT_EQ(readFile(copy), damaged);
  EXPECT_TRUE(DataFile::read(readFile(path())).ok());
  s.addProfile(profile("D"));
  EXPECT_EQ(damagedCopies(dir_), (std::vector<std::string>{"EncData.zrd.damaged-20251208-010203"}));

  // The same damage again: the copy that holds these bytes is named, none is made.
  testing::writeFile(path(), damaged);
  DataStore t = store();
  auto again = t.load();
  EXPECT_EQ(again.keptAs, copy);
  EXPECT_FALSE(again.copyPending);
  t.addProfile(profile("E"));
  EXPECT_EQ(damagedCopies(dir_).size(), 1u);

  // Other damage in the same second does not overwrite the first copy.
  testing::writeFile(path(), "\x01");
  DataStore u = store();
  EXPECT_EQ(u.load().keptAs, copy + "-2");
  u.addProfile(profile("F"));
  EXPECT_EQ(readFile(copy + "-2"), "\x01");
  EXPECT_EQ(readFile(copy), damaged);
}

TEST_F(DataStoreTest, EveryReadingErrorIsNamedToTheOperator) {
  struct Row {
    std::string bytes;
    Text name;
  };
  using namespace std::string_literals;
  for (const Row& row : {Row{"\x01\x00\xFF\xFF\x02\x00\x04\x00"s "CFoo", Text::DataFileErrorBadClass},
                         Row{"\x01\x00\xFF\xFF\x07\x00\x0C\x00"s "CFTPInfoItem", Text::DataFileErrorBadSchema},
                         Row{"\x01\x00\x01\x80"s, Text::DataFileErrorBadIndex}}) {
    prompter_.clear();
    testing::writeFile(path(), row.bytes);
    DataStore s = store();
    s.load();
    auto prompts = prompter_.prompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_NE(prompts[0].text.find(text(row.name)), std::string::npos) << prompts[0].text;
    EXPECT_NE(prompts[0].text.find("(オフセット 2)"), std::string::npos) << prompts[0].text;
  }
}

TEST_F(DataStoreTest, DamagedFileThatCannotBeCopiedIsNotOverwrittenByChanges) {
  testing::writeFile(path(), "\x01");
  // Every name a copy could take is a directory, so the copy cannot be made.
  const std::string base = path() + ".damaged-20251208-010203";
  ASSERT_EQ(::mkdir(base.c_str(), 0700), 0);
  for (int n = 2; n < 100; ++n) {
    ASSERT_EQ(::mkdir((base + "-" + std::to_string(n)).c_str(), 0700), 0);
  }
  DataStore s = store();
  auto result = s.load();
  EXPECT_EQ(result.error, DataFileError::EndOfFile);
  ASSERT_EQ(prompter_.prompts().size(), 1u);
  s.addProfile(profile("A"));
  s.addProfile(profile("B"));
  EXPECT_FALSE(s.save().ok);
  EXPECT_EQ(readFile(path()), "\x01");
  ASSERT_EQ(prompter_.prompts().size(), 2u) << "told once";
  EXPECT_EQ(prompter_.prompts()[1].text.rfind(
                formatText(Text::DataFileDamagedNotKept, path().c_str(), "", "").substr(0, 20), 0),
            0u);
  EXPECT_EQ(s.profileCount(), 2);  // nothing lost in memory
}

// A file that cannot be read at all is moved aside before the first save
// replaces it (reading alone moves nothing); the store starts empty.
TEST_F(DataStoreTest, UnreadableFileIsMovedAsideAndTheStoreStartsEmpty) {
  int fd = ::open(path().c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, off_t{65} * 1024 * 1024), 0);  // sparse: beyond any real data file
  ::close(fd);
  DataStore s = store();
  auto result = s.load();
  EXPECT_FALSE(result.ok());
  EXPECT_FALSE(result.fileRead);
  const std::string aside = path() + ".damaged-20251208-010203";
  EXPECT_EQ(result.keptAs, aside);
  EXPECT_FALSE(fileExists(aside));
  ASSERT_EQ(prompter_.prompts().size(), 1u);
  EXPECT_EQ(prompter_.prompts()[0].text, formatText(Text::DataFileUnreadable, path().c_str(),
                                                    result.ioError.c_str(), aside.c_str()));
  EXPECT_EQ(s.profileCount(), 0);
  s.addProfile(profile("A"));
  EXPECT_EQ(std::filesystem::file_size(aside), 65u * 1024 * 1024);
  EXPECT_EQ(DataFile::read(readFile(path())).profiles.size(), 1u);
}

TEST_F(DataStoreTest, DirectoryAtThePathIsReportedAndNeverBound) {
  ASSERT_EQ(::mkdir(path().c_str(), 0700), 0);
  DataStore s = store();
  EXPECT_FALSE(s.ensureFileExists());
  auto result = s.load();
  EXPECT_FALSE(result.ok());
  EXPECT_FALSE(result.ioError.empty());
  EXPECT_FALSE(s.isBound());
  ASSERT_EQ(prompter_.prompts().size(), 1u);
  EXPECT_EQ(prompter_.prompts()[0].text,
            formatText(Text::DataFileUnreadableNotKept, path().c_str(), result.ioError.c_str()));
  s.addProfile(profile("A"));  // stays in memory, no save attempted
  EXPECT_TRUE(s.lastSave().ok);
  EXPECT_TRUE(std::filesystem::is_directory(path()));
}

TEST_F(DataStoreTest, FailingAutomaticSaveIsReportedOnce) {
  std::string folder = dir_.file("gone");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  DataStore s(folder + "/EncData.zrd", &prompter_, clock_);
  ASSERT_TRUE(s.load().ok());  // missing file: empty and bound
  // A file where the folder was: the folder cannot be made again.
  ASSERT_EQ(::rmdir(folder.c_str()), 0);
  testing::writeFile(folder, "");
  s.addProfile(profile("A"));
  s.addProfile(profile("B"));
  EXPECT_FALSE(s.lastSave().ok);
  ASSERT_EQ(prompter_.prompts().size(), 1u);
  EXPECT_EQ(prompter_.prompts()[0].text.rfind(formatText(Text::DataFileSaveFailed,
                                                         s.path().c_str(), "").c_str(), 0),
            0u);
  EXPECT_EQ(s.profileCount(), 2);  // nothing lost in memory
}

TEST(DataStoreDefaultPath, IsTheDataFolderFileWhichOnlyWritingMakes) {
  testing::ScopedProgramDirs dirs;
  EXPECT_EQ(DataStore::defaultPath(), dirs.root().file("data") + "/Brenko/Tamblor/EncData.zrd");
  DataStore store;
  EXPECT_EQ(store.path(), DataStore::defaultPath());
  EXPECT_TRUE(store.load().ok());
  EXPECT_FALSE(fileExists(dirs.root().file("data"))) << "reading makes no folder";
  EXPECT_TRUE(store.ensureFileExists());
  EXPECT_EQ(readFile(store.path()), std::string(4, '\0'));
}

// What a save writes, a load can read: a store too big for the reader is
// not saved (the file keeps what it had).
TEST_F(DataStoreTest, NothingIsSavedThatCouldNotBeReadBack) {
  DataStore s = store();
  ASSERT_TRUE(s.load().ok());
  s.addProfile(profile("A"));
  s.addProfile(profile("B", std::string(kMaxDataFileSize, 'x')));
  EXPECT_FALSE(s.lastSave().ok);
  EXPECT_NE(s.lastSave().error.find("more than"), std::string::npos) << s.lastSave().error;
  EXPECT_EQ(DataFile::read(readFile(path())).profiles.size(), 1u);
}

}  // namespace
}  // namespace karone
