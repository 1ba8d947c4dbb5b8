#pragma once

// Exit status of tarnel-cli; scripts rely on these numbers.
enum TExitCode : int {
    ExitSuccess = 0,
    ExitFailure = 1,     // local input or output failed
    ExitUsage = 2,       // bad arguments or options
    ExitConnection = 3,  // name lookup, connect or log-in failed
    ExitTransfer = 4,    // at least one transfer or remote operation failed
};
