#include "updater/error_box.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/process_runner.h"

namespace fennick {

namespace {
bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}
}  // namespace

void ShowErrorBox(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) return;
    int exitCode = 0;
    platform::RunProcess({"zenity", "--error", "--no-markup", "--title=" + caption, "--text=" + text},
                         std::chrono::milliseconds(0), {}, exitCode);
}

}  // namespace fennick
