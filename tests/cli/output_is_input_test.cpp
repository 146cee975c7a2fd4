// No command writes over one of its inputs, whatever name the output reaches it by: the output
// itself, a name derived from it (a Shapefile's set, a sheet's page), batch's report, another
// drawing's output; through the same name, a symbolic link or a second hard link. Each is
// refused with nothing written.

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Every entry under the folder: a file's bytes, a link's target, a folder's mark.
std::map<std::string, std::string> Snapshot(const TempDir& dir) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        const std::string name = fs::relative(entry.path(), dir.path()).generic_string();
        if (entry.is_symlink()) {
            entries[name] = "-> " + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            entries[name] = "folder";
        } else {
            entries[name] = ReadFile(entry.path().string());
        }
    }
    return entries;
}

// The sample as a.gplt, a.yaz, a.yfn, and as two drawings b and c in arch/.
void MakeDrawings(const TempDir& dir) {
    for (const char* stem : {"a", "arch/b", "arch/c"}) {
        fs::create_directories((dir.path() / stem).parent_path());
        dir.write(std::string(stem) + ".gplt", ReadFile(Sample("pafta12.gplt")));
        dir.write(std::string(stem) + ".yaz", ReadFile(Sample("pafta12.yaz")));
        dir.write(std::string(stem) + ".yfn", ReadFile(Sample("pafta12.yfn")));
    }
}

void Link(const TempDir& dir, const std::string& target, const std::string& name) {
    fs::create_directories((dir.path() / name).parent_path());
    fs::create_symlink(dir.path() / target, dir.path() / name);
}

void HardLink(const TempDir& dir, const std::string& target, const std::string& name) {
    fs::create_hard_link(dir.path() / target, dir.path() / name);
}

TEST(OutputIsInput, RefusedByEveryCommandForEveryFileItWrites) {
    struct Case {
        std::vector<std::string> args;
        std::function<void(const TempDir&)> prepare;  // makes the output name reach an input
        int status;
        std::string said;  // the refusal, naming the file
        bool onStandardOutput = false;
    };
    const std::string refused = ": is an input file of this conversion";
    const std::vector<Case> cases = {
        // convert: the default output, a link to the labels, the companion by its name.
        {{"convert", "a.gplt", "a.yaz", "-o", "a.gplt"}, {}, 2, "plotaktar-cli: a.gplt" + refused},
        {{"convert", "a.gplt", "-o", "out.plt"},
         [](const TempDir& d) { Link(d, "a.yaz", "out.plt"); },
         2,
         "plotaktar-cli: out.plt: is an input file of this conversion (a.yaz)"},
        {{"convert", "a.gplt", "-o", "a.yfn"}, {}, 2, "plotaktar-cli: a.yfn" + refused},
        // export: each file of every Shapefile set, a single file through a link.
        {{"export", "a.gplt", "-o", "x.shp"},
         [](const TempDir& d) { HardLink(d, "a.gplt", "x-noktalar.dbf"); },
         2,
         "plotaktar-cli: x-noktalar.dbf" + refused},
        {{"export", "a.gplt", "-o", "x.shp", "--crs", "TM30"},
         [](const TempDir& d) { Link(d, "a.yfn", "x-semboller.cpg"); },
         2,
         "plotaktar-cli: x-semboller.cpg" + refused},
        {{"export", "a.gplt", "-o", "x.gpkg"},
         [](const TempDir& d) { Link(d, "a.gplt", "x.gpkg"); },
         2,
         "plotaktar-cli: x.gpkg" + refused},
        // render: a page of sheets, the index page, a picture through a link.
        {{"render", "a.gplt", "-o", "out.svg", "--scale", "100"},
         [](const TempDir& d) { HardLink(d, "a.gplt", "out-1.svg"); },
         2,
         "plotaktar-cli: out-1.svg" + refused},
        {{"render", "a.gplt", "-o", "out.png", "--scale", "100"},
         [](const TempDir& d) { Link(d, "a.yaz", "out-0.png"); },
         2,
         "plotaktar-cli: out-0.png" + refused},
        {{"render", "a.gplt", "-o", "pic.png"},
         [](const TempDir& d) { Link(d, "a.gplt", "pic.png"); },
         2,
         "plotaktar-cli: pic.png" + refused},
        // diff -o: the labels found beside a side (refused before anything is compared or
        // said), and a page of its sheets (known once the sheets are planned).
        {{"diff", "a.gplt", "a.gplt", "-o", "d.png"},
         [](const TempDir& d) { Link(d, "a.yaz", "d.png"); },
         2,
         "plotaktar-cli: d.png: is an input file of this conversion (a.yaz)"},
        {{"diff", "a.gplt", "a.gplt", "-o", "d.svg", "--scale", "100"},
         [](const TempDir& d) { HardLink(d, "a.yfn", "d-1.svg"); },
         2,
         "plotaktar-cli: d-1.svg" + refused},
        // batch: the report, by name and through a link; one drawing's output that is
        // another's input; a Shapefile set's file that is another drawing; check's report.
        {{"batch", "arch", "-o", "out", "--report", "arch/b.gplt"},
         {},
         2,
         "plotaktar-cli: arch/b.gplt" + refused},
        {{"batch", "arch", "--report", "r.json"},
         [](const TempDir& d) { Link(d, "arch/b.yaz", "r.json"); },
         2,
         "plotaktar-cli: r.json" + refused},
        {{"batch", "arch", "-o", "out", "--force"},
         [](const TempDir& d) { Link(d, "arch/c.gplt", "out/b.plt"); },
         2,
         "plotaktar-cli: out/b.plt" + refused},
        {{"batch", "export", "--format", "shp", "arch/b.gplt", "arch/b-noktalar.dbf"},
         [](const TempDir& d) { d.write("arch/b-noktalar.dbf", ReadFile(Sample("pafta12.gplt"))); },
         2,
         "plotaktar-cli: arch/b-noktalar.dbf" + refused},
        {{"batch", "check", "arch", "--report", "arch/c.yfn"},
         {},
         2,
         "plotaktar-cli: arch/c.yfn" + refused},
        // The report as one of the outputs: neither would stay what it says.
        {{"batch", "arch", "--report", "arch/./c.plt"},
         {},
         2,
         "plotaktar-cli: arch/./c.plt: is also an output of this batch; not written"},
        // run: the save and the dump over the open drawing's files; the session goes on.
        {{"run", "open", "a.gplt", "a.yaz", "save", "a.gplt"},
         {},
         1,
         "mesaj: dosya açıldı\nhata: a.gplt: açık çizimin girdi dosyası; üzerine yazılmadı.\n",
         true},
        {{"run", "open", "a.gplt", "a.yaz", "save", "kopya"},
         [](const TempDir& d) { Link(d, "a.yfn", "kopya.plt"); },
         1,
         "hata: kopya.plt: açık çizimin girdi dosyası; üzerine yazılmadı.\n",
         true},
        {{"run", "open", "a.gplt", "a.yaz", "dump", "a.yaz"},
         {},
         1,
         "plotaktar-cli: a.yaz: is an input file of the open drawing; not overwritten"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        MakeDrawings(dir);
        if (c.prepare) {
            c.prepare(dir);
        }
        const auto before = Snapshot(dir);
        const CliResult r = RunCli(c.args, dir.path());
        const std::string row = ::testing::PrintToString(c.args);
        EXPECT_EQ(r.status, c.status) << row << "\n" << r.err;
        EXPECT_THAT(c.onStandardOutput ? r.out : r.err, HasSubstr(c.said)) << row;
        EXPECT_EQ(Snapshot(dir), before) << row;
        if (c.args[0] == "diff" && c.args.back() != "100") {
            EXPECT_EQ(r.out, "") << row;
        }
    }
}

// What is not an input is still written: a companion that does not exist, a save before any
// import, a link to a file of no drawing.
TEST(OutputIsInput, OtherFilesAreStillWritten) {
    TempDir dir;
    MakeDrawings(dir);
    fs::remove(dir.path() / "a.yfn");
    dir.write("other.txt", "old");
    Link(dir, "other.txt", "link.plt");
    CliResult r = RunCli({"run", "save", "a.gplt", "open", "arch/b.gplt", "arch/b.yaz", "save",
                          "a.yfn", "save", "link"},
                         dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out,
              "mesaj: kayıt bitti\nmesaj: dosya açıldı\nmesaj: kayıt bitti\nmesaj: kayıt bitti\n");
    EXPECT_EQ(ReadFile(dir.file("a.yfn")), ReadFile(dir.file("other.txt")));
    EXPECT_NE(ReadFile(dir.file("a.gplt")), ReadFile(Sample("pafta12.gplt")));
}

}  // namespace
}  // namespace plotaktar::testing
