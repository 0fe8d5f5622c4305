// The exit codes of twscleanup, as its --help and its manual page list them.
#pragma once

namespace twscleanup {

enum ExitCode {
    kSuccess = 0,
    kNothingToDo = 1,
    kAborted = 2,
    kHandlerFailed = 3,
    kPartial = 4,
    kDamagedRecord = 5,
    kNotRecorded = 6,
    kRunBusy = 7,
    kUsage = 64
};

}  // namespace twscleanup
