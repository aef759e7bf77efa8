// quendrel-make-environment PARENT NAME: makes a new, empty environment as the program's
// "new environment" command does (no start-up password), and prints its descriptor path.
// Like the program it holds the environment's lock while it writes (environment_lock.h).
// For tests and demonstrations that need an environment without clicking through the
// program's dialogs.
#include <cstdio>
#include <string>

#include "app/environment/environment_lock.h"
#include "app/environment/new_environment.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PARENT-FOLDER NAME\n", argv[0]);
        return 2;
    }
    const std::string parent = argv[1], name = argv[2];
    int check = shell::CheckNewEnvironmentName(name, parent);
    if (check != 0) {
        std::fprintf(stderr, "%s: the environment cannot be made there (%d)\n", argv[0], check);
        return 1;
    }
    const std::string descriptor = parent + "/" + name + ".env";
    const int made = shell::CreateNewEnvironment(name, parent, "N", "", false);
    if (made == -2) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], descriptor.c_str(), shell::kEnvironmentInUseText);
        return 1;
    }
    if (made != 0) {
        std::fprintf(stderr, "%s: making the environment failed\n", argv[0]);
        return 1;
    }
    std::printf("%s\n", descriptor.c_str());
    return 0;
}
