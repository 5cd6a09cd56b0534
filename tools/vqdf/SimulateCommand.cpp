// vqdf simulate: a stand-in for the drive a data file describes, until SIGINT or SIGTERM, changed
// by timed steps of a script and by commands on standard input.
#include <fmt/format.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>

#include "Commands.h"

namespace vqdf::cli {
namespace {

std::atomic<bool> stopped{false};

extern "C" void Stop(int) { stopped = true; }

struct Step {
    double at;  // seconds from the start
    std::string command;
};

// "SECONDS COMMAND" a line, blank lines and lines from "#" left out; every command checked.
bool ReadScript(const std::string& path, api::DriveSimulator& drive, std::vector<Step>& steps) {
    std::ifstream in(path);
    if (!in) {
        Fail(fmt::format("cannot read {}: {}", path, std::strerror(errno)));
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#') {
            continue;
        }
        const std::size_t blank = line.find_first_of(" \t", start);
        char* end = nullptr;
        const std::string time = line.substr(start, blank - start);
        const double at = std::strtod(time.c_str(), &end);
        std::string why;
        if (blank == std::string::npos || end != time.c_str() + time.size() || !(at >= 0) ||
            at > 1e9) {
            why = "give the seconds from the start, then the command";
        } else if (!steps.empty() && at < steps.back().at) {
            why = "the steps go in the order of their times";
        } else if (drive.Command(line.substr(blank + 1), why, false)) {
            steps.push_back({at, line.substr(blank + 1)});
            continue;
        }
        Fail(fmt::format("{}:{}: {}", path, number, why));
        return false;
    }
    return true;
}

}  // namespace

int SimulateDrive(const api::DataFile& file, const SimulateOptions& options, bool verbose) {
    api::SimulatorOptions serving = options.serving;
    if (verbose) {
        serving.log = [](const std::string& line) { fmt::print(stderr, "vqdf: {}\n", line); };
    }
    std::string error;
    const std::unique_ptr<api::DriveSimulator> drive =
        api::DriveSimulator::Start(file, serving, error);
    if (!drive) {
        return Fail(error);
    }
    for (const std::string& set : options.sets) {
        const std::size_t equals = set.find('=');
        if (equals == std::string::npos ||
            !drive->Command("set " + set.substr(0, equals) + " \"" + set.substr(equals + 1) + "\"",
                            error)) {
            return Fail(equals == std::string::npos ? "--set takes GROUP/CODE=VALUE, not " + set
                                                    : "--set " + set + ": " + error);
        }
    }
    std::vector<Step> steps;
    if (!options.script.empty() && !ReadScript(options.script, *drive, steps)) {
        return kTrouble;
    }
    struct sigaction action = {};
    action.sa_handler = Stop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    fmt::print(stdout, "{} {}\n", serving.rtu.empty() ? "listening on" : "answering on",
               drive->Place());
    std::fflush(stdout);

    // Commands from standard input until it ends, and the script's steps when they are due.
    const auto start = std::chrono::steady_clock::now();
    std::size_t next = 0;
    bool reading = true;
    std::string pending;
    while (!stopped) {
        const double now =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (; next < steps.size() && steps[next].at <= now; ++next) {
            if (!drive->Command(steps[next].command, error)) {
                fmt::print(stderr, "vqdf: {}: {}\n", options.script, error);
            }
        }
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&input, reading ? 1 : 0, 100);
        if (ready <= 0 || (input.revents & (POLLIN | POLLHUP)) == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            reading = false;  // the end, or nothing to read from: the drive goes on
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;
             pending.erase(0, end + 1)) {
            const std::string line = pending.substr(0, end);
            if (line.find_first_not_of(" \t\r") != std::string::npos &&
                !drive->Command(line, error)) {
                fmt::print(stderr, "vqdf: {}\n", error);
            }
        }
    }
    if (verbose) {
        fmt::print(stderr, "vqdf: stopped after {} requests, {} to the save register\n",
                   drive->Requests(), drive->Saves());
    }
    return kDone;
}

}  // namespace vqdf::cli
