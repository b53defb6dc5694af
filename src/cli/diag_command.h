#pragma once
// "upvanectl diag PORT identify | prop NAME [VALUE] | shell CMD... | nv ITEM":
// talks to one phone's diagnostic port.

namespace upvane {

// `argv[0]` is the port (the word after "diag"); returns the exit code:
// 0 done, 1 usage, 2 the port does not open, 3 the phone does not answer or
// refuses the command.
int RunDiagCommand(int argc, char** argv);

}  // namespace upvane
