#pragma once
// A trace of where a run spends its time, for measuring the start-up. It is
// off unless the environment variable handed to EnableTrace names a file;
// then each step appends one line to it: the milliseconds since the process
// was created, and the step's name. Off, a step costs one test of a flag.
namespace framework {

void EnableTrace(const wchar_t* environmentVariable);
void TraceStep(const char* step);

}  // namespace framework
