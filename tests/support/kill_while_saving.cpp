#include "tests/support/kill_while_saving.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tervo::testing {

::testing::AssertionResult kill_while_saving(int finished_saves, const std::function<bool(int)>& save) {
    int progress[2];
    if (::pipe(progress) != 0) return ::testing::AssertionFailure() << "no pipe";
    const pid_t child = ::fork();
    if (child < 0) return ::testing::AssertionFailure() << "no child process";
    if (child == 0) {
        ::close(progress[0]);
        for (int i = 0;; ++i) {
            if (!save(i)) ::_exit(1);
            if (::write(progress[1], "s", 1) != 1) ::_exit(2);
        }
    }
    ::close(progress[1]);
    char byte = 0;
    bool saving = true;
    for (int saves = 0; saves < finished_saves && saving; ++saves) saving = ::read(progress[0], &byte, 1) == 1;
    ::kill(child, SIGKILL);
    int status = 0;
    const bool reaped = ::waitpid(child, &status, 0) == child;
    ::close(progress[0]);
    if (!saving || !reaped || !WIFSIGNALED(status))
        return ::testing::AssertionFailure() << "a save failed in the child";
    return ::testing::AssertionSuccess();
}

}  // namespace tervo::testing
