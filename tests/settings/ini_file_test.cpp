// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file on disk: no caching between objects, defaults, value forms, and that no
// write ever loses or damages what the file held.
#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "settings/file_replace.h"
#include "settings/write_notice.h"
#include "support/scratch_folder.h"

namespace zm::settings {
namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;

class IniFileTest : public ::testing::Test {
protected:
    fs::path File() const { return dir_ / "ZM.ini"; }

    static void Put(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    zm::testing::ScratchFolder dir_{"zm-ini"};
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndReadsCreateNothing) {
    IniFile ini(File());
    EXPECT_EQ(ini.ReadString("HL965", "DMI2", "none"), "none");
    EXPECT_FALSE(ini.ReadFlag("HL", "AN"));
    EXPECT_EQ(ini.ReadInteger("TJMax", "CII", 10), 10);
    EXPECT_EQ(ini.ReadHexAddress("HL965", "DMI4", 7), 0u);  // "0x0" alone is 0
    EXPECT_FALSE(fs::exists(File()));
}

TEST_F(IniFileTest, FirstWriteCreatesTheFileAndOtherObjectsSeeWritesAtOnce) {
    IniFile main(File());
    IniFile monitor(File());
    EXPECT_TRUE(main.WriteFlag("HL", "AN", true));
    EXPECT_TRUE(fs::exists(File()));
    EXPECT_TRUE(monitor.ReadFlag("HL", "AN"));
    EXPECT_TRUE(monitor.WriteInteger("TJMax", "CII", 4));
    EXPECT_EQ(main.ReadInteger("TJMax", "CII", 10), 4);
    EXPECT_TRUE(main.WriteFlag("HL", "AN", false));
    EXPECT_FALSE(monitor.ReadFlag("HL", "AN"));
    EXPECT_EQ(Get(File()), "[HL]\nAN=0\n[TJMax]\nCII=4\n");
}

TEST_F(IniFileTest, OnlyTheTextOneIsASetFlag) {
    Put(File(), "[HL]\nA=1\nB= 1 \nC=0\nD=true\nE=yes\nF=\nG=11\nH=\"1\"\n");
    IniFile ini(File());
    for (const char* key : {"A", "B", "H"}) EXPECT_TRUE(ini.ReadFlag("HL", key)) << key;
    for (const char* key : {"C", "D", "E", "F", "G", "missing"}) {
        EXPECT_FALSE(ini.ReadFlag("HL", key)) << key;
    }
}

TEST_F(IniFileTest, IntegersFallBackWhenTheyDoNotParse) {
    Put(File(), "[FormState]\nFormLeft=-20\nFormTop=abc\nWidthSize=\nGFSize=0x10\n");
    IniFile ini(File());
    EXPECT_EQ(ini.ReadInteger("FormState", "FormLeft", 392), -20);
    EXPECT_EQ(ini.ReadInteger("FormState", "FormTop", 62), 62);
    EXPECT_EQ(ini.ReadInteger("FormState", "WidthSize", 520), 520);
    EXPECT_EQ(ini.ReadInteger("FormState", "GFSize", 4000), 16);
    EXPECT_EQ(ini.ReadInteger("FormState", "Missing", 4000), 4000);
}

TEST_F(IniFileTest, HexAddressesAreEightUpperCaseDigits) {
    IniFile ini(File());
    ASSERT_TRUE(ini.WriteHexAddress("HL965", "DMI5", 0xF0450));
    ASSERT_TRUE(ini.WriteHexAddress("HL965", "DMI4", 0x1B111100));
    EXPECT_EQ(Get(File()), "[HL965]\nDMI5=000F0450\nDMI4=1B111100\n");
    EXPECT_EQ(ini.ReadHexAddress("HL965", "DMI5"), 0xF0450u);
    EXPECT_EQ(ini.ReadHexAddress("HL965", "DMI4"), 0x1B111100u);
    ASSERT_TRUE(ini.WriteString("HL965", "DMI3", "not hex"));
    EXPECT_EQ(ini.ReadHexAddress("HL965", "DMI3", 0xABCD), 0xABCDu);
}

TEST_F(IniFileTest, AWriteKeepsEverythingElseByteForByte) {
    const std::string before =
        "; Zentrimo settings\r\n[HL]\r\nAN=1\r\nST=0\r\n\r\n[HLK10]\r\n1A=3\r\n1B=4\r\n";
    Put(File(), before);
    IniFile ini(File());
    ASSERT_TRUE(ini.WriteFlag("HL", "ST", true));
    ASSERT_TRUE(ini.WriteFlag("HL", "STM", true));
    EXPECT_EQ(Get(File()),
              "; Zentrimo settings\r\n[HL]\r\nAN=1\r\nST=1\r\nSTM=1\r\n\r\n[HLK10]\r\n1A=3\r\n"
              "1B=4\r\n");
}

// Files no editor would write: each reads with defaults where it holds nothing readable, and a
// write adds the new line without dropping or changing a single byte of the old content.
TEST_F(IniFileTest, MalformedFilesAreNeverMadeWorse) {
    std::mt19937 random(1234);
    std::string junk(4096, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    const std::string longLine(1 << 20, 'x');
    const std::vector<std::pair<const char*, std::string>> files = {
        {"binary junk", junk},
        {"NUL bytes", "[HL]\0\nAN\0=1\n\0\0\0"s},
        {"very long line", "[HL]\n" + longLine + "=" + longLine + "\nST=1\n"},
        {"no final line end", "[HL]\nST=1"},
        {"CR LF", "[HL]\r\nST=1\r\n"},
        {"lone CRs", "[HL]\rAN=1\rST=1\r"},
        {"only a section line", "[HL]"},
    };
    for (const auto& [name, content] : files) {
        Put(File(), content);
        IniFile ini(File());
        EXPECT_FALSE(ini.ReadFlag("HL", "AN")) << name;
        EXPECT_EQ(ini.ReadInteger("TJMax", "CII", 10), 10) << name;

        ASSERT_TRUE(ini.WriteFlag("HL", "AN", true)) << name;
        const std::string after = Get(File());
        EXPECT_TRUE(ini.ReadFlag("HL", "AN")) << name;
        // The old content is the new one less one inserted piece.
        std::size_t prefix = 0;
        while (prefix < content.size() && content[prefix] == after[prefix]) ++prefix;
        std::size_t suffix = 0;
        while (suffix < content.size() - prefix &&
               content[content.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
            ++suffix;
        }
        EXPECT_EQ(prefix + suffix, content.size()) << name;
        EXPECT_LE(after.size() - content.size(), std::string("\r\n[HL]\r\nAN=1\r\n").size())
            << name;
    }
}

TEST_F(IniFileTest, RefusedValuesLeaveTheFileAlone) {
    Put(File(), "[HL965]\nDMI2=Dell\n");
    IniFile ini(File());
    EXPECT_FALSE(ini.WriteString("HL965", "DMI2", "Evil\n[HL]\nAN=1"));
    EXPECT_EQ(Get(File()), "[HL965]\nDMI2=Dell\n");
    EXPECT_FALSE(ini.ReadFlag("HL", "AN"));
}

// Tests run as root, which ignores permission bits, so "cannot write" is made in ways that stop
// root too: a folder that does not exist, a folder path that is a file, a file path that is a
// folder, and a file-size limit that makes the temporary file's write fail half-way (what a full
// disk does).
TEST_F(IniFileTest, WriteIntoAMissingFolderFailsAndCreatesNothing) {
    IniFile ini(dir_ / "no-such-folder" / "ZM.ini");
    EXPECT_FALSE(ini.WriteFlag("HL", "AN", true));
    EXPECT_FALSE(fs::exists(dir_ / "no-such-folder"));
    EXPECT_TRUE(Entries().empty());
}

TEST_F(IniFileTest, WriteWhereTheFolderIsAFileFails) {
    Put(dir_ / "folder", "I am a file\n");
    IniFile ini(dir_ / "folder" / "ZM.ini");
    EXPECT_FALSE(ini.WriteFlag("HL", "AN", true));
    EXPECT_EQ(Get(dir_ / "folder"), "I am a file\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"folder"});
}

TEST_F(IniFileTest, APathThatIsAFolderIsNeitherReadNorReplaced) {
    fs::create_directory(File());
    Put(File() / "inside", "kept");
    IniFile ini(File());
    EXPECT_EQ(ini.ReadInteger("TJMax", "CII", 10), 10);
    EXPECT_FALSE(ini.WriteInteger("TJMax", "CII", 3));
    EXPECT_TRUE(fs::is_directory(File()));
    EXPECT_EQ(Get(File() / "inside"), "kept");
    EXPECT_EQ(Entries(), std::vector<std::string>{"ZM.ini"});
}

TEST_F(IniFileTest, AFileLargerThanAnySettingsFileIsNeitherReadNorReplaced) {
    Put(File(), "[TJMax]\nCII=3\n");
    fs::resize_file(File(), kLargestSettingsFile + 1);
    IniFile ini(File());
    EXPECT_EQ(ini.ReadInteger("TJMax", "CII", 10), 10);
    EXPECT_FALSE(ini.WriteInteger("TJMax", "CII", 4));
    EXPECT_EQ(fs::file_size(File()), kLargestSettingsFile + 1);
}

TEST_F(IniFileTest, AWriteCutShortLeavesTheOldFileWhole) {
    const std::string before = "[HL]\nAN=1\n[HLK10]\n" + std::string(4000, ';') + "\n";
    Put(File(), before);
    // In a child process, so that the limit cannot touch anything else the test runner writes.
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1000;  // the new content is about 4 KiB
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        IniFile ini(File());
        const bool written = ini.WriteFlag("HL", "ST", true);
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write claimed success, 2: no limit could be set";
    EXPECT_EQ(Get(File()), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{"ZM.ini"});  // no temporary file left

    IniFile ini(File());  // without the limit the same write goes through
    EXPECT_TRUE(ini.WriteFlag("HL", "ST", true));
    EXPECT_TRUE(ini.ReadFlag("HL", "ST"));
    EXPECT_TRUE(ini.ReadFlag("HL", "AN"));
}

// A settings file kept elsewhere through a link (dotfiles in a repository): the file it names is
// replaced, in its own folder, and the link stays a link.
TEST_F(IniFileTest, AWriteThroughASymbolicLinkReplacesTheFileItNames) {
    fs::create_directory(dir_ / "dotfiles");
    Put(dir_ / "dotfiles" / "ZM.ini", "[HL]\nST=1\n");
    fs::permissions(dir_ / "dotfiles" / "ZM.ini", fs::perms(0640));
    fs::create_symlink("dotfiles/ZM.ini", File());
    ASSERT_TRUE(IniFile(File()).WriteFlag("HL", "AN", true));
    EXPECT_TRUE(fs::is_symlink(File()));
    EXPECT_EQ(Get(dir_ / "dotfiles" / "ZM.ini"), "[HL]\nST=1\nAN=1\n");
    EXPECT_EQ(fs::status(dir_ / "dotfiles" / "ZM.ini").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::directory_iterator(dir_ / "dotfiles")->path().filename(), "ZM.ini");
}

#ifndef _WIN32
// Run as root (the boot service), a link a user made must not lead the write to a system file.
TEST_F(IniFileTest, RootDoesNotFollowALinkAnotherUserOwns) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    Put(dir_ / "system-file", "keep\n");
    fs::create_symlink(dir_ / "system-file", File());
    ASSERT_EQ(::lchown(File().c_str(), 1000, 1000), 0);
    EXPECT_FALSE(IniFile(File()).WriteFlag("HL", "AN", true));
    EXPECT_EQ(Get(dir_ / "system-file"), "keep\n");
}

// Acting as a user's file owner, root gets exactly that user's rights: a file in a root-owned
// folder it can read (and a root file readable by nobody else) stay as they are, while the
// user's own folder takes a new file that is the user's from the start.
TEST_F(IniFileTest, AsTheFileOwnerRootWritesOnlyWhereTheOwnerMay) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    constexpr unsigned kUser = 65534;
    fs::create_directory(dir_ / "user");
    ASSERT_EQ(::chown((dir_ / "user").c_str(), kUser, kUser), 0);
    Put(dir_ / "readable.ini", "[HL]\nAN=1\n");
    Put(dir_ / "private.ini", "[HL]\nAN=1\n");
    fs::permissions(dir_ / "private.ini", fs::perms(0640));

    ActOnSettingsFilesAs(FileOwner{kUser, kUser});
    const bool readable = IniFile(dir_ / "readable.ini").ReadFlag("HL", "AN");
    const bool secret = IniFile(dir_ / "private.ini").ReadFlag("HL", "AN");
    const bool wroteReadable = IniFile(dir_ / "readable.ini").WriteFlag("HL", "ANRUN", true);
    const bool wrotePrivate = IniFile(dir_ / "private.ini").WriteFlag("HL", "ANRUN", true);
    const bool wroteOwn = IniFile(dir_ / "user" / "ZM.ini").WriteFlag("HL", "ANRUN", true);
    ActOnSettingsFilesAs(std::nullopt);

    EXPECT_TRUE(readable);
    EXPECT_FALSE(secret);
    EXPECT_FALSE(wroteReadable);
    EXPECT_FALSE(wrotePrivate);
    EXPECT_TRUE(wroteOwn);
    EXPECT_EQ(Get(dir_ / "readable.ini"), "[HL]\nAN=1\n");
    EXPECT_EQ(Get(dir_ / "private.ini"), "[HL]\nAN=1\n");
    struct stat own {};
    ASSERT_EQ(::stat((dir_ / "user" / "ZM.ini").c_str(), &own), 0);
    EXPECT_EQ(own.st_uid, kUser);
    EXPECT_EQ(Entries().size(), 3u) << "no temporary file left beside the root files";
    // Root's own rights are back.
    EXPECT_TRUE(IniFile(dir_ / "private.ini").WriteFlag("HL", "ANRUN", true));
}
#endif

// Root may write any file, so the mode bits themselves must stop the write; and the user hears
// of it once, not at every key.
TEST_F(IniFileTest, AReadOnlyFileIsLeftAloneAndReportedOnce) {
    Put(File(), "[HL]\nAN=1\n");
    fs::permissions(File(), fs::perms(0444));
    std::vector<WriteProblem> problems;
    SetWriteProblemHandler([&](const WriteProblem& p) { problems.push_back(p); });
    IniFile ini(File());
    EXPECT_FALSE(ini.WriteFlag("HL", "AN", false));
    EXPECT_FALSE(ini.WriteInteger("TJMax", "CII", 3));
    SetWriteProblemHandler(nullptr);
    EXPECT_EQ(Get(File()), "[HL]\nAN=1\n");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(problems[0].readOnly);
    EXPECT_NE(DescribeWriteProblem(problems[0]).find("read-only"), std::string::npos);
}

TEST_F(IniFileTest, AFailedWriteIsReportedWithTheFileAndTheReason) {
    std::vector<WriteProblem> problems;
    SetWriteProblemHandler([&](const WriteProblem& p) { problems.push_back(p); });
    const fs::path file = dir_ / "no-such-folder" / "ZM.ini";
    EXPECT_FALSE(IniFile(file).WriteFlag("HL", "AN", true));
    SetWriteProblemHandler(nullptr);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_FALSE(problems[0].readOnly);
    EXPECT_EQ(problems[0].path, file.string());
    EXPECT_EQ(problems[0].reason, std::strerror(ENOENT));
}

// The default folder under the user's configuration folder is made by the first write; no
// other missing folder is.
TEST_F(IniFileTest, OnlyTheDefaultFolderIsCreatedByTheFirstWrite) {
    const fs::path folder = dir_ / "config" / "zentrimo";
    AllowFolderCreation(folder);
    EXPECT_FALSE(IniFile(dir_ / "other" / "ZM.ini").WriteFlag("HL", "AN", true));
    EXPECT_TRUE(IniFile(folder / "ZM.ini").WriteFlag("HL", "AN", true));
    AllowFolderCreation({});
    EXPECT_EQ(Get(folder / "ZM.ini"), "[HL]\nAN=1\n");
    EXPECT_FALSE(fs::exists(dir_ / "other"));
}

}  // namespace
}  // namespace zm::settings
