#pragma once
// Connects the server client's and the HTTP layer's hooks to the program:
// stored versions come from the store, credentials from a dialog.
namespace upvane {

void BindVersionStore();
void BindCredentialPrompt();
// The version query of the start-up hand-off: the server's version check.
bool QueryNewerVersion(int program, int& answered);

}  // namespace upvane
