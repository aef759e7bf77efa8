#include "app/sendrecv/send_environment.h"

#include "app/environment/environment_service.h"

SendEnvironment SendEnvironment::Program() {
    return {shell::GetEnvManager(), shell::GetSystemOption(), shell::GetDatabaseEdit(), shell::GetMailListViewer()};
}
