#include "CliOptions.h"

#include <charconv>
#include <map>
#include <set>

namespace hf {
namespace {

bool toInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty();
}

// X,Y,W,H with a positive width and height.
std::optional<Rect> toCrop(const std::string& text)
{
    int v[4] = {};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = i < 3 ? text.find(',', start) : text.size();
        if (comma == std::string::npos || !toInt(text.substr(start, comma - start), v[i]))
            return std::nullopt;
        start = comma + 1;
    }
    if (v[0] < 0 || v[1] < 0 || v[2] <= 0 || v[3] <= 0 || v[0] > INT32_MAX - v[2] || v[1] > INT32_MAX - v[3])
        return std::nullopt;
    return Rect{v[0], v[1], v[0] + v[2], v[1] + v[3]};
}

// The options each command takes; those that take a value end in '='.
const std::map<std::string, std::set<std::string>>& commands()
{
    static const std::map<std::string, std::set<std::string>> table = {
        {"users", {}},
        {"list", {"user=", "json"}},
        {"add",
         {"user=", "model=", "mode=", "contrast=", "category=", "private", "name=", "crop=", "fill", "stop-on-error"}},
        {"remove", {"user="}},
        {"move", {"user="}},
        {"export", {"user="}},
    };
    return table;
}

bool setOption(CliOptions& o, const std::string& name, const std::string& value, std::string& error)
{
    if (name == "user")
        o.user = value;
    else if (name == "json")
        o.json = true;
    else if (name == "model")
        o.model = value;
    else if (name == "category")
        o.category = value;
    else if (name == "private")
        o.privateFlag = true;
    else if (name == "name")
        o.name = value;
    else if (name == "fill")
        o.fill = true;
    else if (name == "stop-on-error")
        o.stopOnError = true;
    else if (name == "mode") {
        static const std::map<std::string, int> modes = {{"gray4", 1}, {"gray16", 2}, {"colour", 3}, {"color", 3}};
        const auto found = modes.find(value);
        if (found == modes.end()) {
            error = "--mode takes gray4, gray16 or colour, not \"" + value + "\"";
            return false;
        }
        o.mode = found->second;
    } else if (name == "contrast") {
        int v = 0;
        if (!toInt(value, v) || v < -1000 || v > 1000) {
            error = "--contrast takes a whole number from -1000 to 1000, not \"" + value + "\"";
            return false;
        }
        o.contrast = v;
    } else if (name == "crop") {
        o.crop = toCrop(value);
        if (!o.crop) {
            error = "--crop takes X,Y,WIDTH,HEIGHT in the photo's pixels, not \"" + value + "\"";
            return false;
        }
    }
    return true;
}

bool operandsFit(const CliOptions& o, std::string& error)
{
    const std::size_t n = o.operands.size();
    const std::string& c = o.command;
    if (c == "users" && n != 0)
        error = "users takes no operands";
    else if (c == "list" && n != 0)
        error = "list takes no operands";
    else if (c == "add" && n == 0)
        error = "add needs at least one picture file";
    else if (c == "add" && o.name && n > 1)
        error = "--name names one photo; give it with a single file";
    else if (c == "add" && o.crop && o.fill)
        error = "--crop and --fill cannot be given together";
    else if (c == "remove" && n == 0)
        error = "remove needs the index of at least one photo (see list)";
    else if (c == "move" && n != 2)
        error = "move needs two indexes: FROM TO";
    else if (c == "export" && n != 1)
        error = "export needs one folder";
    if (!error.empty())
        return false;
    if (c == "remove" || c == "move") {
        for (const std::string& index : o.operands) {
            int v = 0;
            if (!toInt(index, v) || v < 1) {
                error = "\"" + index + "\" is not a photo's index (1, 2, ... as list shows them)";
                return false;
            }
        }
    }
    return true;
}

}  // namespace

std::optional<CliOptions> parseCliOptions(const std::vector<std::string>& args, std::string& error)
{
    CliOptions o;
    if (args.empty()) {
        error = "no command given; see handfolio-cli --help";
        return std::nullopt;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help" || args[0] == "--version") {
        o.command = args[0] == "--version" ? "version" : "help";
        return o;
    }
    const auto known = commands().find(args[0]);
    if (known == commands().end()) {
        error = "unknown command \"" + args[0] + "\"; see handfolio-cli --help";
        return std::nullopt;
    }
    o.command = args[0];
    bool onlyOperands = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyOperands || a.size() < 3 || a.rfind("--", 0) != 0) {
            if (a == "--")
                onlyOperands = true;
            else
                o.operands.push_back(a);
            continue;
        }
        const std::size_t equals = a.find('=');
        const std::string name = a.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const bool takesValue = known->second.contains(name + "=");
        if (!takesValue && !known->second.contains(name)) {
            error = "--" + name + " is not an option of " + o.command;
            return std::nullopt;
        }
        std::string value;
        if (takesValue) {
            if (equals != std::string::npos) {
                value = a.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = "--" + name + " needs a value";
                return std::nullopt;
            }
        } else if (equals != std::string::npos) {
            error = "--" + name + " takes no value";
            return std::nullopt;
        }
        if (!setOption(o, name, value, error))
            return std::nullopt;
    }
    if (!operandsFit(o, error))
        return std::nullopt;
    return o;
}

const char* cliUsage()
{
    return R"(Usage: handfolio-cli COMMAND [OPTIONS] [OPERANDS]

Builds a handheld user's photo album from the command line, exactly as the
picture editor would have made it.

Commands:
  users                      list the handheld users
  list   [--user NAME] [--json]
                             list the photos of an album, with their indexes
  add    [--user NAME] [--model NAME] [--mode gray4|gray16|colour]
         [--contrast -1000..1000] [--category NAME] [--private]
         [--name TEXT] [--crop X,Y,W,H | --fill] [--stop-on-error] FILE...
                             add photos; without --crop each is framed as the
                             editor frames it first
  remove [--user NAME] INDEX...
                             remove photos (their picture files go too)
  move   [--user NAME] FROM TO
                             move a photo to another place in the list
  export [--user NAME] FOLDER
                             write the pictures as PNG files, named after the
                             photos

Without --user the user Handfolio last had open is used. While Handfolio has
that user's album open, commands that change it are refused.

Exit status: 0 done; 1 some files were refused; 2 the command line is wrong;
3 another program has the album open; 4 the album could not be read or saved.
)";
}

}  // namespace hf
