// The plot file and the input files on Windows: the system's own error codes give the messages,
// the program's UTF-8 paths reach the system as UTF-16, and a target that another program holds
// is refused, never written into or half replaced.

#include <windows.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "import/line_reader.h"
#include "model/errors.h"
#include "platform/files.h"
#include "plotfile/plot_file.h"
#include "plotfile/save_command.h"
#include "test_support.h"

namespace plotaktar {
namespace {

using testing::CrLf;
using testing::PathFromUtf8;
using testing::ReadFile;
using testing::TempDir;
using testing::Utf8Path;
using testing::W;

namespace fs = std::filesystem;

std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(PathFromUtf8(dir))) {
        names.insert(Utf8Path(entry.path().filename()));
    }
    return names;
}

class WindowsFiles : public ::testing::Test {
  protected:
    WindowsFiles() {
        std::string geometry =
            dir.write("drawing.gplt",
                      CrLf({"tab 1 1 SINIR 7 0 1 0.25", "nir 12 4512345.67 512345.67 123.45 1"}));
        EXPECT_EQ(testing::Import(session, geometry, ""),
                  std::vector<std::string>{W("dosya açıldı")});
        fs::remove(PathFromUtf8(geometry));
    }

    // Saves the plot file: the error's message, or the empty text.
    std::string save(const std::string& path) {
        try {
            SavePlotFile(session.workspace, path);
        } catch (const FileError& e) {
            return e.message();
        }
        return {};
    }

    // Opens the file as another program would, sharing only what `share` allows.
    static HANDLE Hold(const std::string& path, DWORD share) {
        HANDLE held = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ, share, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(held, INVALID_HANDLE_VALUE) << path;
        return held;
    }

    TempDir dir;
    Session session;
    const std::string expected =
        CrLf({"TA SINIR -257 1 DUZ 1 0", "PN  && 512345.67 4512345.67 SINIR 123.45 0 N.12"});
};

TEST_F(WindowsFiles, ReadOnlyTargetsAndMissingFolders) {
    const std::string readOnly = dir.write("readonly.plt", "old");
    fs::permissions(PathFromUtf8(readOnly), fs::perms::all & ~fs::perms::owner_write &
                                                ~fs::perms::group_write & ~fs::perms::others_write);
    EXPECT_EQ(save(readOnly), "File access denied");
    EXPECT_EQ(save(dir.file("missing\\out.plt")), "Invalid filename");
    EXPECT_EQ(save(dir.file("missing/deeper/out.plt")), "Invalid filename");
    EXPECT_EQ(save(dir.file("bad<name>.plt")), "Invalid filename");
    EXPECT_EQ(ReadFile(readOnly), "old");
    EXPECT_EQ(Entries(Utf8Path(dir.path())), std::set<std::string>{"readonly.plt"});
}

// Windows opens its device names wherever they stand, whatever the extension: the plot file
// would go to the device and pass for saved.
TEST_F(WindowsFiles, DeviceNamesAreNoPlotFiles) {
    for (const char* name : {"aux.plt", "COM1", "com1.plt", "Lpt9.txt", "CON", "prn.plt"}) {
        EXPECT_EQ(save(dir.file(name)), "Invalid filename") << name;
        EXPECT_EQ(platform::WriteFailureCause(ERROR_INVALID_NAME, name),
                  "a device name of Windows, not a file name");
    }
    for (const char* name : {"auxiliary.plt", "COM10", "com.plt", "LPT0"}) {
        EXPECT_FALSE(platform::IsWindowsDeviceName(name)) << name;
    }
    EXPECT_EQ(platform::WriteFailureCause(ERROR_PATH_NOT_FOUND, "none\\x.plt"),
              "the folder none\\ does not exist");
    EXPECT_TRUE(Entries(Utf8Path(dir.path())).empty());
}

TEST_F(WindowsFiles, TargetHeldByAnotherProgram) {
    const std::string target = dir.write("held.plt", "old");
    HANDLE held = Hold(target, 0);
    EXPECT_EQ(save(target), "I/O error 32");
    CloseHandle(held);
    EXPECT_EQ(ReadFile(target), "old");

    // Sharing reads and writes but not its removal: the file cannot be replaced, and it is
    // never written into instead, so it keeps its old contents and no temporary stays.
    held = Hold(target, FILE_SHARE_READ | FILE_SHARE_WRITE);
    const std::string refused = save(target);
    EXPECT_TRUE(refused == "I/O error 32" || refused == "File access denied") << refused;
    CloseHandle(held);
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Entries(Utf8Path(dir.path())), std::set<std::string>{"held.plt"});

    // Once the other program lets go, the same save replaces it.
    EXPECT_EQ(save(target), "");
    EXPECT_EQ(ReadFile(target), expected);
}

TEST_F(WindowsFiles, TurkishFolderAndFileNames) {
    const std::string folder = dir.file("Çalışma Ğöz");
    fs::create_directory(PathFromUtf8(folder));
    const std::string geometry =
        dir.write("Çalışma Ğöz/şehir ağacı.gplt", CrLf({"nir 7 4512345.67 512345.67 123.45 1"}));
    const std::string labels = dir.write("Çalışma Ğöz/yazılar.yaz", CrLf({"1 2 3 4 ETİKET   1"}));
    dir.write("Çalışma Ğöz/yazılar.yfn", CrLf({"Ovalt 1 2 3 1 0 3 0 0 EK"}));
    ASSERT_TRUE(ReadInputFile(geometry).has_value());

    Session turkish;
    testing::Import(turkish, geometry, labels);
    EXPECT_EQ(turkish.workspace.flags.FlagNirengi, "1");
    EXPECT_EQ(turkish.workspace.grid(6).rowCount(), 3);  // the label and its companion

    const std::string plot = folder + "/çıktı.plt";
    EXPECT_EQ(save(plot), "");
    EXPECT_EQ(ReadFile(plot), expected);
    EXPECT_EQ(save(plot), "");  // replacing it
    EXPECT_EQ(Entries(folder), (std::set<std::string>{"yazılar.yaz", "yazılar.yfn", "çıktı.plt",
                                                      "şehir ağacı.gplt"}));
}

TEST(WindowsPaths, BackslashesSeparateFolders) {
    EXPECT_EQ(WithDefaultExtension("C:\\Proje.v2\\pafta"), "C:\\Proje.v2\\pafta.plt");
    EXPECT_EQ(WithDefaultExtension("Proje.v2/pafta"), "Proje.v2/pafta.plt");
    EXPECT_EQ(WithDefaultExtension("C:\\Proje\\pafta.v2"), "C:\\Proje\\pafta.v2");
}

}  // namespace
}  // namespace plotaktar
