#pragma once
// kestro-cli as a child process, as a user runs it: its exit status and what it printed.

#include "core/capture/child_process.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kestro::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Starts kestro-cli with `arguments`, both of its streams collected.
inline ChildProcess startCli(const std::vector<std::string>& arguments) {
    auto child = ChildProcess::spawn(
        SpawnRequest{KESTRO_CLI, arguments, ChildStream::collect, ChildStream::collect});
    if (!child) ADD_FAILURE() << "kestro-cli did not start: " << child.error().description;
    return std::move(*child);
}

// Reads the child's streams to their end and waits for it.
inline CliRun finishCli(ChildProcess& cli) {
    CollectedOutput output = cli.readOutputToEnd();
    return CliRun{cli.waitForExit(), std::move(output.standardOutput),
                  std::move(output.standardError)};
}

inline CliRun runCli(const std::vector<std::string>& arguments) {
    ChildProcess cli = startCli(arguments);
    return finishCli(cli);
}

}  // namespace kestro::test
