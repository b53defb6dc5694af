#pragma once
// Connects the server client's and the HTTP layer's hooks to the program:
// stored versions come from the store, credentials and device errors go to
// dialogs.
namespace upvane {

void BindVersionStore();
void BindCredentialPrompt();
// A failing drive notice is shown to the user in a message box.
void BindScsiErrorPrompt();
// The version query of the start-up hand-off: the server's version check.
bool QueryNewerVersion(int program, int& answered);

}  // namespace upvane
