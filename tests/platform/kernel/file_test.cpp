// file_test.cpp - files, folders and attributes on a mapped drive: path rules, read-only,
// sharing within and across processes.
#include <windows.h>

#include <sys/wait.h>
#include <unistd.h>

#include "drive_fixture.h"

namespace winhost::testing {
namespace {

using ::testing::ElementsAre;

class FileTest : public DriveC {
 protected:
  HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  // Writes TEXT to a new or truncated file through the API.
  void Create(const std::string& path, std::string_view text) {
    HANDLE h = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path << ": " << ErrorName(GetLastError());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    ASSERT_TRUE(CloseHandle(h));
  }
};

// ---- path rules ---------------------------------------------------------------

struct PathCase {
  const char* path;
  const char* host;  // relative to the drive; nullptr when the path is refused
  DWORD error;
};

const PathCase PathCases[] = {
    {R"(c:\program files\qelt\readme.txt)", "Program Files/Qelt/ReadMe.TXT", 0},
    {R"(C:/Program Files/Qelt/ReadMe.TXT)", "Program Files/Qelt/ReadMe.TXT", 0},
    {R"(C:\Program Files\\Qelt/\README.txt)", "Program Files/Qelt/ReadMe.TXT", 0},
    {R"(C:\Program Files\Qelt\..\QELT\.\readme.txt)", "Program Files/Qelt/ReadMe.TXT", 0},
    {R"(C:\..\..\Program Files\Qelt\readme.txt)", "Program Files/Qelt/ReadMe.TXT", 0},
    {R"(C:\Program Files. \Qelt  \readme.txt. .)", "Program Files/Qelt/ReadMe.TXT", 0},
    {R"(C:\Program Files\Qelt\New File.Txt)", "Program Files/Qelt/New File.Txt", 0},
    {R"(c:\PROGRAM FILES\New\Sub\x.y)", "Program Files/New/Sub/x.y", 0},
    {R"(C:\Program Files\Qelt\ leading)", "Program Files/Qelt/ leading", 0},
    {R"(C:\nul_x\console\com0\lpt10)", "nul_x/console/com0/lpt10", 0},
    {R"(C:\)", "", 0},
    {R"(C:\a<b)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\a>b)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\a:b)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\a"b)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\a|b)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\a?b)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\a*b)", nullptr, ERROR_INVALID_NAME},
    {"C:\\a\x01" "b", nullptr, ERROR_INVALID_NAME},
    {"C:\\tab\there", nullptr, ERROR_INVALID_NAME},
    {R"(C:\nul)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\Program Files\CON.txt)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\aux .log)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\Com1)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\lpt9.)", nullptr, ERROR_INVALID_NAME},
    {R"(C:\prn\file)", nullptr, ERROR_INVALID_NAME},
    {R"(D:\x)", nullptr, ERROR_PATH_NOT_FOUND},
    {R"(relative\x)", nullptr, ERROR_PATH_NOT_FOUND},
    {R"(C:x)", nullptr, ERROR_PATH_NOT_FOUND},
    {"", nullptr, ERROR_PATH_NOT_FOUND},
};

TEST_F(FileTest, PathsMapByWindowsRules) {
  WriteHost("Program Files/Qelt/ReadMe.TXT", ToBytes("old"));
  for (const PathCase& c : PathCases) {
    ResolvedPath resolved = ResolvePath(c.path);
    EXPECT_EQ(resolved.error, c.error) << c.path;
    std::optional<std::filesystem::path> host = HostPath(c.path);
    if (!c.host) {
      EXPECT_FALSE(host) << c.path;
      continue;
    }
    ASSERT_TRUE(host) << c.path;
    EXPECT_EQ(std::filesystem::relative(*host, root_).lexically_normal(),
              std::filesystem::path(*c.host == 0 ? "." : c.host))
        << c.path;
  }
}

// A refused name never reaches the host: nothing is created for it, by any service.
TEST_F(FileTest, RefusedNamesCreateNothing) {
  ASSERT_EQ(GetFileAttributesA(R"(C:\)"), FILE_ATTRIBUTE_DIRECTORY);
  const char* refused[] = {R"(C:\nul)", R"(C:\Program Files\con.txt)", R"(C:\a?b)", R"(C:\lpt1\x)"};
  for (const char* path : refused) {
    EXPECT_EQ(Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE) << path;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << path;
    EXPECT_FALSE(CreateDirectoryA(path, nullptr)) << path;
    EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
  }
  EXPECT_THAT(Listing(), ElementsAre("Program Files/"));
}

TEST_F(FileTest, FreshDriveHasProgramFilesAndAnExistingOneIsLeftAlone) {
  EXPECT_EQ(GetFileAttributesA(R"(C:\Program Files)"), FILE_ATTRIBUTE_DIRECTORY);
  std::filesystem::path bare = base_ / "bare";
  std::filesystem::create_directory(bare);
  SetDriveRoot('E', bare);
  EXPECT_EQ(GetFileAttributesA(R"(E:\Program Files)"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(std::filesystem::is_empty(bare));
  EXPECT_THAT(MappedDrives(), ::testing::Contains('E'));
  SetDriveRoot('E', {});
  EXPECT_THAT(MappedDrives(), ::testing::Not(::testing::Contains('E')));
}

// The ANSI services take MAX_PATH characters with the terminating NUL: 259 at most.
TEST_F(FileTest, FilePathLengthLimit) {
  const std::string folder = "C:\\" + std::string(120, 'd');
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  for (size_t length : {258u, 259u, 260u, 300u}) {
    std::string path = folder + "\\" + std::string(length - folder.size() - 1, 'f');
    ASSERT_EQ(path.size(), length);
    HANDLE h = Open(path, GENERIC_WRITE, 0, CREATE_NEW);
    if (length < MAX_PATH) {
      ASSERT_NE(h, INVALID_HANDLE_VALUE) << length;
      CloseHandle(h);
      EXPECT_TRUE(DeleteFileA(path.c_str()));
    } else {
      EXPECT_EQ(h, INVALID_HANDLE_VALUE) << length;
      EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE) << length;
    }
  }
  EXPECT_EQ(Listing().size(), 2u);  // Program Files and the folder
}

// Creating a folder leaves room for an 8.3 name below it: 247 characters at most.
TEST_F(FileTest, DirectoryPathLengthLimit) {
  const std::string folder = "C:\\" + std::string(120, 'd');
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  for (size_t length : {246u, 247u, 248u, 249u}) {
    std::string path = folder + "\\" + std::string(length - folder.size() - 1, static_cast<char>('a' + length % 26));
    bool created = CreateDirectoryA(path.c_str(), nullptr);
    EXPECT_EQ(created, length < MaxDirectoryPath) << length;
    if (!created) EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE) << length;
  }
}

struct DirectoryCase {
  const char* path;
  BOOL created;
  DWORD error;
};

TEST_F(FileTest, CreateDirectoryMakesOnlyTheLastLevel) {
  MakeFolder("Program Files/Old");
  WriteHost("file.txt", ToBytes("x"));
  const DirectoryCase cases[] = {
      {R"(C:\Program Files\Qelt)", TRUE, 0},
      {R"(C:\Program Files\Qelt2\)", TRUE, 0},
      {R"(c:\program files\old)", FALSE, ERROR_ALREADY_EXISTS},
      {R"(C:\file.txt)", FALSE, ERROR_ALREADY_EXISTS},
      {R"(C:\Missing\Qelt)", FALSE, ERROR_PATH_NOT_FOUND},
      {R"(C:\file.txt\Qelt)", FALSE, ERROR_PATH_NOT_FOUND},
      {R"(D:\Qelt)", FALSE, ERROR_PATH_NOT_FOUND},
  };
  for (const DirectoryCase& c : cases) {
    SetLastError(0);
    EXPECT_EQ(CreateDirectoryA(c.path, nullptr), c.created) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
  EXPECT_THAT(Listing(), ElementsAre("Program Files/", "Program Files/Old/", "Program Files/Qelt/",
                                     "Program Files/Qelt2/", "file.txt"));
}

// ---- files and attributes -------------------------------------------------------

TEST_F(FileTest, CreateWriteAndAttributes) {
  Create(R"(C:\Program Files\Data.BIN)", "hello");
  EXPECT_EQ(ReadHost("Program Files/Data.BIN"), ToBytes("hello"));
  // An existing entry is found without regard to case, and truncated by CREATE_ALWAYS.
  Create(R"(c:\PROGRAM FILES\data.bin)", "hi");
  EXPECT_THAT(Listing(), ElementsAre("Program Files/", "Program Files/Data.BIN"));
  EXPECT_EQ(ReadHost("Program Files/Data.BIN"), ToBytes("hi"));

  EXPECT_EQ(GetFileAttributesA(R"(C:\Program Files\data.bin)"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesA(R"(C:\)"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA(R"(C:\Program Files\none)"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA(R"(C:\none\none)"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  // Writing through a handle opened for reading only is refused, and nothing is written.
  HANDLE h = Open(R"(C:\Program Files\data.bin)", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 7;
  EXPECT_FALSE(WriteFile(h, "xx", 2, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(ReadHost("Program Files/Data.BIN"), ToBytes("hi"));
}

// A full disk is the host's ENOSPC; /dev/full stands in for the disk.
TEST_F(FileTest, AFullDiskIsReportedAsSuch) {
  std::filesystem::create_directories(root_);
  std::filesystem::create_symlink("/dev/full", Host("full"));
  HANDLE h = Open(R"(C:\full)", GENERIC_WRITE, 0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 1;
  EXPECT_FALSE(WriteFile(h, "data", 4, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(written, 0u);
  CloseHandle(h);
  std::filesystem::remove(Host("full"));
}

struct DispositionCase {
  DWORD disposition;
  bool exists;
  bool opens;
  DWORD error;  // the last error after the call
};

TEST_F(FileTest, Dispositions) {
  const DispositionCase cases[] = {
      {CREATE_NEW, false, true, 0},           {CREATE_NEW, true, false, ERROR_FILE_EXISTS},
      {CREATE_ALWAYS, false, true, 0},        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND}, {OPEN_EXISTING, true, true, 0},
      {OPEN_ALWAYS, false, true, 0},          {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND}, {TRUNCATE_EXISTING, true, true, 0},
      {0, true, false, ERROR_INVALID_PARAMETER},
  };
  for (const DispositionCase& c : cases) {
    std::filesystem::remove(Host("f"));
    if (c.exists) WriteHost("f", ToBytes("old"));
    HANDLE h = Open(R"(C:\f)", GENERIC_READ | GENERIC_WRITE, 0, c.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << c.disposition << "/" << c.exists;
    EXPECT_EQ(GetLastError(), c.error) << c.disposition << "/" << c.exists;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    bool truncates = c.disposition == CREATE_ALWAYS || c.disposition == TRUNCATE_EXISTING;
    if (c.exists) EXPECT_EQ(ReadHost("f"), truncates ? Bytes() : ToBytes("old")) << c.disposition;
    else EXPECT_EQ(std::filesystem::exists(Host("f")), c.opens) << c.disposition;
  }
}

// Read-only is the host file's owner-write bit, and the layer enforces it itself.
TEST_F(FileTest, ReadOnlyFilesAreNotWrittenReplacedOrDeleted) {
  const char* path = R"(C:\Program Files\Locked.txt)";
  Create(path, "keep");
  ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_FALSE(OwnerWritable("Program Files/Locked.txt"));
  EXPECT_EQ(GetFileAttributesA(path), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  Create(R"(C:\other.txt)", "new");

  struct Refused {
    const char* what;
    std::function<bool()> attempt;
  };
  const Refused refused[] = {
      {"open for writing", [&] { return Open(path, GENERIC_WRITE, FILE_SHARE_READ) != INVALID_HANDLE_VALUE; }},
      {"create always", [&] { return Open(path, GENERIC_READ, FILE_SHARE_READ, CREATE_ALWAYS) != INVALID_HANDLE_VALUE; }},
      {"truncate", [&] { return Open(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING) != INVALID_HANDLE_VALUE; }},
      {"delete", [&] { return DeleteFileA(path) != FALSE; }},
      {"replace by rename", [&] { return MoveFile(R"(C:\other.txt)", path, true) != FALSE; }},
  };
  for (const Refused& r : refused) {
    EXPECT_FALSE(r.attempt()) << r.what;
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << r.what;
  }
  EXPECT_EQ(ReadHost("Program Files/Locked.txt"), ToBytes("keep"));

  // Reading is fine, and so is clearing the attribute, after which it is an ordinary file.
  HANDLE h = Open(path, GENERIC_READ, FILE_SHARE_READ);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(OwnerWritable("Program Files/Locked.txt"));
  EXPECT_TRUE(MoveFile(R"(C:\other.txt)", path, true));
  EXPECT_EQ(ReadHost("Program Files/Locked.txt"), ToBytes("new"));
  EXPECT_TRUE(DeleteFileA(path));
  EXPECT_THAT(Listing(), ElementsAre("Program Files/"));
}

// ---- sharing -------------------------------------------------------------------

constexpr DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE,
                SD = FILE_SHARE_DELETE;

struct ShareCase {
  DWORD firstAccess, firstShare, secondAccess, secondShare;
  bool secondOpens;
};

const ShareCase ShareCases[] = {
    {R, SR, R, SR, true},              {R, SR, W, SR | SW, false},      {R | W, SR | SW, R, SR, false},
    {R | W, SR | SW, R | W, SR | SW, true}, {R, 0, R, SR | SW | SD, false}, {W, SW, W, SW, true},
    {W, SW, R, SR | SW, false},        {0, 0, R | W, 0, true},          {R, SR | SW | SD, R | W, SR, true},
};

TEST_F(FileTest, SharingModesDecideASecondOpen) {
  Create(R"(C:\shared.txt)", "content");
  for (const ShareCase& c : ShareCases) {
    HANDLE first = Open(R"(C:\shared.txt)", c.firstAccess, c.firstShare);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    HANDLE second = Open(R"(C:\SHARED.TXT)", c.secondAccess, c.secondShare);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondOpens)
        << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess << "/" << c.secondShare;
    if (second == INVALID_HANDLE_VALUE) EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    else CloseHandle(second);
    CloseHandle(first);
  }
}

// A file in use is neither truncated, replaced nor deleted, unless every handle shares delete.
TEST_F(FileTest, FilesInUseAreNotTruncatedReplacedOrDeleted) {
  Create(R"(C:\inuse.txt)", "running");
  Create(R"(C:\new.txt)", "update");
  HANDLE holder = Open(R"(C:\inuse.txt)", R, SR);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(R"(C:\inuse.txt)", R | W, SR | SW, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileA(R"(C:\inuse.txt)"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(MoveFile(R"(C:\new.txt)", R"(C:\inuse.txt)", true));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ReadHost("inuse.txt"), ToBytes("running"));
  CloseHandle(holder);

  holder = Open(R"(C:\inuse.txt)", R, SR | SW | SD);
  EXPECT_TRUE(MoveFile(R"(C:\new.txt)", R"(C:\inuse.txt)", true));
  EXPECT_EQ(ReadHost("inuse.txt"), ToBytes("update"));
  EXPECT_TRUE(DeleteFileA(R"(C:\inuse.txt)"));
  CloseHandle(holder);
  EXPECT_THAT(Listing(), ElementsAre("Program Files/"));
}

// Another process's handle counts as much as one of our own.
TEST_F(FileTest, SharingHoldsAcrossProcesses) {
  Create(R"(C:\held.txt)", "held");
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HANDLE h = Open(R"(C:\held.txt)", R, SR);
    char byte = h != INVALID_HANDLE_VALUE ? 'y' : 'n';
    (void)!write(ready[1], &byte, 1);
    (void)!read(release[0], &byte, 1);
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');
  EXPECT_EQ(Open(R"(C:\held.txt)", W, SR | SW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileA(R"(C:\held.txt)"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  HANDLE reader = Open(R"(C:\held.txt)", R, SR);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);

  (void)!write(release[1], &byte, 1);
  int status = 0;
  waitpid(child, &status, 0);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
  EXPECT_TRUE(DeleteFileA(R"(C:\held.txt)"));
}

}  // namespace
}  // namespace winhost::testing
