#pragma once
// Calls into shared libraries by name.
#include <string>

// The address of function in library, loaded at its first use from the run directory, or else by the
// system's search order; nullptr when the library or the function cannot be found, with the reason in
// error when given.
void* libraryFunction(const std::string& library, const std::string& function, std::string* error = nullptr);
