#pragma once
// Why a project cannot be read, saved or rendered: the field at fault, named by its JSON
// pointer ("/outputs/2/target"; empty for the file as a whole), and what is wrong with it.

#include <string>

namespace kestro {

struct ProjectError {
    std::string pointer;
    std::string message;

    // "/outputs/2/target: ..." or just the message when no field is at fault.
    std::string describe() const { return pointer.empty() ? message : pointer + ": " + message; }
};

}  // namespace kestro
