#include "app/trace_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {
std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TempDirectory() {
    char pattern[] = "/tmp/velmora-trace-XXXXXX";
    return mkdtemp(pattern);
}

TEST(TraceLog, AppendsLinesInOrder) {
    TraceLog log("/nowhere");
    log.Append("InitiateD3D...\n");
    log.Append("\tDirect3DCreate8...\n");
    EXPECT_STREQ(log.Text(), "InitiateD3D...\n\tDirect3DCreate8...\n");
}

TEST(TraceLog, DropsALineThatWouldExceed19999CharactersButKeepsAShorterOneAfterIt) {
    TraceLog log("/nowhere");
    const std::string fill(19990, 'a');
    log.Append(fill.c_str());
    log.Append("0123456789");  // 19,990 + 10 = 20,000 characters: dropped whole
    EXPECT_EQ(log.Length(), 19990u);
    log.Append("012345678");  // exactly 19,999 characters: kept
    EXPECT_EQ(log.Length(), 19999u);
    EXPECT_EQ(std::string(log.Text()).substr(19990), "012345678");
    log.Append("z");  // nothing more fits
    EXPECT_EQ(log.Length(), 19999u);
}

TEST(TraceLog, AppendFormatFormatsBeforeAppending) {
    TraceLog log("/nowhere");
    log.AppendFormat("\tFailed hr=%x\n", static_cast<unsigned>(0x8876086C));
    EXPECT_STREQ(log.Text(), "\tFailed hr=8876086c\n");
}

TEST(TraceLog, ErrorLogHoldsTheWholeTextAndReplacesAnEarlierFile) {
    const std::string dir = TempDirectory();
    {
        std::ofstream old(dir + "/VelmoraErrLog.txt");
        old << "an older and much longer log that must disappear\n";
    }
    TraceLog log(dir);
    log.Append("InitiateD3D...\n");
    log.Append("Failed\n");
    log.WriteErrorLog();
    EXPECT_EQ(ReadFile(dir + "/VelmoraErrLog.txt"), "InitiateD3D...\nFailed\n");
    EXPECT_EQ(log.ErrorLogPath(), dir + "/VelmoraErrLog.txt");
}

TEST(TraceLog, LongStartDirectoryIsKeptWholeAndAnUnwritableOneIsSilent) {
    const std::string longDir = "/tmp/" + std::string(400, 'd');
    TraceLog log(longDir);
    EXPECT_EQ(log.ErrorLogPath(), longDir + "/VelmoraErrLog.txt");
    log.Append("x\n");
    log.WriteErrorLog();  // the directory does not exist: nothing happens, nothing crashes
    SUCCEED();
}

TEST(TraceLog, CurrentDirectoryIsTheProcessDirectory) {
    char buffer[4096];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    EXPECT_EQ(CurrentDirectory(), buffer);
}
}  // namespace
