#pragma once
// The phases of the end-to-end test: each runs in a child process that starts the program
// through its own start-up and acts as its user. The parent (the test) writes the
// phase's settings into "<folder>/e2e.conf" (key=value lines) and reads what the phase
// leaves in "<folder>/state.conf".

#include <map>
#include <string>

namespace e2e {

using Settings = std::map<std::string, std::string>;

// Reads and writes a key=value file; a missing file reads empty.
Settings ReadSettings(const std::string& path);
void WriteSettings(const std::string& path, const Settings& values);

// Runs phase `name` in this process (a QApplication exists); the process's exit status:
// 0 when the phase did what it must and found no fault.
int RunPhase(const std::string& name, const std::string& folder);

}  // namespace e2e
