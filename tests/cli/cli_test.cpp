// End-to-end tests: plotaktar-cli runs as a process over small drawings; its output streams,
// exit status, plot files and state dumps are compared with files written by hand or checked
// against the plot file layout line by line.

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process.h"
#include "test_support.h"

namespace plotaktar::testing {
namespace {

namespace fs = std::filesystem;

std::string Data(std::string_view name) {
    return std::string(PLOTAKTAR_CLI_DATA_DIR) + "/" + std::string(name);
}

void CopyInto(const TempDir& dir, const std::string& from, std::string_view name) {
    dir.write(name, ReadFile(from));
}

// The names of everything in the directory, subdirectories included ("sub/file").
std::set<std::string> Listing(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        names.insert(fs::relative(entry.path(), dir.path()).generic_string());
    }
    return names;
}

const char* kSampleCounts =
    "nir 3, pol 4, nok 8, tab 10, hat 5, sem 3, par 3, bin 2, sev 2, yazı 11";

// ---------------------------------------------------------------------------------------------
// run: sessions of the window

TEST(RunSession, ImportsAndExportsReplayTheWindowsDialogRules) {
    TempDir dir;
    for (const char* name : {"a.gplt", "a.yaz", "a.yfn", "b.gplt", "b.yaz"}) {
        CopyInto(dir, Data(std::string("session/") + name), name);
    }
    // The companion of a cancelled label dialog is ".yfn" in the current directory.
    CopyInto(dir, Data("session/dot.yfn"), ".yfn");
    fs::create_directory(dir.path() / "res.d");

    CliResult r = RunCli({"run",                           //
                          "open", "a.gplt",      "a.yaz",  // both dialogs confirmed
                          "save", "out1",                  // ".plt" appended
                          "dump", "state1.json",           //
                          "open", "b.gplt",      "-",      // a.yaz again, companion ".yfn"
                          "save", "out2.plt",              //
                          "open", "-",           "b.yaz",  // b.gplt again
                          "save", "-",                     // cancelled: no file, no message
                          "save", "res.d/out3",            // dot in the folder only
                          "dump", "state2.json"},
                         dir.path());

    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, ReadFile(Data("session/stdout.txt")));
    EXPECT_EQ(ReadFile(dir.file("out1.plt")), ReadFile(Data("session/out1.plt")));
    EXPECT_EQ(ReadFile(dir.file("out2.plt")), ReadFile(Data("session/out2.plt")));
    EXPECT_EQ(ReadFile(dir.file("res.d/out3.plt")), ReadFile(Data("session/out3.plt")));
    EXPECT_EQ(ReadFile(dir.file("state1.json")), ReadFile(Data("session/state1.json")));
    EXPECT_EQ(ReadFile(dir.file("state2.json")), ReadFile(Data("session/state2.json")));
    EXPECT_EQ(Listing(dir),
              (std::set<std::string>{".yfn", "a.gplt", "a.yaz", "a.yfn", "b.gplt", "b.yaz",
                                     "out1.plt", "out2.plt", "res.d", "res.d/out3.plt",
                                     "state1.json", "state2.json"}));
}

TEST(RunSession, ErrorsArePrintedAndTheSessionGoesOn) {
    TempDir dir;
    CopyInto(dir, Data("errors/c.gplt"), "c.gplt");
    dir.write("out.plt", "OLD\r\n");

    CliResult r = RunCli({"run",                         //
                          "save", "empty",               // before any import
                          "dump", "state0.json",         //
                          "open", "c.gplt", "-",         //
                          "dump", "state1.json",         //
                          "save", "out.plt",             // conversion error
                          "dump", "missing/state.json",  // cannot be written
                          "open", "-", "-",              // c.gplt again
                          "save", "out.plt"},
                         dir.path());

    EXPECT_EQ(r.status, 1);
    // The cell text inside the error holds a line feed; it is printed escaped, one box a line.
    EXPECT_EQ(r.out, ReadFile(Data("errors/stdout.txt")));
    EXPECT_EQ(r.err, "plotaktar-cli: missing/state.json: the folder missing/ does not exist\n");
    EXPECT_EQ(ReadFile(dir.file("empty.plt")), "");
    EXPECT_EQ(ReadFile(dir.file("out.plt")), "OLD\r\n");
    EXPECT_EQ(ReadFile(dir.file("state0.json")), ReadFile(Data("errors/state0.json")));
    EXPECT_EQ(ReadFile(dir.file("state1.json")), ReadFile(Data("errors/state1.json")));
    EXPECT_EQ(Listing(dir), (std::set<std::string>{"c.gplt", "empty.plt", "out.plt", "state0.json",
                                                   "state1.json"}));
}

// ---------------------------------------------------------------------------------------------
// convert

TEST(Convert, SampleGivesTheExpectedPlotFile) {
    TempDir dir;
    std::string output = dir.file("pafta.plt");
    CliResult r = RunCli({"convert", Sample("pafta12.gplt"), Sample("pafta12.yaz"), "-o", output});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Sample("pafta12.gplt") + ": " + kSampleCounts + " -> " + output + "\n");
    EXPECT_EQ(ReadFile(output), ReadFile(Data("pafta12.plt")));
}

TEST(Convert, DefaultOutputAndTheLabelsBesideTheGeometry) {
    TempDir dir;
    CopyInto(dir, Sample("pafta12.gplt"), "pafta12.gplt");
    CopyInto(dir, Sample("pafta12.yaz"), "pafta12.yaz");
    CopyInto(dir, Sample("pafta12.yfn"), "pafta12.yfn");

    CliResult r = RunCli({"convert", "pafta12.gplt", "pafta12.yaz"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("pafta12.gplt: ") + kSampleCounts + " -> pafta12.plt\n");
    EXPECT_EQ(ReadFile(dir.file("pafta12.plt")), ReadFile(Data("pafta12.plt")));

    // Without LABELS the .yaz beside GEOMETRY is read, with its companion, and said so.
    fs::create_directory(dir.path() / "sub");
    CopyInto(dir, Sample("pafta12.gplt"), "sub/p.gplt");
    CopyInto(dir, Sample("pafta12.yaz"), "sub/p.YAZ");
    CopyInto(dir, Sample("pafta12.yfn"), "sub/p.yfn");
    CliResult beside = RunCli({"convert", "sub/p.gplt", "-o", "beside"}, dir.path());
    EXPECT_EQ(beside.status, 0);
#ifdef _WIN32
    // Windows finds the file by either spelling, and the first one asked for opens it.
    const std::string besideName = "sub/p.yaz";
#else
    const std::string besideName = "sub/p.YAZ";
#endif
    EXPECT_EQ(beside.err,
              besideName + ": labels taken from beside the geometry (--no-labels reads none)\n");
    EXPECT_EQ(ReadFile(dir.file("beside.plt")), ReadFile(Data("pafta12.plt")));

    // With --no-labels, or with no .yaz beside GEOMETRY, the plot file is the sample's without
    // its "YA" lines and without the layer YAZI, which only the labels used: nothing is read
    // from the current directory, not its pafta12.yaz nor a ".yfn".
    CopyInto(dir, Sample("pafta12.yfn"), ".yfn");
    CliResult bare = RunCli({"convert", "pafta12.gplt", "--no-labels", "-o", "bare"}, dir.path());
    EXPECT_EQ(bare.status, 0);
    EXPECT_EQ(bare.err, "");
    EXPECT_EQ(bare.out,
              "pafta12.gplt: nir 3, pol 4, nok 8, tab 10, hat 5, sem 3, par 3, bin 2, "
              "sev 2, yazı 0 -> bare.plt\n");
    std::string expected;
    std::string all = ReadFile(Data("pafta12.plt"));
    for (size_t start = 0; start < all.size();) {
        size_t end = all.find("\r\n", start) + 2;
        if (all.compare(start, 2, "YA") != 0 && all.compare(start, 8, "TA YAZI ") != 0) {
            expected += all.substr(start, end - start);
        }
        start = end;
    }
    EXPECT_EQ(ReadFile(dir.file("bare.plt")), expected);
    fs::remove(dir.path() / "sub" / "p.YAZ");
    CliResult alone = RunCli({"convert", "sub/p.gplt", "-o", "alone"}, dir.path());
    EXPECT_EQ(alone.err, "sub/p.gplt: no label file beside it; no labels\n");
    EXPECT_EQ(ReadFile(dir.file("alone.plt")), expected);
}

// On Windows the arguments come from the UTF-16 command line and the output is UTF-8.
TEST(Convert, TurkishFolderAndFileNames) {
    TempDir dir;
    std::filesystem::create_directory(PathFromUtf8(dir.file("Çalışma")));
    CopyInto(dir, Sample("pafta12.gplt"), "Çalışma/şehir.gplt");
    CopyInto(dir, Sample("pafta12.yaz"), "Çalışma/ağaç.yaz");
    CopyInto(dir, Sample("pafta12.yfn"), "Çalışma/ağaç.yfn");
    CliResult r = RunCli(
        {"convert", "Çalışma/şehir.gplt", "Çalışma/ağaç.yaz", "-o", "Çalışma/çıktı"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              std::string("Çalışma/şehir.gplt: ") + kSampleCounts + " -> Çalışma/çıktı.plt\n");
    EXPECT_EQ(ReadFile(dir.file("Çalışma/çıktı.plt")), ReadFile(Data("pafta12.plt")));
}

TEST(Convert, AFileWithoutCarriageReturnsIsReadAsOneLineWithAWarning) {
    TempDir dir;
    dir.write("lf.gplt", "tab 1 1 SINIR 1 1 1 1\nnir 1 2 3 4 1\n");
    dir.write("crlf.yaz", CrLf({"1 2 0 2 yazi   1"}));
    const std::string warning =
        "lf.gplt: warning: no carriage returns; line feeds do not end lines, so the file was "
        "read as 1 line (convert it with unix2dos)\n";

    CliResult r = RunCli({"convert", "lf.gplt", "crlf.yaz", "-o", "out.plt"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, warning);
    EXPECT_EQ(r.out,
              "lf.gplt: nir 0, pol 0, nok 0, tab 1, hat 0, sem 0, par 0, bin 0, sev 0, "
              "yazı 1 -> out.plt\n");

    CliResult session = RunCli({"run", "open", "lf.gplt", "crlf.yaz"}, dir.path());
    EXPECT_EQ(session.status, 0);
    EXPECT_EQ(session.err, warning);
    EXPECT_EQ(session.out, "mesaj: dosya açıldı\n");
}

// What `run` and `convert` say about the files an import opens, one case a row: a file that
// cannot be opened (named with the system's cause; never the companion, never a file not tried),
// a file saved as UTF-8, and the companion and labels found as Windows finds them.
TEST(ImportWarnings, FilesThatCannotBeOpenedUtf8AndNamesThatDifferInCase) {
    TempDir dir;
    CopyInto(dir, Sample("pafta12.gplt"), "p.gplt");
    CopyInto(dir, Sample("pafta12.yaz"), "p.yaz");
    fs::create_directory(dir.path() / "d");
    dir.write("u.yaz",
              "4512350.00 512340.00 100 2.5 \xC5\x9F"
              "ehir   5\r\n");
    // Uppercase names copied from Windows: the companion and the labels are found.
    fs::create_directory(dir.path() / "w");
    CopyInto(dir, Sample("pafta12.gplt"), "w/BENIM.GPLT");
    CopyInto(dir, Sample("pafta12.yaz"), "w/BENIM.YAZ");
    CopyInto(dir, Sample("pafta12.yfn"), "w/BENIM.YFN");
    struct Case {
        std::vector<std::string> args;
        std::string err;
        int status = 0;
    };
    std::vector<Case> cases = {
        {{"run", "open", "none.gplt", "none.yaz"},
         "none.gplt: warning: cannot be opened (No such file or directory); nothing read\n"},
        {{"run", "open", "d", "p.yaz"},
         "d: warning: cannot be opened (Is a directory); nothing read\n"},
        {{"run", "open", "p.gplt", "none.yaz"},
         "none.yaz: warning: cannot be opened (No such file or directory); no labels read\n"},
        {{"run", "open", "p.gplt", "d"},
         "d: warning: cannot be opened (Is a directory); no labels read\n"},
        {{"run", "open", "p.gplt", "p.yaz"}, ""},  // no p.yfn: nothing to say
        {{"run", "open", "p.gplt", "u.yaz"},
         "u.yaz: warning: looks like UTF-8; the files must be windows-1254\n"},
        {{"convert", "p.gplt", "u.yaz", "-o", "u.plt"},
         "u.yaz: warning: looks like UTF-8; the files must be windows-1254\n"},
        // convert refuses what it cannot read before anything runs.
        {{"convert", "p.gplt", "none.yaz"},
         "plotaktar-cli: none.yaz: No such file or directory\n",
         2},
#ifdef _WIN32
        {{"convert", "w/BENIM.GPLT", "-o", "w.plt"},
         "w/BENIM.yaz: labels taken from beside the geometry (--no-labels reads none)\n"},
#else
        {{"convert", "w/BENIM.GPLT", "-o", "w.plt"},
         "w/BENIM.YAZ: labels taken from beside the geometry (--no-labels reads none)\n"},
        // The companion found ignoring case is an input like the others.
        {{"convert", "w/BENIM.GPLT", "-o", "w/BENIM.YFN"},
         "w/BENIM.YAZ: labels taken from beside the geometry (--no-labels reads none)\n"
         "plotaktar-cli: w/BENIM.YFN: is an input file of this conversion; not overwritten\n",
         2},
#endif
    };
#ifndef _WIN32
    // Several files that differ only in case: none is read, and they are named.
    fs::create_directory(dir.path() / "s");
    CopyInto(dir, Sample("pafta12.gplt"), "s/p.gplt");
    CopyInto(dir, Sample("pafta12.yaz"), "s/p.YAZ");
    CopyInto(dir, Sample("pafta12.yaz"), "s/P.yaz");
    CopyInto(dir, Sample("pafta12.yfn"), "s/P.yfn");
    CopyInto(dir, Sample("pafta12.yfn"), "s/p.YFN");
    cases.push_back({{"convert", "s/p.gplt", "-o", "s1.plt"},
                     "s/p.gplt: warning: 2 label files beside it differ only in case (s/P.yaz, "
                     "s/p.YAZ); no labels\n"});
    cases.push_back({{"run", "open", "s/p.gplt", "s/p.YAZ"},
                     "s/p.yfn: warning: 2 files differ from this name only in case (s/P.yfn, "
                     "s/p.YFN); none read\n"});
#endif
    for (const Case& c : cases) {
        const CliResult r = RunCli(c.args, dir.path());
        EXPECT_EQ(r.err, c.err) << c.args[1] << " " << c.args[2];
        EXPECT_EQ(r.status, c.status) << c.args[1] << " " << c.args[2];
        if (c.args[0] == "run") {
            EXPECT_EQ(r.out, "mesaj: dosya açıldı\n");
        }
    }
    // The labels and the companion found ignoring case are those of the sample.
    EXPECT_EQ(ReadFile(dir.file("w.plt")), ReadFile(Data("pafta12.plt")));
    EXPECT_EQ(ReadFile(dir.file("w/BENIM.YFN")), ReadFile(Sample("pafta12.yfn")));
}

TEST(Convert, FailingRecordsAreReportedWithTheirLine) {
    TempDir dir;
    CopyInto(dir, Data("convert/bad_records.gplt"), "bad_records.gplt");
    CliResult r = RunCli({"convert", "bad_records.gplt"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "bad_records.gplt: no label file beside it; no labels\n"
              "bad_records.gplt:3: sembol\nbad_records.gplt:5: bina\nbad_records.gplt:7: şev\n");
    EXPECT_EQ(r.out,
              "bad_records.gplt: nir 1, pol 0, nok 2, tab 1, hat 0, sem 1, par 0, bin 1, "
              "sev 1, yazı 0 -> bad_records.plt\n");
    EXPECT_EQ(ReadFile(dir.file("bad_records.plt")),
              CrLf({"TA SINIR -257 1 DUZ 1 0", "PN  && 200.00 100.00 SINIR 10.0 0 N.1",
                    "PN  && 400.00 300.00 SINIR 12.0 0 7", "PN  && 410.00 310.00 SINIR 12.5 0 8"}));
}

TEST(Convert, ExportErrorLeavesTheOutputAsItWas) {
    TempDir dir;
    CopyInto(dir, Data("errors/c.gplt"), "c.gplt");

    CliResult fresh = RunCli({"convert", "c.gplt"}, dir.path());
    EXPECT_EQ(fresh.status, 1);
    EXPECT_EQ(fresh.out, "");
    EXPECT_EQ(fresh.err,
              "c.gplt: no label file beside it; no labels\n"
              "c.gplt:5: nokta\nplotaktar-cli: c.plt: '2\\x0a3' is not a valid integer value.\n"
              "c.gplt:5: the cell stopping the export: Nokta, row 2, column \"Tabaka No\"\n");
    EXPECT_FALSE(FileExists(dir.file("c.plt")));

    dir.write("c.plt", "OLD\r\n");
    CliResult again = RunCli({"convert", "c.gplt"}, dir.path());
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, fresh.err);
    EXPECT_EQ(ReadFile(dir.file("c.plt")), "OLD\r\n");

    CliResult noFolder =
        RunCli({"convert", Sample("pafta12.gplt"), "--no-labels", "-o", "nowhere/x"}, dir.path());
    EXPECT_EQ(noFolder.status, 1);
    EXPECT_EQ(noFolder.out, "");
    EXPECT_EQ(noFolder.err,
              "plotaktar-cli: nowhere/x.plt: Invalid filename (the folder nowhere/ does not "
              "exist)\n");
    EXPECT_EQ(Listing(dir), (std::set<std::string>{"c.gplt", "c.plt"}));
}

TEST(Convert, TheCellStoppingTheExportIsFoundInItsFile) {
    TempDir dir;
    dir.write("d.gplt", CrLf({"tab 1 1 A 7 0 1 0", "par 1 2 3 1", "1 2 a b c", "par 4 5 6 1"}));
    dir.write("d.yaz", CrLf({"1 2 3 4 ab   1", "no", "1 2 3 4 cd   1"}));
    dir.write("d.yfn", CrLf({"too few", "Arial 1 2 3 4 5 x 0 1 bad layer"}));
    CliResult labels = RunCli({"convert", "d.gplt", "d.yaz"}, dir.path());
    EXPECT_EQ(labels.status, 1);
    EXPECT_EQ(labels.err,
              "plotaktar-cli: d.plt: 'x' is not a valid integer value.\n"
              "d.yfn:2: the cell stopping the export: Yazı, row 3, column \"Tabaka No\"\n");

    // A parcel without corner lines: its count is empty, as in a first import.
    CliResult parcel = RunCli({"convert", "d.gplt", "--no-labels"}, dir.path());
    EXPECT_EQ(parcel.status, 1);
    EXPECT_EQ(
        parcel.err,
        "plotaktar-cli: d.plt: '' is not a valid integer value.\n"
        "d.gplt:4: the cell stopping the export: Ada Parsel, row 2, column \"Köse Sayısı\"\n");
    EXPECT_FALSE(FileExists(dir.file("d.plt")));
}

// Terminal controls in a cell or a file name reach neither standard error nor standard output
// raw, whatever part of a message they end up in: the cell an export stops at, the folder
// that does not exist, the error box that `run` prints. Escaped, each is named as "\x1b".
TEST(Convert, ControlCharactersInCellsAndNamesAreEscapedInEveryMessage) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows names no file with a byte that is no character (0x9D)";
#endif
    TempDir dir;
    // ESC, BEL, and 0x9D, which windows-1254 leaves undefined: U+009D, the terminal's OSC.
    const std::string controls = "\x1b]0;X\x07\x1b[2J\x9d";
    dir.write("c.gplt",
              "tab 1 1 SINIR 7 0 1 0.25\r\nnok 12 4512345 512345 1 " + controls + "1\r\n");
    dir.write("p.gplt", ReadFile(Sample("pafta12.gplt")));
    struct Row {
        std::vector<std::string> args;
        const char* said;
    };
    const Row rows[] = {
        {{"convert", "c.gplt", "--no-labels", "-o", "c.plt"}, "\\x1b[2J"},
        {{"convert", "p.gplt", "--no-labels", "-o", "no" + controls + "/x.plt"}, "\\x07"},
        {{"convert", "no" + controls + ".gplt"}, "\\x1b]0;X"},
        {{"run", "open", "c.gplt", "-", "save", "c.plt"}, "\\x1b[2J"},
        {{"run", "open", "p.gplt", "-", "save", "no" + controls + "/x.plt"}, "hata: "},
        {{"run", "open", "p.gplt", "-", "dump", "no" + controls + "/x.json"}, "\\x07"},
    };
    for (const Row& row : rows) {
        const CliResult r = RunCli(row.args, dir.path());
        EXPECT_NE(r.status, 0) << row.args[0];
        for (const std::string& text : {r.out, r.err}) {
            EXPECT_EQ(text.find_first_of("\x1b\x07\x7f"), std::string::npos) << text;
            EXPECT_EQ(text.find("\xc2\x9d"), std::string::npos) << text;
        }
        EXPECT_THAT(r.out + r.err, ::testing::HasSubstr(row.said)) << row.args[0];
    }
}

TEST(Convert, UnreadableInputsStopBeforeAnythingIsWritten) {
    TempDir dir;
    CopyInto(dir, Sample("pafta12.gplt"), "good.gplt");
    CopyInto(dir, Sample("pafta12.yaz"), "good.yaz");
    fs::create_directory(dir.path() / "folder.gplt");

    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    std::vector<Case> cases = {
        {{"missing.gplt"}, "missing.gplt: No such file or directory"},
        {{"good.gplt", "missing.yaz"}, "missing.yaz: No such file or directory"},
        {{"folder.gplt"}, "folder.gplt: Is a directory"},
        {{"good.gplt", "folder.gplt", "-o", "x.plt"}, "folder.gplt: Is a directory"},
        {{"missing/in.gplt"}, "missing/in.gplt: No such file or directory"},
    };
#ifdef _WIN32
    cases.push_back({{"good.gplt", "NUL"}, "NUL: not a regular file"});
#else
    ASSERT_EQ(mkfifo(dir.file("pipe.gplt").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo(dir.file("pipe.yaz").c_str(), 0644), 0);
    cases.push_back({{"pipe.gplt"}, "pipe.gplt: not a regular file"});
    cases.push_back({{"good.gplt", "pipe.yaz"}, "pipe.yaz: not a regular file"});
#endif
    const std::set<std::string> before = Listing(dir);
    for (const Case& c : cases) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliResult r = RunCli(args, dir.path());
        EXPECT_EQ(r.status, 2) << c.err;
        EXPECT_EQ(r.out, "") << c.err;
        EXPECT_EQ(r.err, "plotaktar-cli: " + c.err + "\n");
    }

#ifndef _WIN32
    if (geteuid() != 0) {  // root reads files whatever their permissions
        std::string locked = dir.write("locked.gplt", "nir 1 1 1 1 1\r\n");
        chmod(locked.c_str(), 0);
        CliResult r = RunCli({"convert", "locked.gplt"}, dir.path());
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "plotaktar-cli: locked.gplt: Permission denied\n");
        fs::remove(locked);
    }
#endif
    EXPECT_EQ(Listing(dir), before);
}

#ifndef _WIN32
// Outputs that are no plain file: a device is written as it is, never given ".plt"; a directory,
// a missing folder and a pipe that nobody reads are refused with what is wrong; a reader that
// closes standard output early is a write error, not a silent end by SIGPIPE.
TEST(Convert, OutputsThatAreNoPlainFileSayWhatIsWrong) {
    TempDir dir;
    CliResult toNull =
        RunCli({"convert", Sample("pafta12.gplt"), "--no-labels", "-o", "/dev/null"}, dir.path());
    EXPECT_EQ(toNull.status, 0) << toNull.err;
    EXPECT_NE(toNull.out.find("-> /dev/null\n"), std::string::npos);
    EXPECT_FALSE(FileExists("/dev/null.plt"));

    fs::create_directory(dir.file("out"));
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0644), 0);
    const std::pair<const char*, const char*> refused[] = {
        {"out", "out: File access denied (is a directory, not a file)"},
        {"none/x.plt", "none/x.plt: Invalid filename (the folder none/ does not exist)"},
        {"pipe", "pipe: I/O error 6 (no program is reading this pipe)"},
    };
    for (const auto& [output, err] : refused) {
        CliResult r =
            RunCli({"convert", Sample("pafta12.gplt"), "--no-labels", "-o", output}, dir.path());
        EXPECT_EQ(r.status, 1) << output;
        EXPECT_EQ(r.err, std::string("plotaktar-cli: ") + err + "\n");
    }

    // Standard output is a pipe whose reader has gone.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    const std::string script = std::string("exec \"") + PLOTAKTAR_CLI + "\" convert \"" +
                               Sample("pafta12.gplt") + "\" --no-labels -o \"" + dir.file("p.plt") +
                               "\" 2>\"" + dir.file("err.txt") + "\" >&" + std::to_string(ends[1]);
    const int status = std::system(script.c_str());
    close(ends[1]);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFile(dir.file("err.txt")), "plotaktar-cli: cannot write standard output\n");
}
#endif

TEST(Convert, RefusesToOverwriteItsInput) {
    TempDir dir;
    std::string drawing = ReadFile(Sample("pafta12.gplt"));
    dir.write("sheet.plt", drawing);
    dir.write("labels.yaz", ReadFile(Sample("pafta12.yaz")));

    CliResult r = RunCli({"convert", "sheet.plt"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "plotaktar-cli: sheet.plt: is an input file of this conversion; not "
              "overwritten\n");
    CliResult viaLink =
        RunCli({"convert", "./sheet.plt", "labels.yaz", "-o", "labels.yaz"}, dir.path());
    EXPECT_EQ(viaLink.status, 2);
    EXPECT_EQ(ReadFile(dir.file("sheet.plt")), drawing);
    EXPECT_EQ(ReadFile(dir.file("labels.yaz")), ReadFile(Sample("pafta12.yaz")));
}

// ---------------------------------------------------------------------------------------------
// The command line itself

TEST(CommandLine, UsageErrorsRunNothing) {
    TempDir dir;
    CopyInto(dir, Sample("pafta12.gplt"), "p.gplt");
    const std::set<std::string> before = Listing(dir);

    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"export", "p.gplt"}, "export: -o FILE is missing"},
        {{"exprot", "p.gplt"}, "unknown command 'exprot'"},
        {{"convert"}, "convert: GEOMETRY is missing"},
        {{"convert", "p.gplt", "p.yaz", "q.gplt"}, "convert: too many files ('q.gplt')"},
        {{"convert", "p.gplt", "-o"}, "convert: -o needs an OUTPUT path"},
        {{"convert", "p.gplt", "-o", "a", "-o", "b"}, "convert: -o given twice"},
        {{"convert", "p.gplt", "--force"}, "convert: unknown option '--force'"},
        {{"convert", "p.gplt", "p.yaz", "--no-labels"},
         "convert: --no-labels and LABELS given together"},
        {{"run"}, "run: no steps given"},
        {{"run", "open", "p.gplt", "-", "save", "x.plt", "print"}, "run: unknown step 'print'"},
        // "save" is taken as the LABELS of open, so x.plt stands where a step belongs.
        {{"run", "open", "p.gplt", "save", "x.plt"}, "run: unknown step 'x.plt'"},
        {{"run", "open", "p.gplt"}, "run: step 1 'open' needs LABELS after GEOMETRY"},
        {{"run", "save", "x.plt", "dump"}, "run: step 2 'dump' needs STATE.json"},
        {{"--version", "extra"}, "--version takes no arguments"},
    };
    for (const Case& c : cases) {
        CliResult r = RunCli(c.args, dir.path());
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.out, "") << c.message;
        EXPECT_EQ(r.err.rfind("plotaktar-cli: " + c.message, 0), 0u) << r.err;
        // A command's mistake points to that command's help.
        const size_t colon = c.message.find(": ");
        const std::string help = colon == std::string::npos ? "" : c.message.substr(0, colon) + " ";
        EXPECT_NE(r.err.find("\nTry 'plotaktar-cli " + help + "--help'.\n"), std::string::npos)
            << r.err;
    }
    EXPECT_EQ(Listing(dir), before);
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    CliResult help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind(
                  "Usage: plotaktar-cli convert GEOMETRY [LABELS | --no-labels] [-o OUTPUT]\n", 0),
              0u);
    EXPECT_NE(help.out.find("open GEOMETRY LABELS"), std::string::npos);

#ifndef _WIN32
    // The Windows build's help lists what it has in words of its own.
    EXPECT_NE(help.out.find("\nCommands:\n  convert "), std::string::npos);
#endif

    // Every command's help, with -h as with --help, whatever else the line holds.
    const std::vector<std::vector<std::string>> commands = {{"convert"},
                                                            {"run"},
                                                            {"render"},
                                                            {"export"},
                                                            {"check"},
                                                            {"batch"},
                                                            {"batch", "convert"},
                                                            {"batch", "export"},
                                                            {"batch", "check"},
                                                            {"convert", "p.gplt", "--bogus"}};
    for (const std::vector<std::string>& command : commands) {
        for (const char* ask : {"--help", "-h"}) {
            std::vector<std::string> args = command;
            args.push_back(ask);
            CliResult r = RunCli(args);
            const std::string row = ::testing::PrintToString(args);
            EXPECT_EQ(r.status, 0) << row << r.err;
            EXPECT_EQ(r.err, "") << row;
            EXPECT_EQ(r.out.rfind("Usage: plotaktar-cli " + command[0], 0), 0u) << row << r.out;
            EXPECT_NE(r.out.find("\nExit status: 0 "), std::string::npos) << row << r.out;
        }
    }

    CliResult version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(version.out, "plotaktar-cli " PLOTAKTAR_VERSION "\n");
}

}  // namespace
}  // namespace plotaktar::testing
