// The files program run whole, each time in a directory of its own: every byte of standard
// output and standard error and the exit code, the files it leaves behind, and the file it is
// given to open, on every platform alike (records end with CR LF on disk everywhere).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/transcript.h"

namespace lnc {
namespace {

const std::string CRLF = "\r\n";

// What the program shows before it asks for a file name: its statements with their statuses,
// what each READ and INQUIRE gave, and the bytes on file after each step.
const std::vector<std::string> STEPS = {
    "-- a new file, written, rewound and read back",
    "INQUIRE(FILE='data.txt') EXIST=F OPENED=F NUMBER=         -1",
    "OPEN(10,FILE='data.txt',STATUS='NEW') status:    0",
    "INQUIRE(FILE='data.txt') EXIST=T OPENED=T NUMBER=         10",
    "WRITE(10,*) 'apples', 42 status:    0",
    "WRITE(10,'(A,I5)') 'pears', 7 status:    0",
    "WRITE(10,'(A,I5)') 'plums', -15 status:    0",
    "REWIND 10 status:    0",
    "INQUIRE unit         10",
    "  EXIST=T OPENED=T NAMED=T NUMBER=         10",
    "  NAME=\"data.txt        \"",
    "  RECL= 2147483639 NEXTREC=         -2",
    "  ACCESS=SEQUENTIAL SEQUENTIAL=YES     DIRECT=NO      FORM=FORMATTED  ",
    "  POSITION=REWIND    ACTION=READWRITE",
    "read list 'apples  '         42 status:          0",
    "read 'pears '          7 status:          0",
    "read 'plums '        -15 status:          0",
    "BACKSPACE 10 status:    0",
    "read 'plums '        -15 status:          0",
    "read '......'         -1 status:         -1",
    "BACKSPACE 10 status:    0",
    "WRITE(10,'(A,I5)') 'figs', 3 status:    0",
    "CLOSE(10) status:    0",
    "bytes of \"data.txt\"",
    "  \" apples         42\\r\\n\"",
    "  \"pears     7\\r\\n\"",
    "  \"plums   -15\\r\\n\"",
    "  \"figs      3\\r\\n\"",
    "  byte count:         59",
    "-- appending, then ending the file after its first record",
    "OPEN(11,FILE='data.txt',STATUS='OLD',POSITION='APPEND') status:    0",
    "INQUIRE unit         11",
    "  EXIST=T OPENED=T NAMED=T NUMBER=         11",
    "  NAME=\"data.txt        \"",
    "  RECL= 2147483639 NEXTREC=         -2",
    "  ACCESS=SEQUENTIAL SEQUENTIAL=YES     DIRECT=NO      FORM=FORMATTED  ",
    "  POSITION=APPEND    ACTION=READWRITE",
    "WRITE(11,*) 'dates', 12 status:    0",
    "CLOSE(11,STATUS='KEEP') status:    0",
    "bytes of \"data.txt\"",
    "  \" apples         42\\r\\n\"",
    "  \"pears     7\\r\\n\"",
    "  \"plums   -15\\r\\n\"",
    "  \"figs      3\\r\\n\"",
    "  \" dates         12\\r\\n\"",
    "  byte count:         78",
    "OPEN(12,FILE='data.txt',STATUS='OLD') status:    0",
    "read list 'apples  '         42 status:          0",
    "ENDFILE 12 status:    0",
    "INQUIRE unit         12",
    "  EXIST=T OPENED=T NAMED=T NUMBER=         12",
    "  NAME=\"data.txt        \"",
    "  RECL= 2147483639 NEXTREC=         -2",
    "  ACCESS=SEQUENTIAL SEQUENTIAL=YES     DIRECT=NO      FORM=FORMATTED  ",
    "  POSITION=APPEND    ACTION=READWRITE",
    "read list '........'         -1 status:         -1",
    "WRITE(12,*) 'after ENDFILE', 1 status:   -1",
    "BACKSPACE 12 status:    0",
    "WRITE(12,*) 'limes', 5 status:    0",
    "CLOSE(12) status:    0",
    "bytes of \"data.txt\"",
    "  \" apples         42\\r\\n\"",
    "  \" limes          5\\r\\n\"",
    "  byte count:         39",
    "-- a scratch file",
    "OPEN(13,STATUS='SCRATCH') status:    0",
    "WRITE(13,'(A,I5)') 'kiwis', 99 status:    0",
    "REWIND 13 status:    0",
    "read 'kiwis '         99 status:          0",
    "INQUIRE unit         13",
    "  EXIST=T OPENED=T NAMED=F NUMBER=         13",
    "  NAME=\"................\"",
    "  RECL= 2147483639 NEXTREC=         -2",
    "  ACCESS=SEQUENTIAL SEQUENTIAL=YES     DIRECT=NO      FORM=FORMATTED  ",
    "  POSITION=APPEND    ACTION=READWRITE",
    "CLOSE(13) status:    0",
    "INQUIRE unit         13",
    "  EXIST=T OPENED=F NAMED=F NUMBER=         -1",
    "  NAME=\"................\"",
    "  RECL=         -1 NEXTREC=         -2",
    "  ACCESS=UNDEFINED  SEQUENTIAL=UNKNOWN DIRECT=UNKNOWN FORM=UNDEFINED  ",
    "  POSITION=UNDEFINED ACTION=UNDEFINED",
    "-- a direct-access file",
    "OPEN(14,FILE='table.txt',ACCESS='DIRECT',FORM='FORMATTED',RECL=8) status:    0",
    "INQUIRE unit         14",
    "  EXIST=T OPENED=T NAMED=T NUMBER=         14",
    "  NAME=\"table.txt       \"",
    "  RECL=          8 NEXTREC=          1",
    "  ACCESS=DIRECT     SEQUENTIAL=NO      DIRECT=YES     FORM=FORMATTED  ",
    "  POSITION=UNDEFINED ACTION=READWRITE",
    "WRITE(14,'(A6,I2)',REC=3) 'grapes', 1 status:    0",
    "WRITE(14,'(A6,I2)',REC=1) 'melons', 22 status:    0",
    "INQUIRE unit         14",
    "  EXIST=T OPENED=T NAMED=T NUMBER=         14",
    "  NAME=\"table.txt       \"",
    "  RECL=          8 NEXTREC=          2",
    "  ACCESS=DIRECT     SEQUENTIAL=NO      DIRECT=YES     FORM=FORMATTED  ",
    "  POSITION=UNDEFINED ACTION=READWRITE",
    "record          3: 'grapes'          1 status:          0",
    "record          1: 'melons'         22 status:          0",
    "record          2: '......'         -1 status:       6734",
    "WRITE(14,'(A6,I2)') 'pears', 4 status: 6202",
    "WRITE(14,'(A6,I2)',REC=2) 'quinces', 5 status:    0",
    "REWIND 14 status: 6769",
    "BACKSPACE 14 status: 6204",
    "ENDFILE 14 status: 6205",
    "CLOSE(14) status:    0",
    "bytes of \"table.txt\"",
    "  \"melons22\\r\\n\"",
    "  \"quince 5\\r\\n\"",
    "  \"grapes 1\\r\\n\"",
    "  byte count:         30",
    "OPEN(14,FILE='table.txt',ACCESS='DIRECT',FORM='FORMATTED',RECL=8) status:    0",
    "record          3: 'grapes'          1 status:          0",
    "CLOSE(14,STATUS='DELETE') status:    0",
    "INQUIRE(FILE='table.txt') EXIST=F OPENED=F NUMBER=         -1",
    "-- statements refused, with their error numbers",
    "OPEN(15,FILE='data.txt',STATUS='NEW') status: 6415",
    "OPEN(15,FILE='data.txt',STATUS='OLDISH') status: 6306",
    "OPEN(15,FILE='data.txt',ACCESS='sideways') status: 6304",
    "OPEN(15,FILE='nothing.txt',STATUS='OLD') status: 6416",
    "BACKSPACE 15 status: 6420",
    "OPEN(10,FILE='data.txt',STATUS='OLD',ACTION='READ') status:    0",
    "OPEN(15,FILE='data.txt') status: 6413",
    "WRITE(10,*) 'melons', 2 status: 6424",
    "ENDFILE 10 status: 6772",
    "CLOSE(10,STATUS='GONE') status: 6301",
    "read list 'apples  '         42 status:          0",
    "CLOSE(10,STATUS='DELETE') status:    0",
    "INQUIRE(FILE='data.txt') EXIST=F OPENED=F NUMBER=         -1",
    "-- name a file to open with STATUS='OLD':",
};

std::string lines(const std::vector<std::string>& records) {
    std::string text;
    for (const std::string& record : records) {
        text += record + CRLF;
    }
    return text;
}

// A fresh directory under the system's temporary one; the Windows program under wine sees it
// as Z:\..., and the program uses relative names only.
class FilesDemo : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "lncalc-files-XXXXXX");
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    void put_file(const std::string& name, const std::string& bytes) {
        std::ofstream(directory / name, std::ios::binary) << bytes;
    }

    std::vector<std::string> names_left() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(directory)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    test::TranscriptResult run(const std::string& input) {
        test::TranscriptRun run;
        run.input = input;
        run.working_directory = directory.string();
        run.timeout_ms = 30000;
        return test::run_transcript(LNCALC_FILES_DEMO_PATH, run);
    }

    std::filesystem::path directory;
};

// Every step, then the given file's first record: a line that ends with LF alone reads as one
// that ends with CR LF. Everything the program made is gone at its end, the given file is left
// as it was.
TEST_F(FilesDemo, EveryStepThenTheGivenFile) {
    put_file("given.txt", "hello\nsecond\n");
    test::TranscriptResult result = run("  given.txt  \n");
    EXPECT_EQ(result.output,
              lines(STEPS) + "its first line: \"hello                           \"" + CRLF);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(names_left(), std::vector<std::string>{"given.txt"});
}

// OPEN of a missing file with STATUS='OLD' and no error branch: the numbered report names the
// file, and the run ends with exit code 1 after everything before it was written.
TEST_F(FilesDemo, AMissingFileEndsTheRunWithItsReport) {
    test::TranscriptResult result = run("missing.txt\n");
    EXPECT_EQ(result.output, lines(STEPS));
    EXPECT_EQ(result.error,
              CRLF + "run-time error F6416: OPEN(missing.txt)" + CRLF + "- file not found" + CRLF);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_TRUE(names_left().empty());
}

} // namespace
} // namespace lnc
