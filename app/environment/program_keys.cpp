#include "app/environment/program_keys.h"

namespace shell {

const char* const kDescriptorKey = "Quendrel environment descriptor 5f3a9c1e-72b4-4d8e-a061-c4e29b7d3f10";
const char* const kProductName = "Varnis";

}  // namespace shell
