#pragma once
// The developers' trace. The shipped program keeps the sink closed, so
// trace calls write nothing; the calls stay where the steps describe them.
namespace upvane {

void TraceOpen(const char* name);
void TraceWrite(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void TraceClose();
bool TraceIsOpen();

}  // namespace upvane
