#include "command_line.h"

namespace corvanlu {

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == '\t';
}

class CommandLineSplitter {
public:
    explicit CommandLineSplitter(std::string_view line) : line_(line) {}

    std::vector<std::string> arguments()
    {
        std::vector<std::string> result;
        while (skipSeparators()) {
            result.push_back(nextArgument());
        }
        return result;
    }

private:
    bool skipSeparators()
    {
        while (at_ < line_.size() && isSeparator(line_[at_])) {
            ++at_;
        }
        return at_ < line_.size();
    }

    std::string nextArgument()
    {
        std::string argument;
        bool quoted = false;
        while (at_ < line_.size() && (quoted || !isSeparator(line_[at_]))) {
            const char c = line_[at_];
            if (c == '\\') {
                takeBackslashes(argument);
            } else if (c == '"') {
                takeQuote(argument, quoted);
            } else {
                argument += c;
                ++at_;
            }
        }
        return argument;
    }

    void takeBackslashes(std::string& argument)
    {
        std::size_t count = 0;
        while (at_ < line_.size() && line_[at_] == '\\') {
            ++count;
            ++at_;
        }
        if (at_ == line_.size() || line_[at_] != '"') {
            argument.append(count, '\\');
            return;
        }
        argument.append(count / 2, '\\');
        if (count % 2 == 1) {
            argument += '"';
            ++at_;
        }
    }

    void takeQuote(std::string& argument, bool& quoted)
    {
        ++at_;
        if (quoted && at_ < line_.size() && line_[at_] == '"') {
            argument += '"';
            ++at_;
            return;
        }
        quoted = !quoted;
    }

    std::string_view line_;
    std::size_t at_ = 0;
};

} // namespace

std::vector<std::string> splitCommandLine(std::string_view commandLine)
{
    return CommandLineSplitter(commandLine).arguments();
}

} // namespace corvanlu
