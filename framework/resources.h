#pragma once
#include <string>

namespace framework {

// The bytes of an RCDATA resource of the program's own module; raises when
// the resource is missing.
std::string LoadResourceData(const std::string& name);

}  // namespace framework
