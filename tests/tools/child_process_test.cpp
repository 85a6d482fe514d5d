// Child processes as the stress command runs them: exit codes, signals, and a program that
// cannot start.
#include "platform/child_process.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(ChildProcess, ReportsExitCodesAndSignals) {
  ChildResult r = runChildProcess({"/bin/sh", "-c", "exit 3"});
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.exitCode, 3);
  r = runChildProcess({"/bin/sh", "-c", "kill -SEGV $$"});
  ASSERT_TRUE(r.started) << r.error;
  EXPECT_FALSE(r.exited);
  EXPECT_EQ(signalName(r.signal), "SIGSEGV");
  r = runChildProcess({"/nonexistent/program"});
  EXPECT_FALSE(r.started);
  EXPECT_FALSE(r.error.empty());
}

}  // namespace
}  // namespace kv
