#pragma once
// The update-service subcommands of upvanectl. Each gets the arguments from
// its own name on (argv[0] = "update", "version" or "log") and returns the
// process exit code: 0 on success, non-zero with one line on stderr
// otherwise.
namespace upvane {

// update check|download --model M --id ID --version V [--flags N]
int RunUpdateCommand(int argc, char** argv);
// version: local and server versions of this program and its launcher
int RunVersionCommand(int argc, char** argv);
// log resend: posts the pending result entries again
int RunLogCommand(int argc, char** argv);

}  // namespace upvane
