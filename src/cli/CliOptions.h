#pragma once

#include "Rect.h"

#include <optional>
#include <string>
#include <vector>

namespace hf {

// The command line of handfolio-cli, checked: every option belongs to its
// command and every value is in range.
struct CliOptions {
    std::string command;  // users, list, add, remove, move, export, help, version
    std::string user;     // empty: the user the program last had open
    bool json = false;
    std::string model;
    std::optional<int> mode;
    std::optional<int> contrast;
    std::string category;
    bool privateFlag = false;
    std::optional<std::string> name;
    std::optional<Rect> crop;
    bool fill = false;
    bool stopOnError = false;
    std::vector<std::string> operands;  // files, indexes or the folder
};

// None, with a one-line reason, for a command line that makes no sense.
std::optional<CliOptions> parseCliOptions(const std::vector<std::string>& args, std::string& error);

// The text --help prints.
const char* cliUsage();

}  // namespace hf
